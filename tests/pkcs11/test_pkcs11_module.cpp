// The module's functions called as an application calls them, on the real PC/SC stack:
// tokens per PIN, the login rules (one card try per wrong PIN, lengths checked before
// the card, blocked PINs), keys that want their PIN for every signature, card removal
// and slot events, sessions on two readers in parallel threads, and a forked child.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cardsim/TestStack.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "P11Client.h"

using namespace p11test;

namespace {

const char kPin[] = "123456";
const std::string kDoc = "a document signed through the module\n";
const int kVerify = 0x20;

CK_UTF8CHAR_PTR pin(const char* p) { return reinterpret_cast<CK_UTF8CHAR_PTR>(const_cast<char*>(p)); }

// VERIFY commands the card in reader n received since the last mark.
size_t verifyCommands(const cardsim::TestStack& stack, int n) {
    size_t count = 0;
    for (const auto& e : stack.exchanges(n))
        count += e.command.size() > 1 && e.command[1] == kVerify ? 1 : 0;
    return count;
}

std::string label(CK_SLOT_ID slot) {
    CK_TOKEN_INFO info;
    if (functions()->C_GetTokenInfo(slot, &info) != CKR_OK)
        return "";
    std::string l(reinterpret_cast<char*>(info.label), sizeof info.label);
    return l.substr(0, l.find_last_not_of(' ') + 1);
}

CK_FLAGS tokenFlags(CK_SLOT_ID slot) {
    CK_TOKEN_INFO info;
    return functions()->C_GetTokenInfo(slot, &info) == CKR_OK ? info.flags : 0;
}

// Signs, with the PIN again for a key that asks for it every time.
CK_RV signWithPin(CK_SESSION_HANDLE s, CK_OBJECT_HANDLE key, const std::string& data, Bytes& sig) {
    return sign(s, key, data, sig, boolAttribute(s, key, CKA_ALWAYS_AUTHENTICATE) ? kPin : nullptr);
}

CK_SESSION_HANDLE open(CK_SLOT_ID slot) {
    CK_SESSION_HANDLE s = 0;
    EXPECT_EQ(functions()->C_OpenSession(slot, CKF_SERIAL_SESSION, nullptr, nullptr, &s), CKR_OK);
    return s;
}

// The slot whose token holds a certificate with the given label.
CK_SLOT_ID slotWithCertificate(const std::string& certLabel) {
    for (CK_SLOT_ID slot : slots(true)) {
        CK_SESSION_HANDLE s = open(slot);
        for (CK_OBJECT_HANDLE c : find(s, CKO_CERTIFICATE)) {
            Bytes l = attribute(s, c, CKA_LABEL);
            if (std::string(l.begin(), l.end()) == certLabel) {
                functions()->C_CloseSession(s);
                return slot;
            }
        }
        functions()->C_CloseSession(s);
    }
    return CK_UNAVAILABLE_INFORMATION;
}

struct Initialized {
    CK_RV rv;
    Initialized() {
        CK_C_INITIALIZE_ARGS args = {};
        args.flags = CKF_OS_LOCKING_OK;
        rv = functions() != nullptr ? functions()->C_Initialize(&args) : CKR_GENERAL_ERROR;
    }
    ~Initialized() {
        if (rv == CKR_OK)
            functions()->C_Finalize(nullptr);
    }
};

}  // namespace

TEST(Pkcs11Module, OneTokenPerPinAndTheLoginRules) {
    cardsim::StackOptions o;
    o.image0 = "starcos35-a";
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    Initialized init;
    ASSERT_EQ(init.rv, CKR_OK);

    // The card has a global PIN and a signature PIN: two tokens of one reader.
    std::vector<CK_SLOT_ID> present = slots(true);
    ASSERT_EQ(present.size(), 2u);
    EXPECT_EQ(present[1], present[0] + 1);
    EXPECT_NE(label(present[0]), label(present[1]));
    const CK_SLOT_ID sigSlot = slotWithCertificate("Signing Cert");
    ASSERT_NE(sigSlot, CK_UNAVAILABLE_INFORMATION);
    const CK_SLOT_ID cardSlot = sigSlot == present[0] ? present[1] : present[0];
    EXPECT_TRUE(tokenFlags(sigSlot) & CKF_LOGIN_REQUIRED);

    CK_SESSION_HANDLE s = open(sigSlot);
    // Private keys appear only after login; the public key and certificate before.
    EXPECT_TRUE(find(s, CKO_PRIVATE_KEY).empty());
    ASSERT_FALSE(find(s, CKO_PUBLIC_KEY).empty());

    // A PIN of the wrong length or with letters never reaches the card.
    stack.mark(0);
    EXPECT_EQ(functions()->C_Login(s, CKU_USER, pin("12"), 2), CKR_PIN_LEN_RANGE);
    EXPECT_EQ(functions()->C_Login(s, CKU_USER, pin("12345a"), 6), CKR_PIN_INVALID);
    EXPECT_EQ(verifyCommands(stack, 0), 0u);
    // A wrong PIN costs exactly one try.
    EXPECT_EQ(functions()->C_Login(s, CKU_USER, pin("000000"), 6), CKR_PIN_INCORRECT);
    EXPECT_EQ(verifyCommands(stack, 0), 1u);
    EXPECT_TRUE(tokenFlags(sigSlot) & CKF_USER_PIN_COUNT_LOW);
    EXPECT_EQ(functions()->C_Login(s, CKU_SO, pin(kPin), 6), CKR_USER_TYPE_INVALID);
    ASSERT_EQ(functions()->C_Login(s, CKU_USER, pin(kPin), 6), CKR_OK);
    EXPECT_EQ(functions()->C_Login(s, CKU_USER, pin(kPin), 6), CKR_USER_ALREADY_LOGGED_IN);
    EXPECT_FALSE(tokenFlags(sigSlot) & CKF_USER_PIN_COUNT_LOW);

    std::vector<CK_OBJECT_HANDLE> keys = find(s, CKO_PRIVATE_KEY);
    ASSERT_EQ(keys.size(), 1u);
    const CK_OBJECT_HANDLE key = keys[0];
    EXPECT_TRUE(boolAttribute(s, key, CKA_SIGN));
    EXPECT_TRUE(boolAttribute(s, key, CKA_PRIVATE));
    EXPECT_TRUE(boolAttribute(s, key, CKA_SENSITIVE));
    EXPECT_FALSE(boolAttribute(s, key, CKA_EXTRACTABLE));
    EXPECT_FALSE(boolAttribute(s, key, CKA_ALWAYS_AUTHENTICATE));
    CK_ATTRIBUTE secret = {CKA_PRIVATE_EXPONENT, nullptr, 0};
    EXPECT_EQ(functions()->C_GetAttributeValue(s, key, &secret, 1), CKR_ATTRIBUTE_TYPE_INVALID);
    // The public key's modulus is the certificate's.
    Bytes cert = certificateOf(s, key);
    ASSERT_FALSE(cert.empty());
    std::vector<CK_OBJECT_HANDLE> pubs = find(s, CKO_PUBLIC_KEY);
    ASSERT_EQ(pubs.size(), 1u);
    EXPECT_EQ(attribute(s, pubs[0], CKA_MODULUS), attribute(s, key, CKA_MODULUS));
    EXPECT_EQ(attribute(s, pubs[0], CKA_ID), attribute(s, key, CKA_ID));

    // The card makes PKCS#1 signatures of hashes only: no raw RSA.
    CK_ULONG mechCount = 0;
    ASSERT_EQ(functions()->C_GetMechanismList(sigSlot, nullptr, &mechCount), CKR_OK);
    std::vector<CK_MECHANISM_TYPE> mechs(mechCount);
    ASSERT_EQ(functions()->C_GetMechanismList(sigSlot, mechs.data(), &mechCount), CKR_OK);
    EXPECT_NE(std::find(mechs.begin(), mechs.end(), CKM_SHA256_RSA_PKCS), mechs.end());
    EXPECT_EQ(std::find(mechs.begin(), mechs.end(), CKM_RSA_X_509), mechs.end());
    CK_MECHANISM raw = {CKM_RSA_X_509, nullptr, 0};
    EXPECT_EQ(functions()->C_SignInit(s, &raw, key), CKR_MECHANISM_INVALID);
    EXPECT_EQ(functions()->C_DecryptInit(s, &raw, key), CKR_MECHANISM_INVALID);
    CK_MECHANISM_INFO mechInfo;
    EXPECT_EQ(functions()->C_GetMechanismInfo(sigSlot, CKM_RSA_X_509, &mechInfo), CKR_MECHANISM_INVALID);

    Bytes sig;
    ASSERT_EQ(sign(s, key, kDoc, sig), CKR_OK);
    EXPECT_EQ(sig.size(), 256u);
    EXPECT_TRUE(verifies(cert, kDoc, sig));

    // After logout the key is gone from the session and cannot sign.
    ASSERT_EQ(functions()->C_Logout(s), CKR_OK);
    EXPECT_TRUE(find(s, CKO_PRIVATE_KEY).empty());
    CK_MECHANISM m = {CKM_SHA256_RSA_PKCS, nullptr, 0};
    EXPECT_EQ(functions()->C_SignInit(s, &m, key), CKR_KEY_HANDLE_INVALID);

    // The other token's PIN blocks after its tries: the last answer says so.
    CK_SESSION_HANDLE c = open(cardSlot);
    CK_RV last = CKR_OK;
    for (int i = 0; i < 3; ++i)
        last = functions()->C_Login(c, CKU_USER, pin("999999"), 6);
    EXPECT_EQ(last, CKR_PIN_LOCKED);
    EXPECT_TRUE(tokenFlags(cardSlot) & CKF_USER_PIN_LOCKED);
    EXPECT_EQ(functions()->C_Login(c, CKU_USER, pin(kPin), 6), CKR_PIN_LOCKED);
    // The signature token still works.
    ASSERT_EQ(functions()->C_Login(s, CKU_USER, pin(kPin), 6), CKR_OK);
    EXPECT_EQ(sign(s, find(s, CKO_PRIVATE_KEY).at(0), kDoc, sig), CKR_OK);
    EXPECT_TRUE(verifies(cert, kDoc, sig));
}

TEST(Pkcs11Module, AKeyThatAsksForItsPinSignsOnlyAfterAContextLogin) {
    cardsim::StackOptions o;
    o.image0 = "starcos35-b";
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    Initialized init;
    ASSERT_EQ(init.rv, CKR_OK);
    const CK_SLOT_ID slot = slotWithCertificate("Signing Cert");
    ASSERT_NE(slot, CK_UNAVAILABLE_INFORMATION);
    CK_SESSION_HANDLE s = open(slot);
    ASSERT_EQ(functions()->C_Login(s, CKU_USER, pin(kPin), 6), CKR_OK);
    std::vector<CK_OBJECT_HANDLE> keys = find(s, CKO_PRIVATE_KEY);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_TRUE(boolAttribute(s, keys[0], CKA_ALWAYS_AUTHENTICATE));
    Bytes cert = certificateOf(s, keys[0]), sig;

    EXPECT_EQ(sign(s, keys[0], kDoc, sig), CKR_USER_NOT_LOGGED_IN);
    // Context login outside an operation is refused.
    EXPECT_EQ(functions()->C_Login(s, CKU_CONTEXT_SPECIFIC, pin(kPin), 6), CKR_OPERATION_NOT_INITIALIZED);
    for (int i = 0; i < 2; ++i) {
        stack.mark(0);
        ASSERT_EQ(sign(s, keys[0], kDoc, sig, kPin), CKR_OK);
        EXPECT_TRUE(verifies(cert, kDoc, sig));
        EXPECT_EQ(verifyCommands(stack, 0), 1u);
    }
    // A wrong PIN for the one signature: one try, and no signature.
    CK_MECHANISM m = {CKM_SHA256_RSA_PKCS, nullptr, 0};
    ASSERT_EQ(functions()->C_SignInit(s, &m, keys[0]), CKR_OK);
    stack.mark(0);
    EXPECT_EQ(functions()->C_Login(s, CKU_CONTEXT_SPECIFIC, pin("000000"), 6), CKR_PIN_INCORRECT);
    EXPECT_EQ(verifyCommands(stack, 0), 1u);
    CK_ULONG n = 512;
    Bytes out(n);
    EXPECT_EQ(functions()->C_Sign(s, (CK_BYTE_PTR)kDoc.data(), kDoc.size(), out.data(), &n), CKR_USER_NOT_LOGGED_IN);
}

TEST(Pkcs11Module, ARemovedCardEndsItsSessionsAndANewCardIsANewToken) {
    cardsim::StackOptions o;
    o.image0 = "starcos35-a";
    o.image1 = "tcos30v2-esign";
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    Initialized init;
    ASSERT_EQ(init.rv, CKR_OK);
    std::vector<CK_SLOT_ID> all = slots(false);
    ASSERT_EQ(all.size(), 3u);  // two tokens in reader 0, one in reader 1
    CK_SLOT_ID slot;
    EXPECT_EQ(functions()->C_WaitForSlotEvent(CKF_DONT_BLOCK, &slot, nullptr), CKR_NO_EVENT);

    const CK_SLOT_ID sigSlot = slotWithCertificate("Signing Cert");
    CK_SESSION_HANDLE s = open(sigSlot);
    ASSERT_EQ(functions()->C_Login(s, CKU_USER, pin(kPin), 6), CKR_OK);
    CK_OBJECT_HANDLE key = find(s, CKO_PRIVATE_KEY).at(0);
    Bytes sig;
    ASSERT_EQ(sign(s, key, kDoc, sig), CKR_OK);

    ASSERT_TRUE(stack.remove(0));
    CK_RV rv = CKR_NO_EVENT;
    for (int i = 0; i < 40 && rv == CKR_NO_EVENT; ++i) {
        rv = functions()->C_WaitForSlotEvent(CKF_DONT_BLOCK, &slot, nullptr);
        if (rv == CKR_NO_EVENT)
            usleep(250000);
    }
    ASSERT_EQ(rv, CKR_OK);
    EXPECT_EQ(slot, all[0]);
    EXPECT_EQ(sign(s, key, kDoc, sig), CKR_DEVICE_REMOVED);
    CK_TOKEN_INFO info;
    EXPECT_EQ(functions()->C_GetTokenInfo(all[0], &info), CKR_TOKEN_NOT_PRESENT);
    EXPECT_EQ(slots(true).size(), 1u);

    // A blocking wait sees the next card; its slot id stays the reader's.
    std::atomic<CK_RV> waited{CKR_GENERAL_ERROR};
    CK_SLOT_ID eventSlot = 0;
    std::thread waiter([&]() { waited = functions()->C_WaitForSlotEvent(0, &eventSlot, nullptr); });
    ASSERT_TRUE(stack.insert(0, "tcos30v2-esign"));
    waiter.join();
    EXPECT_EQ(waited.load(), CKR_OK);
    EXPECT_EQ(eventSlot, all[0]);
    std::vector<CK_SLOT_ID> now = slots(true);
    ASSERT_EQ(now.size(), 2u);
    EXPECT_EQ(now[0], all[0]);
    EXPECT_EQ(now[1], all[2]);
    EXPECT_EQ(label(now[0]), label(now[1]));
    CK_SESSION_HANDLE n = open(now[0]);
    ASSERT_EQ(functions()->C_Login(n, CKU_USER, pin(kPin), 6), CKR_OK);
    CK_OBJECT_HANDLE k = find(n, CKO_PRIVATE_KEY).at(0);
    ASSERT_EQ(signWithPin(n, k, kDoc, sig), CKR_OK);
    EXPECT_TRUE(verifies(certificateOf(n, k), kDoc, sig));
    EXPECT_EQ(functions()->C_CloseSession(s), CKR_OK);
}

TEST(Pkcs11Module, SessionsOnTwoReadersSignInParallelThreads) {
    cardsim::StackOptions o;
    o.image0 = "starcos35-a";
    o.image1 = "cardos50-dtrust";
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    Initialized init;
    ASSERT_EQ(init.rv, CKR_OK);
    // The tokens of both cards whose PIN is 123456.
    std::vector<CK_SLOT_ID> targets;
    for (CK_SLOT_ID slot : slots(true)) {
        CK_SESSION_HANDLE s = open(slot);
        if (functions()->C_Login(s, CKU_USER, pin(kPin), 6) == CKR_OK && !find(s, CKO_PRIVATE_KEY).empty())
            targets.push_back(slot);
        functions()->C_CloseSession(s);
    }
    // Closing the last session logged the tokens out; each thread logs in for itself.
    ASSERT_GE(targets.size(), 2u);
    EXPECT_NE(targets.front() / 4, targets.back() / 4);  // on both readers
    const int kThreadsPerToken = 2, kSignatures = 3;
    std::atomic<int> good{0}, bad{0}, attempts{0};
    std::vector<std::thread> threads;
    std::vector<CK_SESSION_HANDLE> holders;
    for (CK_SLOT_ID slot : targets) {
        CK_SESSION_HANDLE h = open(slot);  // keeps the login while the threads run
        ASSERT_EQ(functions()->C_Login(h, CKU_USER, pin(kPin), 6), CKR_OK);
        holders.push_back(h);
    }
    for (CK_SLOT_ID slot : targets)
        for (int t = 0; t < kThreadsPerToken; ++t)
            threads.emplace_back([&, slot]() {
                CK_SESSION_HANDLE s = 0;
                if (functions()->C_OpenSession(slot, CKF_SERIAL_SESSION, nullptr, nullptr, &s) != CKR_OK) {
                    ++bad;
                    return;
                }
                std::vector<CK_OBJECT_HANDLE> keys = find(s, CKO_PRIVATE_KEY);
                for (CK_OBJECT_HANDLE k : keys) {
                    if (boolAttribute(s, k, CKA_ALWAYS_AUTHENTICATE))
                        continue;
                    Bytes cert = certificateOf(s, k);
                    for (int i = 0; i < kSignatures; ++i) {
                        ++attempts;
                        Bytes sig;
                        const std::string doc = kDoc + std::to_string(slot) + "/" + std::to_string(i);
                        if (sign(s, k, doc, sig) == CKR_OK && verifies(cert, doc, sig))
                            ++good;
                        else
                            ++bad;
                    }
                }
                functions()->C_CloseSession(s);
            });
    for (auto& t : threads)
        t.join();
    // Every key that signs without a PIN of its own signed in every thread.
    EXPECT_EQ(bad.load(), 0);
    EXPECT_EQ(good.load(), attempts.load());
    EXPECT_GE(good.load(), 2 * kThreadsPerToken * kSignatures);
    for (CK_SESSION_HANDLE h : holders)
        functions()->C_CloseSession(h);
}

TEST(Pkcs11Module, AForkedChildInitialisesAgainAndTheParentKeepsWorking) {
    cardsim::StackOptions o;
    o.image0 = "tcos30v2-esign";
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    Initialized init;
    ASSERT_EQ(init.rv, CKR_OK);
    std::vector<CK_SLOT_ID> present = slots(true);
    ASSERT_EQ(present.size(), 1u);
    CK_SESSION_HANDLE s = open(present[0]);
    ASSERT_EQ(functions()->C_Login(s, CKU_USER, pin(kPin), 6), CKR_OK);
    CK_OBJECT_HANDLE key = find(s, CKO_PRIVATE_KEY).at(0);
    Bytes cert = certificateOf(s, key), sig;
    ASSERT_EQ(signWithPin(s, key, kDoc, sig), CKR_OK);

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The parent's module state is not the child's.
        CK_ULONG n = 0;
        int code = functions()->C_GetSlotList(CK_TRUE, nullptr, &n) == CKR_CRYPTOKI_NOT_INITIALIZED ? 0 : 10;
        CK_SESSION_INFO info;
        if (code == 0 && functions()->C_GetSessionInfo(s, &info) != CKR_CRYPTOKI_NOT_INITIALIZED)
            code = 11;
        if (code == 0 && functions()->C_Initialize(nullptr) != CKR_OK)
            code = 12;
        std::vector<CK_SLOT_ID> mine = code == 0 ? slots(true) : std::vector<CK_SLOT_ID>();
        CK_SESSION_HANDLE cs = 0;
        if (code == 0 && (mine.size() != 1 ||
                          functions()->C_OpenSession(mine[0], CKF_SERIAL_SESSION, nullptr, nullptr, &cs) != CKR_OK))
            code = 13;
        if (code == 0 && functions()->C_Login(cs, CKU_USER, pin(kPin), 6) != CKR_OK)
            code = 14;
        Bytes childSig;
        if (code == 0) {
            std::vector<CK_OBJECT_HANDLE> k = find(cs, CKO_PRIVATE_KEY);
            if (k.empty() || signWithPin(cs, k[0], "child", childSig) != CKR_OK || !verifies(cert, "child", childSig))
                code = 15;
        }
        if (code == 0)
            functions()->C_Finalize(nullptr);
        _exit(code);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    ASSERT_EQ(signWithPin(s, key, kDoc, sig), CKR_OK);
    EXPECT_TRUE(verifies(cert, kDoc, sig));
}

TEST(Pkcs11Module, SessionsOnOneReaderAreSerialised) {
    cardsim::StackOptions o;
    o.image0 = "starcos35-a";
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    Initialized init;
    ASSERT_EQ(init.rv, CKR_OK);
    // Both tokens of the card (global and signature PIN) in threads of their own: each
    // signature selects its key's folder and environment, which another thread's
    // commands in between would spoil.
    std::vector<CK_SLOT_ID> tokens = slots(true);
    ASSERT_EQ(tokens.size(), 2u);
    std::vector<CK_SESSION_HANDLE> holders;
    for (CK_SLOT_ID slot : tokens) {
        holders.push_back(open(slot));
        ASSERT_EQ(functions()->C_Login(holders.back(), CKU_USER, pin(kPin), 6), CKR_OK);
    }
    stack.mark(0);
    const int kThreadsPerToken = 2, kSignatures = 3;
    std::atomic<int> good{0}, bad{0};
    std::vector<std::thread> threads;
    for (CK_SLOT_ID slot : tokens)
        for (int t = 0; t < kThreadsPerToken; ++t)
            threads.emplace_back([&, slot, t]() {
                CK_SESSION_HANDLE s = 0;
                if (functions()->C_OpenSession(slot, CKF_SERIAL_SESSION, nullptr, nullptr, &s) != CKR_OK) {
                    ++bad;
                    return;
                }
                std::vector<CK_OBJECT_HANDLE> keys = find(s, CKO_PRIVATE_KEY);
                Bytes cert = keys.size() == 1 ? certificateOf(s, keys[0]) : Bytes();
                for (int i = 0; i < kSignatures && !cert.empty(); ++i) {
                    Bytes sig;
                    const std::string doc =
                        kDoc + std::to_string(slot) + "/" + std::to_string(t) + "/" + std::to_string(i);
                    if (sign(s, keys[0], doc, sig) == CKR_OK && verifies(cert, doc, sig))
                        ++good;
                    else
                        ++bad;
                }
                functions()->C_CloseSession(s);
            });
    for (auto& t : threads)
        t.join();
    const int expected = static_cast<int>(tokens.size()) * kThreadsPerToken * kSignatures;
    EXPECT_EQ(bad.load(), 0);
    EXPECT_EQ(good.load(), expected);
    // Every signature is one PSO COMPUTE DIGITAL SIGNATURE the card answered 9000.
    const uint8_t kPso = 0x2A, kCds = 0x9E;
    int signed_ = 0, refused = 0;
    for (const auto& e : stack.exchanges(0)) {
        if (e.command.size() < 4 || e.command[1] != kPso || e.command[2] != kCds)
            continue;
        const size_t n = e.response.size();
        (n >= 2 && e.response[n - 2] == 0x90 && e.response[n - 1] == 0x00 ? signed_ : refused)++;
    }
    EXPECT_EQ(signed_, expected);
    EXPECT_EQ(refused, 0);
    for (CK_SESSION_HANDLE h : holders)
        functions()->C_CloseSession(h);
}

TEST(Pkcs11Module, FinalizeEndsAWaitForSlotEventInAnotherThread) {
    cardsim::StackOptions o;
    o.image0 = "tcos30v2-esign";
    cardsim::TestStack stack(o);
    ASSERT_TRUE(stack.ok()) << stack.error();
    for (int round = 0; round < 2; ++round) {
        CK_C_INITIALIZE_ARGS args = {};
        args.flags = CKF_OS_LOCKING_OK;
        ASSERT_EQ(functions()->C_Initialize(&args), CKR_OK);
        ASSERT_EQ(slots(true).size(), 1u);
        std::atomic<CK_RV> waited{CKR_GENERAL_ERROR};
        std::atomic<bool> started{false};
        std::thread waiter([&]() {
            CK_SLOT_ID slot = 0;
            started = true;
            waited = functions()->C_WaitForSlotEvent(0, &slot, nullptr);
        });
        while (!started)
            std::this_thread::yield();
        // The first round finalises while the thread is blocked, the second as it starts.
        if (round == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        EXPECT_EQ(functions()->C_Finalize(nullptr), CKR_OK);
        waiter.join();
        EXPECT_EQ(waited.load(), CKR_CRYPTOKI_NOT_INITIALIZED);
        CK_ULONG n = 0;
        EXPECT_EQ(functions()->C_GetSlotList(CK_TRUE, nullptr, &n), CKR_CRYPTOKI_NOT_INITIALIZED);
    }
}

// The PKCS#11 3.0 record of an interface, as the module hands it out.
struct Interface {
    CK_UTF8CHAR* name;
    void* functionList;
    CK_FLAGS flags;
};

TEST(Pkcs11Module, OffersItsFunctionListAsThePkcs11Interface) {
    ASSERT_NE(functions(), nullptr);
    void* h = dlopen(VN_PKCS11_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(h, nullptr);
    using GetList = CK_RV (*)(Interface*, CK_ULONG*);
    using Get = CK_RV (*)(CK_UTF8CHAR*, CK_VERSION*, Interface**, CK_FLAGS);
    auto getList = reinterpret_cast<GetList>(dlsym(h, "C_GetInterfaceList"));
    auto get = reinterpret_cast<Get>(dlsym(h, "C_GetInterface"));
    ASSERT_NE(getList, nullptr);
    ASSERT_NE(get, nullptr);

    // Before C_Initialize, as a 3.0 application asks.
    CK_ULONG n = 0;
    EXPECT_EQ(getList(nullptr, nullptr), CKR_ARGUMENTS_BAD);
    ASSERT_EQ(getList(nullptr, &n), CKR_OK);
    ASSERT_EQ(n, 1u);
    Interface list[2] = {};
    n = 0;
    EXPECT_EQ(getList(list, &n), CKR_BUFFER_TOO_SMALL);
    EXPECT_EQ(n, 1u);
    n = 2;
    ASSERT_EQ(getList(list, &n), CKR_OK);
    ASSERT_EQ(n, 1u);
    EXPECT_STREQ(reinterpret_cast<const char*>(list[0].name), "PKCS 11");
    EXPECT_EQ(list[0].functionList, functions());
    EXPECT_EQ(list[0].flags, 0u);
    EXPECT_EQ(functions()->version.major, 2);
    EXPECT_EQ(functions()->version.minor, 40);

    Interface* found = nullptr;
    ASSERT_EQ(get(nullptr, nullptr, &found, 0), CKR_OK);
    EXPECT_EQ(found->functionList, functions());
    CK_VERSION v240 = {2, 40}, v30 = {3, 0};
    EXPECT_EQ(get((CK_UTF8CHAR*)"PKCS 11", &v240, &found, 0), CKR_OK);
    // No 3.0 list, no vendor interface, and the module is not fork-safe in the 3.0 sense.
    EXPECT_EQ(get((CK_UTF8CHAR*)"PKCS 11", &v30, &found, 0), CKR_ARGUMENTS_BAD);
    EXPECT_EQ(get((CK_UTF8CHAR*)"Vendor", nullptr, &found, 0), CKR_ARGUMENTS_BAD);
    const CK_FLAGS kForkSafe = 1;
    EXPECT_EQ(get(nullptr, nullptr, &found, kForkSafe), CKR_ARGUMENTS_BAD);
    EXPECT_EQ(get(nullptr, nullptr, nullptr, 0), CKR_ARGUMENTS_BAD);
    // The list works as the one of C_GetFunctionList.
    auto* f = static_cast<CK_FUNCTION_LIST_PTR>(found->functionList);
    ASSERT_EQ(f->C_Initialize(nullptr), CKR_OK);
    CK_INFO info;
    EXPECT_EQ(f->C_GetInfo(&info), CKR_OK);
    EXPECT_EQ(f->C_Finalize(nullptr), CKR_OK);
    dlclose(h);
}
