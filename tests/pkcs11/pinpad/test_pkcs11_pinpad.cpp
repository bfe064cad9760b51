// The module on a reader with a pin pad, over the in-process PC/SC (a virtual reader on
// pcscd has no pin pad): the token says the PIN is entered on the reader, C_Login with
// no PIN lets the user type it there, and the card's answer to what the pad sent maps
// to the usual codes. A plain reader beside it keeps asking for the PIN; pkcs11-tool
// logs in on the pad as well.
#include <gtest/gtest.h>
#include <pcscsim/Simulator.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "../P11Client.h"

using namespace p11test;

namespace {

// The in-process PC/SC for a program of its own. In the sanitizer build the ASan runtime
// goes first; the program is not ours, so its own leaks are not counted.
#ifdef VN_ASAN_RUNTIME
const std::string kPreload =
    "LD_PRELOAD=" VN_ASAN_RUNTIME ":" PCSCSIM_PRELOAD_LIBRARY " ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0 ";
#else
const std::string kPreload = "LD_PRELOAD=" PCSCSIM_PRELOAD_LIBRARY " ";
#endif

const char kPadReader[] = "Pad Reader 00 00";
const char kPlainReader[] = "Plain Reader 01 00";
const std::string kDoc = "a document signed after a PIN typed on the reader\n";
const uint8_t kVerify = 0x20;

CK_FLAGS tokenFlags(CK_SLOT_ID slot) {
    CK_TOKEN_INFO info;
    return functions()->C_GetTokenInfo(slot, &info) == CKR_OK ? info.flags : 0;
}

std::string slotDescription(CK_SLOT_ID slot) {
    CK_SLOT_INFO info;
    if (functions()->C_GetSlotInfo(slot, &info) != CKR_OK)
        return "";
    return std::string(reinterpret_cast<char*>(info.slotDescription), sizeof info.slotDescription);
}

// The VERIFY commands the pad built and sent to the card since the call log was cleared.
std::vector<Bytes> padVerifications() {
    std::vector<Bytes> out;
    for (const pcscsim::Call& c : pcscsim::calls())
        if (c.kind == pcscsim::Call::Kind::Control && c.cardCommand.size() > 1 && c.cardCommand[1] == kVerify)
            out.push_back(c.cardCommand);
    return out;
}

class Pkcs11PinPad : public ::testing::Test {
protected:
    void SetUp() override {
        pcscsim::reset();
        pcscsim::addReader(kPadReader, pcscsim::pinPadReader());
        pcscsim::addReader(kPlainReader, pcscsim::plainReader());
        m_padCard = pcscsim::insertImage(kPadReader, "starcos35-a");
        pcscsim::insertImage(kPlainReader, "tcos30v2-esign");
        ASSERT_NE(functions(), nullptr);
        CK_C_INITIALIZE_ARGS args = {};
        args.flags = CKF_OS_LOCKING_OK;
        ASSERT_EQ(functions()->C_Initialize(&args), CKR_OK);
    }
    void TearDown() override {
        functions()->C_Finalize(nullptr);
        pcscsim::reset();
    }
    std::shared_ptr<cardsim::Card> m_padCard;
};

}  // namespace

TEST_F(Pkcs11PinPad, TheUserTypesThePinOnTheReaderAndTheKeySigns) {
    // Two tokens (global and signature PIN) on the pad reader, one on the plain reader.
    std::vector<CK_SLOT_ID> present = slots(true);
    ASSERT_EQ(present.size(), 3u);
    CK_SLOT_ID sigSlot = CK_UNAVAILABLE_INFORMATION, plainSlot = CK_UNAVAILABLE_INFORMATION;
    for (CK_SLOT_ID slot : present) {
        const std::string d = slotDescription(slot);
        if (d.rfind(kPadReader, 0) == 0) {
            EXPECT_TRUE(tokenFlags(slot) & CKF_PROTECTED_AUTHENTICATION_PATH) << d;
            if (d.find("Signatur") != std::string::npos)
                sigSlot = slot;
        } else {
            EXPECT_FALSE(tokenFlags(slot) & CKF_PROTECTED_AUTHENTICATION_PATH) << d;
            plainSlot = slot;
        }
    }
    ASSERT_NE(sigSlot, CK_UNAVAILABLE_INFORMATION);
    ASSERT_NE(plainSlot, CK_UNAVAILABLE_INFORMATION);

    // Without a pin pad a null PIN is refused before the card.
    CK_SESSION_HANDLE plain = 0;
    ASSERT_EQ(functions()->C_OpenSession(plainSlot, CKF_SERIAL_SESSION, nullptr, nullptr, &plain), CKR_OK);
    pcscsim::clearCalls();
    EXPECT_EQ(functions()->C_Login(plain, CKU_USER, nullptr, 0), CKR_ARGUMENTS_BAD);
    EXPECT_TRUE(pcscsim::calls().empty());

    CK_SESSION_HANDLE s = 0;
    ASSERT_EQ(functions()->C_OpenSession(sigSlot, CKF_SERIAL_SESSION, nullptr, nullptr, &s), CKR_OK);
    EXPECT_EQ(functions()->C_Login(s, CKU_USER, nullptr, 6), CKR_ARGUMENTS_BAD);

    // A wrong PIN typed on the pad: one verification, the try counted.
    pcscsim::scriptKeys(kPadReader, "000000\r");
    pcscsim::clearCalls();
    EXPECT_EQ(functions()->C_Login(s, CKU_USER, nullptr, 0), CKR_PIN_INCORRECT);
    EXPECT_EQ(padVerifications().size(), 1u);
    EXPECT_TRUE(tokenFlags(sigSlot) & CKF_USER_PIN_COUNT_LOW);

    // The user cancels on the pad: no verification reaches the card.
    pcscsim::clearKeys(kPadReader);
    pcscsim::scriptKeys(kPadReader, "12\x1b");
    pcscsim::clearCalls();
    m_padCard->clearTranscript();
    EXPECT_EQ(functions()->C_Login(s, CKU_USER, nullptr, 0), CKR_FUNCTION_CANCELED);
    for (const auto& e : m_padCard->transcript())
        EXPECT_FALSE(e.command.size() > 1 && e.command[1] == kVerify);

    // The right PIN on the pad: the pad's command is verified by the card and the key signs.
    pcscsim::clearKeys(kPadReader);
    pcscsim::scriptKeys(kPadReader, "123456\r");
    pcscsim::clearCalls();
    ASSERT_EQ(functions()->C_Login(s, CKU_USER, nullptr, 0), CKR_OK);
    std::vector<Bytes> verified = padVerifications();
    ASSERT_EQ(verified.size(), 1u);
    // STARCOS format-2 block of the signature PIN 81 with the six digits typed.
    EXPECT_EQ(cardsim::toHex(verified[0]), cardsim::toHex(cardsim::fromHex("00 20 00 81 08 26 12 34 56 FF FF FF FF")));
    EXPECT_FALSE(tokenFlags(sigSlot) & CKF_USER_PIN_COUNT_LOW);
    std::vector<CK_OBJECT_HANDLE> keys = find(s, CKO_PRIVATE_KEY);
    ASSERT_EQ(keys.size(), 1u);
    Bytes sig;
    ASSERT_EQ(sign(s, keys[0], kDoc, sig), CKR_OK);
    EXPECT_TRUE(verifies(certificateOf(s, keys[0]), kDoc, sig));
    EXPECT_EQ(pcscsim::pendingKeys(kPadReader), "");
    functions()->C_CloseSession(s);
    functions()->C_CloseSession(plain);
}

// pkcs11-tool, an application of its own, on the same pin-pad reader (the in-process
// PC/SC preloaded into it): the token says "PIN pad present", and with no PIN given
// the tool logs in on the pad and signs; openssl checks the signature.
TEST(Pkcs11PinPadTool, LogsInOnThePadAndSigns) {
    const std::string work = "/tmp/vn-p11pad-" + std::to_string(getpid());
    ASSERT_EQ(system(("mkdir -p " + work).c_str()), 0);
    std::ofstream(work + "/readers.txt") << "reader " << kPadReader << "\n  pinpad\n  card starcos35-a\n"
                                         << "  keys 123456\\r\n";
    std::ofstream(work + "/doc.txt") << kDoc;
    const std::string env = "CARDSIM_PKI_DIR=" VN_BINARY_DIR "/pki PCSCSIM_SETUP=" + work + "/readers.txt " + kPreload;
    const std::string tool = env + "pkcs11-tool --module " VN_PKCS11_MODULE " --token-label Signatur ";
    const std::string line = "cd " + work + " && " + tool + "-L >list.txt 2>&1 && " + tool +
                             "--login --sign -m SHA256-RSA-PKCS -i doc.txt -o doc.sig >sign.txt 2>&1 && " + tool +
                             "--read-object --type cert --id 01 -o cert.der >read.txt 2>&1 && "
                             "openssl x509 -inform DER -in cert.der -pubkey -noout >pub.pem && "
                             "openssl dgst -sha256 -verify pub.pem -signature doc.sig doc.txt >verify.txt 2>&1";
    const int rc = system(line.c_str());
    std::ifstream list(work + "/list.txt"), signLog(work + "/sign.txt");
    std::stringstream listed, signOut;
    listed << list.rdbuf();
    signOut << signLog.rdbuf();
    EXPECT_EQ(rc, 0) << listed.str() << signOut.str();
    EXPECT_NE(listed.str().find("PIN pad present"), std::string::npos) << listed.str();
    EXPECT_EQ(system(("rm -rf " + work).c_str()), 0);
}
