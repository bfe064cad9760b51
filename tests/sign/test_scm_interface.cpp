// The key interface on simulated STARCOS 3.5 cards: PIN entry modes and dialogs,
// signing and decryption, the PIN cache and single-signature cards.
#include <openssl/rsa.h>
#include <openssl/sha.h>

#include <cstring>

#include "SignSim.h"
#include "cardapp/ProfileCache.h"

std::vector<FPINDialogCallBackParams> DialogHost::calls;
std::deque<std::string> DialogHost::pins;
bool DialogHost::retry = false;

namespace {
const uint8_t INS_VERIFY = 0x20, INS_PSO = 0x2A, INS_CHANGE = 0x24;
const int SIG_CERT = 0;   // "Signing Cert", signature PIN 81 in DF 0604
const int AUTH_CERT = 2;  // "Auth Cert", global PIN 06

std::vector<unsigned char> sha256(const std::string& s) {
    std::vector<unsigned char> d(32);
    SHA256(reinterpret_cast<const unsigned char*>(s.data()), s.size(), d.data());
    return d;
}
}  // namespace

TEST_F(SignSim, PassedWrongPinIsTriedOnceWithoutRetryQuestionAndRightPinVerifies) {
    auto card = insert("starcos35-a");
    DialogHost::install();
    DialogHost::retry = true;  // would ask for another attempt if asked
    auto key = openKey(SIG_CERT);
    ASSERT_NE(key, nullptr);
    size_t before = count(*card, INS_VERIFY);
    EXPECT_FALSE(key->VerifyPIN("999999"));
    EXPECT_EQ(count(*card, INS_VERIFY) - before, 1u);
    EXPECT_TRUE(DialogHost::messages().empty());
    EXPECT_EQ(card->pinTriesLeft("3F00/0604", 0x81), 2);
    EXPECT_TRUE(key->VerifyPIN("123456"));
    EXPECT_EQ(card->pinTriesLeft("3F00/0604", 0x81), 3);
}

TEST_F(SignSim, InitialPinStatusIsShownEvenForAPassedPin) {
    auto card = insert("starcos35-a");
    DialogHost::install();
    auto key = openKey(SIG_CERT);
    ASSERT_NE(key, nullptr);
    // After a first verification the PIN folder is selected, so the next command is the
    // VERIFY; the card answers it with "initial PIN still active".
    ASSERT_TRUE(key->VerifyPIN("123456"));
    card->addFaultAfter(1, cardsim::Fault{cardsim::Fault::Kind::StatusWord, 0, 0x6985, 0});
    EXPECT_FALSE(key->VerifyPIN("123456"));
    auto msgs = DialogHost::messages();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].messageCode, 1);
    EXPECT_EQ(msgs[0].text, "Initial PIN is active, please change the PIN.");
    EXPECT_EQ(msgs[0].readerName, "Virtual PCD 00 00");
    EXPECT_EQ(msgs[0].userValue, 1);  // the signature PIN's index
    const cardsim::Exchange& last = card->transcript().back();
    ASSERT_GE(last.command.size(), 2u);
    EXPECT_EQ(last.command[1], INS_VERIFY);
    EXPECT_EQ(last.response, (cardsim::Bytes{0x69, 0x85}));
}

TEST_F(SignSim, RetryLoopFollowsTheHostAndBlockedPinEndsIt) {
    auto card = insert("starcos35-a");
    DialogHost::install();
    DialogHost::pins = {"111111", "123456"};
    DialogHost::retry = true;
    auto key = openKey(SIG_CERT);
    ASSERT_NE(key, nullptr);
    size_t before = count(*card, INS_VERIFY);
    EXPECT_TRUE(key->VerifyPIN(""));
    EXPECT_EQ(count(*card, INS_VERIFY) - before, 2u);
    auto msgs = DialogHost::messages();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].messageCode, 2);
    EXPECT_EQ(msgs[0].text, "PIN is wrong.");
    // The keyboard prompt names the PIN and asks for the computer keyboard.
    ASSERT_FALSE(DialogHost::calls.empty());
    EXPECT_EQ(DialogHost::calls[0].action, PIN_DLG_SHOW);
    EXPECT_FALSE(DialogHost::calls[0].pinPad);
    EXPECT_NE(DialogHost::calls[0].text.find("with the computer keyboard."), std::string::npos);

    // The host declines another attempt: one entry, one question.
    DialogHost::install();
    DialogHost::pins = {"111111"};
    before = count(*card, INS_VERIFY);
    EXPECT_FALSE(key->VerifyPIN(""));
    EXPECT_EQ(count(*card, INS_VERIFY) - before, 1u);

    // Wrong PINs until the card blocks it: the last dialog says blocked and asks nothing.
    DialogHost::install();
    DialogHost::pins = {"111111", "222222", "333333", "444444"};
    DialogHost::retry = true;
    EXPECT_FALSE(key->VerifyPIN(""));
    EXPECT_EQ(card->pinTriesLeft("3F00/0604", 0x81), 0);
    msgs = DialogHost::messages();
    ASSERT_FALSE(msgs.empty());
    EXPECT_EQ(msgs.back().messageCode, 3);
    EXPECT_EQ(msgs.back().text, "PIN is blocked.");
    EXPECT_FALSE(key->VerifyPIN("123456"));
}

TEST_F(SignSim, CancelledKeyboardEntryIsReportedAndLeavesThePinUnverified) {
    auto card = insert("starcos35-a");
    DialogHost::install();  // no PIN to hand out: the dialog is cancelled
    auto key = openKey(SIG_CERT);
    ASSERT_NE(key, nullptr);
    size_t before = count(*card, INS_VERIFY);
    EXPECT_FALSE(key->VerifyPIN(""));
    EXPECT_EQ(count(*card, INS_VERIFY), before);
    auto msgs = DialogHost::messages();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].messageCode, 4);
    EXPECT_EQ(msgs[0].text, "The PIN entry via the keyboard of the computer was canceled.");
    unsigned char digest[32] = {0};
    unsigned char sig[512];
    uint32_t len = sizeof(sig);
    EXPECT_EQ(key->SignBlob(digest, 32, sig, &len, nullptr, 1, true, true), 0xFF);
}

TEST_F(SignSim, ServiceModeShowsNoDialogAndDoesNotChangePins) {
    auto card = insert("starcos35-a");
    DialogHost::install();
    DialogHost::pins = {"123456"};
    CSCUtils::SetIsService(true);
    auto key = openKey(SIG_CERT);
    ASSERT_NE(key, nullptr);
    size_t before = apdus(*card);
    EXPECT_FALSE(key->VerifyPIN(""));
    EXPECT_TRUE(DialogHost::calls.empty());
    EXPECT_FALSE(key->VerifyPIN("999999"));
    EXPECT_TRUE(DialogHost::messages().empty());
    size_t afterVerify = apdus(*card);
    EXPECT_GT(afterVerify, before);
    EXPECT_TRUE(key->ModifyPIN("123456", "654321"));
    EXPECT_EQ(apdus(*card), afterVerify);
    EXPECT_EQ(count(*card, INS_CHANGE), 0u);
}

TEST_F(SignSim, PinPadIsUsedForAnEmptyPinButNeverOnAcsReaders) {
    auto card = insert("starcos35-a", "Virtual PCD 00 00", true);
    pcscsim::scriptKeys("Virtual PCD 00 00", "123456\r");
    DialogHost::install();
    {
        auto key = openKey(SIG_CERT);
        ASSERT_NE(key, nullptr);
        EXPECT_TRUE(key->VerifyPIN(""));
        ASSERT_FALSE(DialogHost::calls.empty());
        EXPECT_TRUE(DialogHost::calls[0].pinPad);
        EXPECT_NE(DialogHost::calls[0].text.find("with the reader keypad."), std::string::npos);
    }
    pcscsim::reset();
    vn_profile_cache::clear();
    auto acs = insert("starcos35-a", "ACS CCID USB Reader 0", true);
    pcscsim::scriptKeys("ACS CCID USB Reader 0", "123456\r");
    DialogHost::install();
    DialogHost::pins = {"123456"};
    auto key = openKey(SIG_CERT);
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(key->VerifyPIN(""));
    ASSERT_FALSE(DialogHost::calls.empty());
    EXPECT_FALSE(DialogHost::calls[0].pinPad);
    EXPECT_EQ(DialogHost::calls[0].text, "Please enter Signature PIN with the computer keyboard.");
    EXPECT_EQ(pcscsim::pendingKeys("ACS CCID USB Reader 0"), "123456\r");
}

TEST_F(SignSim, SignBlobNeedsTheVerifiedPinAndChecksTheDigestLengthBeforeTheCard) {
    auto card = insert("starcos35-a");
    auto key = openKey(SIG_CERT);
    ASSERT_NE(key, nullptr);
    std::vector<unsigned char> digest = sha256("abc");
    unsigned char sig[512];
    uint32_t len = sizeof(sig);
    size_t before = apdus(*card);
    EXPECT_EQ(key->SignBlob(digest.data(), 32, sig, &len, nullptr, 1, true, true), 0xFF);  // PIN not verified
    EXPECT_EQ(apdus(*card), before);
    ASSERT_TRUE(key->VerifyPIN("123456"));
    before = apdus(*card);
    EXPECT_EQ(key->SignBlob(digest.data(), 32, sig, &len, nullptr, 0, true, true), 0xFF);  // 32 bytes for SHA-1
    EXPECT_EQ(apdus(*card), before);

    EXPECT_EQ(key->SignBlob(digest.data(), 32, sig, &len, nullptr, 1, true, true), 0);
    EXPECT_EQ(len, 256u);
    EVP_PKEY* pub = pkiKey("signer-rsa2048.der");
    ASSERT_NE(pub, nullptr);
    EXPECT_TRUE(verifies(pub, EVP_sha256(), digest, sig, len));

    // An unknown algorithm id hashes with SHA-256 and the card gets the SHA-256 code.
    const std::string text = "data hashed by the key interface";
    len = sizeof(sig);
    EXPECT_EQ(key->SignBlob(reinterpret_cast<unsigned char*>(const_cast<char*>(text.data())),
                            static_cast<int32_t>(text.size()), sig, &len, nullptr, 9, false, true),
              0);
    EXPECT_TRUE(verifies(pub, EVP_sha256(), sha256(text), sig, len));

    // A buffer smaller than the signature is refused with the length needed.
    uint32_t small = 100;
    EXPECT_EQ(key->SignBlob(digest.data(), 32, sig, &small, nullptr, 1, true, true), 0xFF);
    EXPECT_EQ(small, 256u);
    // Length only.
    uint32_t only = 0;
    EXPECT_EQ(key->SignBlob(digest.data(), 32, nullptr, &only, nullptr, 1, true, true), 0);
    EXPECT_EQ(only, 256u);
    EVP_PKEY_free(pub);
}

TEST_F(SignSim, HashTheCardCannotFrameIsRefusedBeforeTheCardAndAnEmptyAnswerFails) {
    auto card = insert("cardos50-dtrust");  // the card frames SHA-256 hashes only
    auto key = openKey(0);
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->VerifyPIN("123456"));
    unsigned char sig[512];
    uint32_t len = sizeof(sig);
    std::vector<unsigned char> sha1(20, 0x11);
    size_t before = apdus(*card);
    EXPECT_EQ(key->SignBlob(sha1.data(), 20, sig, &len, nullptr, 0, true, true), 0xFF);
    EXPECT_EQ(apdus(*card), before);
    // The PSO is the second command (after MSE RESTORE); it answers 9000 and no data.
    std::vector<unsigned char> digest = sha256("abc");
    card->addFaultAfter(2, cardsim::Fault{cardsim::Fault::Kind::StatusWord, 0, 0x9000, 0});
    EXPECT_EQ(key->SignBlob(digest.data(), 32, sig, &len, nullptr, 1, true, true), 0xFF);
    EXPECT_EQ(card->transcript().back().response, (cardsim::Bytes{0x90, 0x00}));
    EXPECT_EQ(card->transcript().back().command[1], INS_PSO);
}

TEST_F(SignSim, SingleSignatureCardNeedsThePinForEverySignature) {
    auto card = insert("starcos35-b");
    auto key = openKey(SIG_CERT);
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->VerifyPIN("123456"));
    std::vector<unsigned char> digest = sha256("one");
    unsigned char sig[512];
    uint32_t len = sizeof(sig);
    EXPECT_EQ(key->SignBlob(digest.data(), 32, sig, &len, nullptr, 1, true, true), 0);
    size_t before = count(*card, INS_PSO);
    len = sizeof(sig);
    EXPECT_EQ(key->SignBlob(digest.data(), 32, sig, &len, nullptr, 1, true, true), 0xFF);
    EXPECT_EQ(count(*card, INS_PSO), before);
    ASSERT_TRUE(key->VerifyPIN("123456"));
    len = sizeof(sig);
    EXPECT_EQ(key->SignBlob(digest.data(), 32, sig, &len, nullptr, 1, true, true), 0);
}

TEST_F(SignSim, MultiSignatureCardKeepsThePinAndDecryptsWithTheAuthenticationKey) {
    auto card = insert("starcos35-a");
    auto key = openKey(SIG_CERT);
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->VerifyPIN("123456"));
    std::vector<unsigned char> digest = sha256("two");
    unsigned char sig[512];
    for (int i = 0; i < 2; ++i) {
        uint32_t len = sizeof(sig);
        EXPECT_EQ(key->SignBlob(digest.data(), 32, sig, &len, nullptr, 1, true, true), 0);
    }
    key.reset();

    auto auth = openKey(AUTH_CERT);
    ASSERT_NE(auth, nullptr);
    EVP_PKEY* pub = pkiKey("auth-rsa2048.der");
    ASSERT_NE(pub, nullptr);
    const unsigned char secret[] = "session key 0123456789";
    unsigned char block[256];
    size_t blockLen = sizeof(block);
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(pub, nullptr);
    ASSERT_TRUE(ctx && EVP_PKEY_encrypt_init(ctx) == 1 && EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING) == 1 &&
                EVP_PKEY_encrypt(ctx, block, &blockLen, secret, sizeof(secret)) == 1);
    EVP_PKEY_CTX_free(ctx);
    EVP_PKEY_free(pub);
    unsigned char plain[512];
    uint32_t plainLen = sizeof(plain);
    EXPECT_EQ(auth->DecryptBlob(block, static_cast<int32_t>(blockLen), plain, &plainLen, nullptr, false), 0xFF);
    ASSERT_TRUE(auth->VerifyPIN("123456"));
    plainLen = sizeof(plain);
    ASSERT_EQ(auth->DecryptBlob(block, static_cast<int32_t>(blockLen), plain, &plainLen, nullptr, false), 0);
    ASSERT_EQ(plainLen, sizeof(secret));
    EXPECT_EQ(memcmp(plain, secret, sizeof(secret)), 0);
}

TEST_F(SignSim, ChangedPinIsTheOneThatVerifiesAfterwards) {
    auto card = insert("starcos35-a");
    auto key = openKey(SIG_CERT);
    ASSERT_NE(key, nullptr);
    EXPECT_FALSE(key->ModifyPIN("000000", "654321"));
    EXPECT_TRUE(key->ModifyPIN("123456", "654321"));
    EXPECT_TRUE(key->VerifyPIN("654321"));
    EXPECT_FALSE(key->VerifyPIN("123456"));
}

TEST_F(SignSim, NothingToVerifyWithoutAProfileOrCertificateEntry) {
    CSCM_Interface none(nullptr, nullptr, 0, 0, "0", myHinstDLL);
    EXPECT_TRUE(none.VerifyPIN("1234"));
    EXPECT_TRUE(none.ModifyPIN("", ""));
    unsigned char d[32] = {0};
    uint32_t len = 512;
    EXPECT_EQ(none.SignBlob(d, 32, nullptr, &len, nullptr, 1, true, false), 0xFF);
    EXPECT_EQ(none.DecryptBlob(d, 32, nullptr, &len, nullptr, false), 0xFF);
    EXPECT_EQ(none.GetProfile(), nullptr);

    auto card = insert("starcos35-a");
    auto key = openKey(40);
    ASSERT_NE(key, nullptr);
    size_t before = apdus(*card);
    EXPECT_TRUE(key->VerifyPIN("999999"));
    EXPECT_EQ(apdus(*card), before);
    EXPECT_EQ(key->SignBlob(d, 32, nullptr, &len, nullptr, 1, true, false), 0xFF);
}
