// TCOS 3.0 secure messaging on the real PC/SC stack: pcscd, vpcd and the simulated
// card (tcos30-sm). The key agreement is checked independently with OpenSSL's big
// numbers and the card's private key; signatures with the certificates' public keys.
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/sha.h>
#include <openssl/x509.h>
#include <unistd.h>

#include <cardsim/TestStack.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Des.h"
#include "SC_Profile_CardOS.h"
#include "Tcos3sm.h"
#include "card/tcos/Tcos3MakerKey.h"

namespace {

using Bytes = std::vector<unsigned char>;

const char kImage[] = "tcos30-sm";
const Bytes kSerial = {0x60, 0x03, 0x00, 0x00, 0x00, 0x65, 0x43, 0x21};  // last 8 bytes of the card's serial

std::string pki(const std::string& name) { return std::string(VN_BINARY_DIR) + "/pki/" + name; }

std::string hexOf(const Bytes& b) {
    static const char d[] = "0123456789ABCDEF";
    std::string s;
    for (unsigned char c : b) {
        s += d[c >> 4];
        s += d[c & 15];
    }
    return s;
}

Bytes sha(const EVP_MD* md, const Bytes& in) {
    Bytes out(EVP_MD_size(md));
    unsigned int n = 0;
    EVP_Digest(in.data(), in.size(), out.data(), &n, md, nullptr);
    return out;
}

struct PkeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;
struct BnFree {
    void operator()(BIGNUM* b) const { BN_free(b); }
};
using Bn = std::unique_ptr<BIGNUM, BnFree>;

Pkey certKey(const std::string& der) {
    std::ifstream f(pki(der), std::ios::binary);
    Bytes b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    const unsigned char* p = b.data();
    X509* x = d2i_X509(nullptr, &p, static_cast<long>(b.size()));
    Pkey k(x ? X509_get_pubkey(x) : nullptr);
    X509_free(x);
    return k;
}

Pkey privateKey(const std::string& pem) {
    FILE* f = std::fopen(pki(pem).c_str(), "r");
    if (!f)
        return nullptr;
    Pkey k(PEM_read_PrivateKey(f, nullptr, nullptr, nullptr));
    std::fclose(f);
    return k;
}

Bn param(EVP_PKEY* k, const char* name) {
    BIGNUM* b = nullptr;
    EVP_PKEY_get_bn_param(k, name, &b);
    return Bn(b);
}

Bytes bytesOf(const BIGNUM* b, int n = 0) {
    Bytes out(n ? n : BN_num_bytes(b));
    BN_bn2binpad(b, out.data(), static_cast<int>(out.size()));
    return out;
}

Bn bnOf(const Bytes& b) { return Bn(BN_bin2bn(b.data(), static_cast<int>(b.size()), nullptr)); }
Bn bnHex(const std::string& h) {
    BIGNUM* b = nullptr;
    BN_hex2bn(&b, h.c_str());
    return Bn(b);
}

// x^e mod n as 128 bytes, and the ISO/IEC 9796-2 opening: n - v when v does not end in BC.
Bytes modExp(const Bytes& x, const BIGNUM* e, const BIGNUM* n) {
    BN_CTX* ctx = BN_CTX_new();
    Bn r(BN_new());
    BN_mod_exp(r.get(), bnOf(x).get(), e, n, ctx);
    BN_CTX_free(ctx);
    return bytesOf(r.get(), 128);
}
Bytes open9796(Bytes v, const BIGNUM* n) {
    if (v.back() != 0xBC) {
        Bn r(BN_new());
        BN_sub(r.get(), n, bnOf(v).get());
        v = bytesOf(r.get(), 128);
    }
    return v;
}

bool verifyPkcs1(const std::string& cert, const Bytes& hash, const Bytes& sig) {
    Pkey k = certKey(cert);
    EVP_PKEY_CTX* c = EVP_PKEY_CTX_new(k.get(), nullptr);
    bool ok = c && EVP_PKEY_verify_init(c) == 1 && EVP_PKEY_CTX_set_rsa_padding(c, RSA_PKCS1_PADDING) == 1 &&
              EVP_PKEY_CTX_set_signature_md(c, EVP_sha256()) == 1 &&
              EVP_PKEY_verify(c, sig.data(), sig.size(), hash.data(), hash.size()) == 1;
    EVP_PKEY_CTX_free(c);
    return ok;
}

Bytes increment(Bytes c, int times) {
    while (times-- > 0)
        for (size_t i = c.size(); i-- > 0;)
            if (++c[i] != 0)
                break;
    return c;
}

Bytes retailMac(const unsigned char key[16], const Bytes& ssc, Bytes data) {
    data.push_back(0x80);
    while (data.size() % 8)
        data.push_back(0);
    DES_key_schedule k1, k2;
    DES_set_key_unchecked(reinterpret_cast<const_DES_cblock*>(const_cast<unsigned char*>(key)), &k1);
    DES_set_key_unchecked(reinterpret_cast<const_DES_cblock*>(const_cast<unsigned char*>(key + 8)), &k2);
    DES_cblock mac;
    DES_retail_mac(data.data(), static_cast<long>(data.size()), &k1, &k2,
                   reinterpret_cast<const_DES_cblock*>(const_cast<unsigned char*>(ssc.data())), &mac);
    return Bytes(mac, mac + 8);
}

Bytes session(const unsigned char* p, size_t n) { return Bytes(p, p + n); }
Bytes ssc() { return session(CTcos3sm::m_data.ssc, 8); }

// One stack with the card for every test of the program.
class Tcos3Sm : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (access("/usr/sbin/pcscd", X_OK) != 0)
            return;
        cardsim::StackOptions o;
        o.image0 = kImage;
        s_stack = new cardsim::TestStack(o);
    }
    static void TearDownTestSuite() {
        delete s_stack;
        s_stack = nullptr;
    }
    void SetUp() override {
        if (!s_stack)
            GTEST_SKIP() << "pcscd is not installed";
        ASSERT_TRUE(s_stack->ok()) << s_stack->error();
        card = open();
        ASSERT_TRUE(card);
        EXPECT_EQ(card->getCardSerial(), "80276003000000654321");
        mark();
    }
    // A connected card object with the card's authentication key and the PIN verified.
    static std::unique_ptr<CSC_Profile_TCOS30> open() {
        auto c = std::make_unique<CSC_Profile_TCOS30>();
        Pkey k = certKey("rsa1024.der");
        std::string pin = "123456";
        if (!k || c->connectCard(cardsim::TestStack::readerName(0), 0) != 0 ||
            c->SCVerify(0x81, reinterpret_cast<unsigned char*>(&pin[0]), 6) != 0)
            return nullptr;
        Bytes n = bytesOf(param(k.get(), OSSL_PKEY_PARAM_RSA_N).get()),
              e = bytesOf(param(k.get(), OSSL_PKEY_PARAM_RSA_E).get());
        if (c->SetSMKeys(n.data(), static_cast<unsigned short>(n.size()), e.data(),
                         static_cast<unsigned short>(e.size())) != 0)
            return nullptr;
        return c;
    }
    void TearDown() override { card.reset(); }

    void mark() { s_stack->mark(0); }
    std::vector<cardsim::TranscriptEntry> exchanges() { return s_stack->exchanges(0); }
    std::vector<cardsim::TranscriptEntry> withIns(unsigned char ins) {
        std::vector<cardsim::TranscriptEntry> out;
        for (auto& x : exchanges())
            if (x.command.size() > 1 && x.command[1] == ins)
                out.push_back(x);
        return out;
    }
    void fault(const std::string& rule) { ASSERT_TRUE(s_stack->fault(0, rule)) << rule; }
    // The same fault at each of the next `count` commands.
    void faults(int count, const std::string& what) {
        std::string rules;
        for (int i = 1; i <= count; ++i)
            rules += (i > 1 ? ",+" : "+") + std::to_string(i) + ":" + what;
        fault(rules);
    }

    int sign(const std::string& keyPath, int bits, const Bytes& hash, Bytes& sig) {
        sig.assign(static_cast<size_t>(bits) / 4, 0);
        unsigned long len = sig.size();
        int r = card->SignData(keyPath, 0x84, bits, 0x800C, const_cast<unsigned char*>(hash.data()), hash.size(),
                               sig.data(), &len, 3);
        sig.resize(r == 0 ? len : 0);
        return r;
    }

    static cardsim::TestStack* s_stack;
    std::unique_ptr<CSC_Profile_TCOS30> card;
};

cardsim::TestStack* Tcos3Sm::s_stack = nullptr;

}  // namespace

TEST_F(Tcos3Sm, AgreesOnTheSessionAndSignsOnBothKeyPaths) {
    ASSERT_EQ(card->PreSigning(3, "3f00df01c000"), 0);
    mark();
    ASSERT_EQ(card->InitSM(), 0);
    EXPECT_TRUE(card->isSmInitialized());
    auto x = exchanges();
    ASSERT_EQ(x.size(), 3u);
    // INTERNAL AUTHENTICATE: our challenge and the serial; the card's 128-byte block.
    const Bytes& ia = x[0].command;
    ASSERT_EQ(ia.size(), 5u + 16u + 1u);
    EXPECT_EQ(hexOf(Bytes(ia.begin(), ia.begin() + 5)), "0088000010");
    EXPECT_EQ(Bytes(ia.begin() + 13, ia.begin() + 21), kSerial);
    EXPECT_EQ(ia.back(), 0x00);
    for (size_t i = 5; i < 13; ++i)
        EXPECT_NE(ia[i], 0x7F);
    const Bytes rndIfd(ia.begin() + 5, ia.begin() + 13);
    ASSERT_EQ(x[0].response.size(), 130u);
    EXPECT_EQ(hexOf(x[1].command), "0084000008");
    ASSERT_EQ(x[1].response.size(), 10u);
    const Bytes rndIcc(x[1].response.begin(), x[1].response.begin() + 8);
    const Bytes& ea = x[2].command;
    ASSERT_EQ(ea.size(), 5u + 128u + 1u);
    EXPECT_EQ(hexOf(Bytes(ea.begin(), ea.begin() + 5)), "0082000080");
    EXPECT_EQ(hexOf(x[2].response), "9000");

    // Open both blocks with OpenSSL: the maker's private key and the card's key pair.
    vn_tcos3::MakerKeyText maker;
    ASSERT_TRUE(vn_tcos3::maker_key_text(maker));
    Bn mn = bnHex(maker.n), me = bnHex(maker.e), md = bnHex(maker.d);
    Pkey cardPriv = privateKey("rsa1024.key");
    ASSERT_TRUE(cardPriv);
    Bn cn = param(cardPriv.get(), OSSL_PKEY_PARAM_RSA_N), ce = param(cardPriv.get(), OSSL_PKEY_PARAM_RSA_E),
       cd = param(cardPriv.get(), OSSL_PKEY_PARAM_RSA_D);
    Bytes fromCard = open9796(
        modExp(modExp(Bytes(x[0].response.begin(), x[0].response.end() - 2), md.get(), mn.get()), ce.get(), cn.get()),
        cn.get());
    Bytes toCard =
        open9796(modExp(modExp(Bytes(ea.begin() + 5, ea.end() - 1), cd.get(), cn.get()), me.get(), mn.get()), mn.get());
    for (const Bytes* b : {&fromCard, &toCard}) {
        EXPECT_EQ((*b)[0], 0x6A);
        EXPECT_EQ(b->back(), 0xBC);
    }
    auto hashed = [&](const Bytes& block, const Bytes& rnd) {
        Bytes in(block.begin() + 1, block.begin() + 107);
        in.insert(in.end(), rnd.begin(), rnd.end());
        in.insert(in.end(), kSerial.begin(), kSerial.end());
        return sha(EVP_sha1(), in) == Bytes(block.begin() + 107, block.begin() + 127);
    };
    EXPECT_TRUE(hashed(fromCard, rndIfd));
    EXPECT_TRUE(hashed(toCard, rndIcc));
    Bytes k(36, 0);
    for (size_t i = 0; i < 32; ++i)
        k[i] = fromCard[75 + i] ^ toCard[75 + i];
    auto derived = [&](unsigned char counter) {
        k[35] = counter;
        Bytes h = sha(EVP_sha1(), k);
        return Bytes(h.begin(), h.begin() + 16);
    };
    EXPECT_EQ(session(CTcos3sm::m_data.encKey, 16), derived(1));
    EXPECT_EQ(session(CTcos3sm::m_data.macKey, 16), derived(2));
    Bytes ssc0(rndIcc.begin() + 4, rndIcc.end());
    ssc0.insert(ssc0.end(), rndIfd.begin() + 4, rndIfd.end());
    EXPECT_EQ(ssc(), ssc0);

    // The protected signature with the key of EF C000: the checksum with the counter
    // + 1, the answer's checksum with + 2.
    const Bytes hash = sha(EVP_sha256(), Bytes{'s', 'm'});
    Bytes sig;
    mark();
    ASSERT_EQ(sign("3F00DF01C000", 3072, hash, sig), 0);
    EXPECT_TRUE(verifyPkcs1("signer-rsa3072.der", hash, sig));
    x = exchanges();
    ASSERT_EQ(x.size(), 1u);
    const Bytes& pso = x[0].command;
    const std::string digestInfo = "3031300D060960864801650304020105000420" + hexOf(hash);
    ASSERT_EQ(pso.size(), 7u + 2u + 51u + 3u + 10u + 2u);
    EXPECT_EQ(hexOf(Bytes(pso.begin(), pso.begin() + 7)), "0C2A9E9A000042");
    EXPECT_EQ(hexOf(Bytes(pso.begin() + 7, pso.begin() + 65)), "8133" + digestInfo +
                                                                   "970100"
                                                                   "8E08");
    EXPECT_EQ(hexOf(Bytes(pso.end() - 2, pso.end())), "0000");
    Bytes macInput = {0x0C, 0x2A, 0x9E, 0x9A, 0x80, 0, 0, 0};
    macInput.insert(macInput.end(), pso.begin() + 7, pso.begin() + 63);
    EXPECT_EQ(Bytes(pso.begin() + 65, pso.begin() + 73),
              retailMac(CTcos3sm::m_data.macKey, increment(ssc0, 1), macInput));
    const Bytes& answer = x[0].response;
    ASSERT_GT(answer.size(), 14u);
    EXPECT_EQ(hexOf(Bytes(answer.begin(), answer.begin() + 5)), "8782018901");  // 384 bytes + padding block
    EXPECT_EQ(hexOf(Bytes(answer.end() - 16, answer.end() - 10)), "990290008E08");
    EXPECT_EQ(Bytes(answer.end() - 10, answer.end() - 2),
              retailMac(CTcos3sm::m_data.macKey, increment(ssc0, 2), Bytes(answer.begin(), answer.end() - 12)));
    EXPECT_EQ(hexOf(Bytes(answer.end() - 2, answer.end())), "9000");
    EXPECT_EQ(ssc(), increment(ssc0, 2));

    // The key of EF 5344 in the same session: no new agreement, the counter goes on.
    ASSERT_EQ(card->PreSigning(3, "3f00df015344"), 0);
    EXPECT_TRUE(card->isSmInitialized());
    mark();
    ASSERT_EQ(sign("3F00DF015344", 2048, hash, sig), 0);
    EXPECT_EQ(sig.size(), 256u);
    EXPECT_TRUE(verifyPkcs1("signer-rsa2048.der", hash, sig));
    x = exchanges();
    ASSERT_EQ(x.size(), 1u);
    EXPECT_EQ(Bytes(x[0].command.begin() + 65, x[0].command.begin() + 73),
              retailMac(CTcos3sm::m_data.macKey, increment(ssc0, 3), macInput));
    EXPECT_EQ(ssc(), increment(ssc0, 4));

    // The session ends with the card object: the record is wiped.
    card.reset();
    EXPECT_EQ(session(CTcos3sm::m_data.encKey, 16), Bytes(16, 0));
    EXPECT_EQ(ssc(), Bytes(8, 0));

    // A card object that has not read the serial number reads it for the agreement and
    // selects the key file again.
    card = open();
    ASSERT_TRUE(card);
    ASSERT_EQ(card->PreSigning(3, "3F00DF01C000"), 0);
    mark();
    ASSERT_EQ(card->InitSM(), 0);
    x = exchanges();
    ASSERT_GE(x.size(), 5u);
    EXPECT_EQ(hexOf(x.back().command).substr(0, 10), "0082000080");
    EXPECT_EQ(hexOf(x[x.size() - 4].command), "00A4020402C000FF");
    ASSERT_EQ(sign("3F00DF01C000", 3072, hash, sig), 0);
    EXPECT_TRUE(verifyPkcs1("signer-rsa3072.der", hash, sig));
}

TEST_F(Tcos3Sm, RetriesFailedCommandsAndBadBlocksThenGivesUpKeepingTheKeys) {
    ASSERT_EQ(card->PreSigning(3, "3F00DF015344"), 0);
    // A refused INTERNAL AUTHENTICATE, a short block, a refused GET CHALLENGE and a
    // refused EXTERNAL AUTHENTICATE each start the next attempt.
    mark();
    fault("+1:sw=6982,+2:truncate=60,+4:sw=6985,+7:sw=6300");
    ASSERT_EQ(card->InitSM(), 0);
    EXPECT_EQ(withIns(0x88).size(), 5u);
    EXPECT_EQ(withIns(0x84).size(), 3u);
    EXPECT_EQ(withIns(0x82).size(), 2u);
    EXPECT_EQ(exchanges().size(), 10u);

    // Blocks without 6A..BC (all-zero answers) up to attempt 8: attempt 9 succeeds.
    mark();
    faults(9, "zero");
    ASSERT_EQ(card->InitSM(), 0);
    EXPECT_EQ(withIns(0x88).size(), 10u);
    EXPECT_EQ(exchanges().size(), 12u);
    const Bytes enc = session(CTcos3sm::m_data.encKey, 16), mac = session(CTcos3sm::m_data.macKey, 16), counter = ssc();

    // A tenth bad block ends the agreement; the previous keys stay, unused.
    mark();
    faults(10, "zero");
    EXPECT_EQ(card->InitSM(), 255);
    EXPECT_FALSE(card->isSmInitialized());
    EXPECT_EQ(withIns(0x88).size(), 10u);
    EXPECT_EQ(exchanges().size(), 10u);
    EXPECT_EQ(session(CTcos3sm::m_data.encKey, 16), enc);
    EXPECT_EQ(session(CTcos3sm::m_data.macKey, 16), mac);
    EXPECT_EQ(ssc(), counter);
    Bytes sig;
    mark();
    EXPECT_EQ(sign("3F00DF015344", 2048, Bytes(32, 1), sig), 255);  // never signed unprotected
    EXPECT_TRUE(exchanges().empty());

    // Twelve failed attempts: -1, the keys as they were.
    mark();
    faults(12, "sw=6F00");
    EXPECT_EQ(card->InitSM(), 255);
    EXPECT_EQ(exchanges().size(), 12u);
    EXPECT_EQ(session(CTcos3sm::m_data.encKey, 16), enc);
    EXPECT_EQ(ssc(), counter);
}

TEST_F(Tcos3Sm, RefusesAHashMismatchAndAnAnswerWithAWrongChecksum) {
    ASSERT_EQ(card->PreSigning(3, "3F00DF01C000"), 0);
    // The card hashes its own serial number: another one gives a mismatch, at once.
    unsigned char other[10] = {0x80, 0x27, 0x60, 0x03, 0, 0, 0, 0x99, 0x99, 0x99};
    card->SetSerialNumber(other, sizeof other);
    mark();
    EXPECT_EQ(card->InitSM(), 255);
    EXPECT_EQ(exchanges().size(), 1u);
    EXPECT_FALSE(card->isSmInitialized());

    card->getCardSerial();
    ASSERT_EQ(card->PreSigning(3, "3F00DF01C000"), 0);
    ASSERT_EQ(card->InitSM(), 0);
    const Bytes counter = ssc();
    // One byte of the answer's checksum inverted: refused, the session ends on both sides.
    Bytes sig;
    const Bytes hash = sha(EVP_sha256(), Bytes{'m', 'a', 'c'});
    mark();
    fault("+1:corrupt=-1");
    EXPECT_EQ(sign("3F00DF01C000", 3072, hash, sig), 255);
    EXPECT_TRUE(sig.empty());
    EXPECT_FALSE(card->isSmInitialized());
    EXPECT_EQ(ssc(), Bytes(8, 0));  // the record is wiped
    EXPECT_EQ(session(CTcos3sm::m_data.macKey, 16), Bytes(16, 0));
    EXPECT_NE(counter, Bytes(8, 0));
    // An inverted byte of the cryptogram fails the checksum as well.
    ASSERT_EQ(card->InitSM(), 0);
    fault("+1:corrupt=10");
    EXPECT_EQ(sign("3F00DF01C000", 3072, hash, sig), 255);
    // A new agreement, and the key signs again.
    ASSERT_EQ(card->InitSM(), 0);
    ASSERT_EQ(sign("3F00DF01C000", 3072, hash, sig), 0);
    EXPECT_TRUE(verifyPkcs1("signer-rsa3072.der", hash, sig));
    // A card error under secure messaging ends the session too.
    fault("+1:sw=6982");
    EXPECT_EQ(sign("3F00DF01C000", 3072, hash, sig), 13);
    EXPECT_FALSE(card->isSmInitialized());
}

TEST_F(Tcos3Sm, WritesAndChecksTheMakerKey) {
    std::vector<unsigned char> block;
    ASSERT_TRUE(vn_tcos3::maker_key_block(block));
    // Other card types write and check nothing.
    mark();
    EXPECT_EQ(card->WriteQuorPubKey(), 0);
    EXPECT_TRUE(card->CheckQuorPubKey());
    EXPECT_TRUE(exchanges().empty());

    card->UpdateSCardType(2);
    vn_tcos3::MakerKeyText maker;
    ASSERT_TRUE(vn_tcos3::maker_key_text(maker));
    mark();
    EXPECT_TRUE(card->CheckQuorPubKey());
    auto x = exchanges();
    ASSERT_EQ(x.size(), 4u);
    EXPECT_EQ(hexOf(x[0].command), "00A40004023F00FF");
    EXPECT_EQ(hexOf(x[2].command), "00A40204024500FF");
    EXPECT_EQ(hexOf(x[3].command), "00B2050400");
    mark();
    EXPECT_EQ(card->WriteQuorPubKey(), 0);
    x = exchanges();
    ASSERT_EQ(x.size(), 1u);
    EXPECT_EQ(hexOf(x[0].command),
              "002281A48F"
              "830101"
              "7F4981888181"
              "80" +
                  maker.n +
                  "820301"
                  "0001");
    EXPECT_TRUE(card->CheckQuorPubKey());

    // Status words of the key write.
    const struct {
        const char* sw;
        int result;
    } rows[] = {{"6985", 4}, {"6982", 5}, {"6983", 5}, {"6984", 5}, {"6A80", 0}, {"6D00", 0}};
    std::string rules;
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i)
        rules += (i ? ",+" : "+") + std::to_string(i + 1) + ":sw=" + rows[i].sw;
    fault(rules);
    for (const auto& r : rows)
        EXPECT_EQ(card->WriteQuorPubKey(), r.result) << r.sw;
    // A different record (4 commands), an unreadable record (4), a missing file (3).
    fault("+4:corrupt=0,+8:sw=6A83,+11:sw=6A82");
    EXPECT_FALSE(card->CheckQuorPubKey());
    EXPECT_FALSE(card->CheckQuorPubKey());
    EXPECT_FALSE(card->CheckQuorPubKey());
    EXPECT_TRUE(card->CheckQuorPubKey());
}

TEST_F(Tcos3Sm, ConfiguredMakerKeyReplacesTheBuiltInOne) {
    // A settings file in a scratch working directory.
    char dir[] = "/tmp/vn-tcos3-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(dir), 0);
    card->UpdateSCardType(2);
    ASSERT_EQ(card->PreSigning(3, "3F00DF01C000"), 0);

    // Another key pair of the same form: written to the card, then the card's key differs.
    EVP_PKEY* k = EVP_RSA_gen(1024);
    ASSERT_NE(k, nullptr);
    auto hex = [&](const char* name, int bytes) {
        Bytes b = bytesOf(param(k, name).get(), bytes);
        return hexOf(b);
    };
    std::ofstream(std::string(dir) + "/settings.cfg")
        << "tcos3MakerKey = {\n  modulus = \"" << hex(OSSL_PKEY_PARAM_RSA_N, 128) << "\";\n  publicExponent = \""
        << hex(OSSL_PKEY_PARAM_RSA_E, 3) << "\";\n  privateExponent = \"" << hex(OSSL_PKEY_PARAM_RSA_D, 128)
        << "\";\n  prime1 = \"" << hex(OSSL_PKEY_PARAM_RSA_FACTOR1, 64) << "\";\n  prime2 = \""
        << hex(OSSL_PKEY_PARAM_RSA_FACTOR2, 64) << "\";\n  exponent1 = \"" << hex(OSSL_PKEY_PARAM_RSA_EXPONENT1, 64)
        << "\";\n  exponent2 = \"" << hex(OSSL_PKEY_PARAM_RSA_EXPONENT2, 64) << "\";\n  coefficient = \""
        << hex(OSSL_PKEY_PARAM_RSA_COEFFICIENT1, 64) << "\";\n};\n";
    const std::string modulus = hex(OSSL_PKEY_PARAM_RSA_N, 128);
    EVP_PKEY_free(k);
    EXPECT_FALSE(card->CheckQuorPubKey());
    mark();
    EXPECT_EQ(card->WriteQuorPubKey(), 0);
    EXPECT_EQ(hexOf(exchanges().at(0).command).substr(30, 256), modulus);
    EXPECT_TRUE(card->CheckQuorPubKey());
    // The card now knows the configured key: the agreement works with it.
    EXPECT_EQ(card->InitSM(), 0);

    // A broken group is refused, not replaced by the built-in pair.
    std::ofstream(std::string(dir) + "/settings.cfg") << "tcos3MakerKey = { modulus = \"12\"; };\n";
    mark();
    EXPECT_EQ(card->WriteQuorPubKey(), 255);
    EXPECT_FALSE(card->CheckQuorPubKey());
    EXPECT_EQ(card->InitSM(), 255);
    EXPECT_TRUE(exchanges().empty());

    // Back to the built-in pair, on the card as well.
    std::remove((std::string(dir) + "/settings.cfg").c_str());
    EXPECT_EQ(card->WriteQuorPubKey(), 0);
    EXPECT_TRUE(card->CheckQuorPubKey());
    EXPECT_EQ(chdir(old), 0);
    std::filesystem::remove_all(dir);
}
