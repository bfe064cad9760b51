// Contexts and the reader list: the program's PC/SC calls reach the simulator,
// the list is a multi-string, and memory handed out comes back.
#include "SimFixture.h"
#include "probe/Probe.h"

#include <dlfcn.h>

#include <cstring>

using namespace simtest;

namespace {

std::string multiString(const char* p, DWORD length) { return std::string(p, p + length); }

}  // namespace

TEST_F(SimTest, CallsFromAStaticArchiveLinkedWithPcscliteReachTheSimulator) {
    pcscsim::addReader("Sim Reader 00 00");
    pcscsim::addReader("Sim Pinpad 01 00", pcscsim::pinPadReader());
    EXPECT_EQ(probe::readerNames(), (std::vector<std::string>{"Sim Reader 00 00", "Sim Pinpad 01 00"}));

    // The function the program calls is its own, not libpcsclite's.
    void* lib = dlopen("libpcsclite.so.1", RTLD_NOW | RTLD_NOLOAD);
    if (lib == nullptr)
        lib = dlopen("libpcsclite.so.1", RTLD_NOW);
    ASSERT_NE(lib, nullptr) << dlerror();
    void* real = dlsym(lib, "SCardListReaders");
    ASSERT_NE(real, nullptr);
    EXPECT_NE(reinterpret_cast<void*>(&SCardListReaders), real);
    Dl_info mine{}, theirs{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&SCardListReaders), &mine), 0);
    ASSERT_NE(dladdr(real, &theirs), 0);
    EXPECT_STRNE(mine.dli_fname, theirs.dli_fname);
    dlclose(lib);
    EXPECT_EQ(pcscsim::openContexts(), 0u);
    EXPECT_EQ(pcscsim::outstandingAllocations(), 0u);
}

TEST_F(SimTest, ListReadersGivesAMultiStringByLengthQueryCallerBufferOrAutoallocate) {
    pcscsim::addReader("Reader A");
    pcscsim::addReader("Reader B 01");
    const std::string expected("Reader A\0Reader B 01\0\0", 22);

    DWORD length = 0;
    ASSERT_EQ(SCardListReaders(context(), nullptr, nullptr, &length), SCARD_S_SUCCESS);
    EXPECT_EQ(length, expected.size());

    char small[10];
    length = sizeof small;
    EXPECT_EQ(SCardListReaders(context(), nullptr, small, &length), SCARD_E_INSUFFICIENT_BUFFER);
    EXPECT_EQ(length, expected.size());

    char buffer[64];
    length = sizeof buffer;
    ASSERT_EQ(SCardListReaders(context(), nullptr, buffer, &length), SCARD_S_SUCCESS);
    EXPECT_EQ(multiString(buffer, length), expected);

    char* list = nullptr;
    length = SCARD_AUTOALLOCATE;
    ASSERT_EQ(SCardListReaders(context(), nullptr, reinterpret_cast<char*>(&list), &length), SCARD_S_SUCCESS);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(multiString(list, length), expected);
    EXPECT_EQ(pcscsim::outstandingAllocations(), 1u);
    EXPECT_EQ(SCardFreeMemory(context(), list), SCARD_S_SUCCESS);
    EXPECT_EQ(pcscsim::outstandingAllocations(), 0u);

    // A pointer the service did not hand out is refused, not freed.
    EXPECT_EQ(SCardFreeMemory(context(), buffer), SCARD_E_INVALID_PARAMETER);
    EXPECT_EQ(pcscsim::foreignFrees(), 1u);
}

TEST_F(SimTest, ListReadersReportsNoReadersAndBadContexts) {
    DWORD length = 0;
    EXPECT_EQ(SCardListReaders(context(), nullptr, nullptr, &length), SCARD_E_NO_READERS_AVAILABLE);
    EXPECT_EQ(SCardListReaders(context(), nullptr, nullptr, nullptr), SCARD_E_INVALID_PARAMETER);
    EXPECT_EQ(SCardListReaders(12345, nullptr, nullptr, &length), SCARD_E_INVALID_HANDLE);

    SCARDCONTEXT ctx = context();
    EXPECT_EQ(SCardIsValidContext(ctx), SCARD_S_SUCCESS);
    EXPECT_EQ(SCardReleaseContext(ctx), SCARD_S_SUCCESS);
    EXPECT_EQ(SCardIsValidContext(ctx), SCARD_E_INVALID_HANDLE);
    EXPECT_EQ(SCardReleaseContext(ctx), SCARD_E_INVALID_HANDLE);
    m_ctx = 0;

    pcscsim::setServiceRunning(false);
    SCARDCONTEXT none = 0;
    EXPECT_EQ(SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &none), SCARD_E_NO_SERVICE);
    EXPECT_STREQ(pcsc_stringify_error(SCARD_E_NO_SERVICE), "Service not available.");
    EXPECT_STREQ(pcsc_stringify_error(0x12345), "Unknown error: 0x00012345");
}

TEST_F(SimTest, ReleasingAContextClosesItsCardHandles) {
    pcscsim::addReader("Reader A");
    pcscsim::insertCard("Reader A", card(kStarcosImage));
    SCARDHANDLE h = connect("Reader A");
    EXPECT_EQ(pcscsim::openHandles(), 1u);
    EXPECT_EQ(SCardReleaseContext(context()), SCARD_S_SUCCESS);
    m_ctx = 0;
    EXPECT_EQ(pcscsim::openHandles(), 0u);
    EXPECT_EQ(SCardDisconnect(h, SCARD_LEAVE_CARD), SCARD_E_INVALID_HANDLE);
}
