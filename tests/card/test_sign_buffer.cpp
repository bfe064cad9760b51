// The block to be signed, checked against OpenSSL's own PKCS#1 v1.5 encoding.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "SC_Profile_CardOS.h"
#include "TestCardOs.h"
#include "card/SignBlocks.h"

namespace {
using Bytes = std::vector<unsigned char>;

struct PkeyFree {
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
};
struct CtxFree {
    void operator()(EVP_PKEY_CTX* p) const { EVP_PKEY_CTX_free(p); }
};

EVP_PKEY* rsaKey(int bits) {
    static std::unique_ptr<EVP_PKEY, PkeyFree> keys[2];
    int slot = bits == 1024 ? 0 : 1;
    if (!keys[slot]) {
        std::unique_ptr<EVP_PKEY_CTX, CtxFree> ctx(EVP_PKEY_CTX_new_id(EVP_PKEY_RSA, nullptr));
        EVP_PKEY_keygen_init(ctx.get());
        EVP_PKEY_CTX_set_rsa_keygen_bits(ctx.get(), bits);
        EVP_PKEY* k = nullptr;
        EVP_PKEY_keygen(ctx.get(), &k);
        keys[slot].reset(k);
    }
    return keys[slot].get();
}

// OpenSSL signs the digest with PKCS#1 v1.5; the public operation without padding
// gives back the encoded block EMSA-PKCS1-v1_5 produced.
Bytes opensslEncodedBlock(int bits, const EVP_MD* md, const Bytes& hash) {
    EVP_PKEY* key = rsaKey(bits);
    std::unique_ptr<EVP_PKEY_CTX, CtxFree> sctx(EVP_PKEY_CTX_new(key, nullptr));
    EVP_PKEY_sign_init(sctx.get());
    EVP_PKEY_CTX_set_rsa_padding(sctx.get(), RSA_PKCS1_PADDING);
    if (md)
        EVP_PKEY_CTX_set_signature_md(sctx.get(), md);
    size_t sigLen = 0;
    EVP_PKEY_sign(sctx.get(), nullptr, &sigLen, hash.data(), hash.size());
    Bytes sig(sigLen);
    if (EVP_PKEY_sign(sctx.get(), sig.data(), &sigLen, hash.data(), hash.size()) != 1)
        return {};
    std::unique_ptr<EVP_PKEY_CTX, CtxFree> vctx(EVP_PKEY_CTX_new(key, nullptr));
    EVP_PKEY_verify_recover_init(vctx.get());
    EVP_PKEY_CTX_set_rsa_padding(vctx.get(), RSA_NO_PADDING);
    Bytes em(sigLen);
    size_t emLen = em.size();
    if (EVP_PKEY_verify_recover(vctx.get(), em.data(), &emLen, sig.data(), sig.size()) != 1)
        return {};
    em.resize(emLen);
    // the recovered integer lost no leading zero bytes in NO_PADDING mode, but be safe
    while (em.size() < sigLen)
        em.insert(em.begin(), 0);
    return em;
}

Bytes build(unsigned algId, int bits, const Bytes& hash, bool pad, int* rc = nullptr) {
    CTestCardOs card;
    unsigned char* out = nullptr;
    unsigned long len = 0;
    int r = card.BuildSignBuffer(algId, bits, const_cast<unsigned char*>(hash.data()), hash.size(), &out, &len, pad);
    if (rc)
        *rc = r;
    Bytes b;
    if (out)
        b.assign(out, out + len);
    delete[] out;
    return b;
}

Bytes randomBytes(size_t n) {
    Bytes b(n);
    RAND_bytes(b.data(), static_cast<int>(n));
    return b;
}
}  // namespace

TEST(BuildSignBuffer, PaddedBlocksEqualOpenSSLPkcs1Encoding) {
    struct Case {
        unsigned algId;
        const EVP_MD* md;
        size_t hashLen;
        // clang-format off
    } cases[] = {
        {0x8003, EVP_md5(), 16},     {0x8004, EVP_sha1(), 20},   {0x8007, EVP_ripemd160(), 20},
        {0x800C, EVP_sha256(), 32}, {0x800D, EVP_sha384(), 48}, {0x800E, EVP_sha512(), 64},
    };
    // clang-format on
    for (int bits : {1024, 2048}) {
        for (const auto& c : cases) {
            Bytes hash = randomBytes(c.hashLen);
            Bytes expected = opensslEncodedBlock(bits, c.md, hash);
            ASSERT_FALSE(expected.empty());
            EXPECT_EQ(build(c.algId, bits, hash, true), expected) << std::hex << c.algId << " " << bits;
        }
    }
}

TEST(BuildSignBuffer, Sha1On2048BitsHasTheDocumentedLayout) {
    Bytes hash = randomBytes(20);
    Bytes b = build(0x8004, 2048, hash, true);
    ASSERT_EQ(b.size(), 256u);
    EXPECT_EQ(b[0], 0x00);
    EXPECT_EQ(b[1], 0x01);
    for (size_t i = 2; i < 220; ++i)
        ASSERT_EQ(b[i], 0xFF) << i;
    Bytes tail = {0x00, 0x30, 0x21, 0x30, 0x09, 0x06, 0x05, 0x2B, 0x0E, 0x03, 0x02, 0x1A, 0x05, 0x00, 0x04, 0x14};
    EXPECT_EQ(Bytes(b.begin() + 220, b.begin() + 236), tail);
    EXPECT_EQ(Bytes(b.begin() + 236, b.end()), hash);
}

TEST(BuildSignBuffer, UnpaddedDigestInfoRawDataAndMd5Sha1) {
    Bytes hash = randomBytes(32);
    Bytes di = build(0x800C, 2048, hash, false);
    ASSERT_EQ(di.size(), 13u + 32 + 6);
    EXPECT_EQ(di[0], 0x30);
    EXPECT_EQ(di[1], 13 + 32 + 4);
    // any unknown algorithm is SHA-256
    EXPECT_EQ(build(0x1234, 2048, hash, false), di);

    Bytes raw = randomBytes(36);
    EXPECT_EQ(build(0xFFFF, 2048, raw, false), raw);
    EXPECT_EQ(build(0x8008, 2048, raw, false), raw);
    Bytes padded = build(0x8008, 1024, raw, true);
    ASSERT_EQ(padded.size(), 128u);
    EXPECT_EQ(Bytes(padded.end() - 36, padded.end()), raw);
    EXPECT_EQ(padded[128 - 37], 0x00);
    // the same as OpenSSL's encoding without a DigestInfo
    EXPECT_EQ(padded, opensslEncodedBlock(1024, nullptr, raw));
}

TEST(BuildSignBuffer, BlockThatCannotBePaddedIsRefused) {
    int rc = 0;
    Bytes b = build(0x800E, 512, randomBytes(64), true, &rc);
    EXPECT_EQ(rc, 255);
    EXPECT_TRUE(b.empty());
    build(0x800C, 2048, randomBytes(200), false, &rc);  // longer than a short DigestInfo can hold
    EXPECT_EQ(rc, 255);
}

TEST(BuildSignBuffer, ExpandBufferPrependsZeroAndGetSigAlgOID) {
    unsigned char* buf = new unsigned char[3]{1, 2, 3};
    unsigned long len = 3;
    CSC_Profile_Base::ExpandBuffer(&buf, &len);
    ASSERT_EQ(len, 4u);
    EXPECT_EQ(Bytes(buf, buf + 4), (Bytes{0, 1, 2, 3}));
    delete[] buf;

    CTestCardOs card;
    unsigned char oid[16];
    unsigned long l = 0;
    card.GetSigAlgOID(0x8008, oid, &l);
    EXPECT_EQ(l, 0u);
    card.GetSigAlgOID(0x800D, oid, &l);
    EXPECT_EQ(Bytes(oid, oid + l),
              (Bytes{0x06, 0x09, 0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x02, 0x05, 0x00}));
}

// The owned sign block carries exactly what each card OS's BuildSignBuffer frames.
TEST(BuildSignBuffer, SignBlockHoldsEachCardOsFraming) {
    using vn_cardos::SignBlock;
    Bytes hash = randomBytes(32);
    SignBlock block;
    CTestCardOs base;
    for (bool pad : {false, true}) {
        ASSERT_TRUE(vn_cardos::buildSignBlock(base, 0x800C, 2048, hash.data(), hash.size(), pad, block));
        EXPECT_EQ(block, build(0x800C, 2048, hash, pad));
        SignBlock direct;
        ASSERT_TRUE(vn_cardos::digestInfoBlock(0x800C, 2048, hash.data(), hash.size(), pad, direct));
        EXPECT_EQ(direct, block);
    }
    vn_cardos::prependZero(block);
    ASSERT_EQ(block.size(), 257u);
    EXPECT_EQ(Bytes(block.begin(), block.begin() + 3), (Bytes{0x00, 0x00, 0x01}));

    // CardOS 5.0 and STARCOS 3.5 (PSS allowed): the hash itself.
    CSC_Profile_CardOS50 cardos50;
    ASSERT_TRUE(vn_cardos::buildSignBlock(cardos50, 0x800C, 2048, hash.data(), hash.size(), true, block));
    EXPECT_EQ(block, hash);
    EXPECT_FALSE(vn_cardos::buildSignBlock(cardos50, 0x800C, 64, hash.data(), hash.size(), true, block));
    EXPECT_TRUE(block.empty());
    CSC_Profile_StarCos35 starcos35;
    ASSERT_TRUE(vn_cardos::buildSignBlock(starcos35, 0x1800C, 2048, hash.data(), hash.size(), false, block));
    EXPECT_EQ(block, hash);
    // SECCOS 5: the hash in data object 90 unpadded, the base's block padded.
    CSC_Profile_SecCos5 seccos5;
    ASSERT_TRUE(vn_cardos::buildSignBlock(seccos5, 0x800C, 2048, hash.data(), hash.size(), false, block));
    Bytes object(2 + hash.size());
    object[0] = 0x90;
    object[1] = 0x20;
    std::copy(hash.begin(), hash.end(), object.begin() + 2);
    EXPECT_EQ(block, object);
    ASSERT_TRUE(vn_cardos::buildSignBlock(seccos5, 0x800C, 1024, hash.data(), hash.size(), true, block));
    EXPECT_EQ(block, build(0x800C, 1024, hash, true));
    // TCOS 3.0 (signature application): elliptic-curve keys sign the hash, RSA keys the DigestInfo.
    CSC_Profile_TCOS30V2 tcos;
    ASSERT_TRUE(vn_cardos::buildSignBlock(tcos, 0x800C, 256, hash.data(), hash.size(), false, block));
    EXPECT_EQ(block, hash);
    ASSERT_TRUE(vn_cardos::buildSignBlock(tcos, 0x800C, 2048, hash.data(), hash.size(), false, block));
    EXPECT_EQ(block, build(0x800C, 2048, hash, false));
    EXPECT_FALSE(vn_cardos::buildSignBlock(tcos, 0x800C, 256, nullptr, 0, false, block));

    // The interface's hand-over: a new array of the block's bytes.
    unsigned char* out = nullptr;
    unsigned long outLength = 0;
    ASSERT_EQ(vn_cardos::handOut(object, &out, &outLength), 0);
    std::unique_ptr<unsigned char[]> owned(out);
    EXPECT_EQ(Bytes(out, out + outLength), object);
    EXPECT_EQ(vn_cardos::handOut(object, nullptr, &outLength), 255);
}

TEST(CardObject, SerialKeysNamesAndHexHelpers) {
    CTestCardOs card;
    unsigned char serial[20];
    for (int i = 0; i < 20; ++i)
        serial[i] = static_cast<unsigned char>(i);
    card.SetSerialNumber(serial, 3);
    EXPECT_EQ(card.getCardSerial(), "000102");

    unsigned char k1[4] = {1, 2, 3, 4};
    std::vector<unsigned char> big(513, 7);
    EXPECT_EQ(card.SetSMKeys(k1, 4, k1, 4), 0);
    EXPECT_EQ(card.SetSMKeys(k1, 4, big.data(), 513), 255);
    EXPECT_EQ(card.SetSMKeys(nullptr, 0, k1, 4), 255);

    EXPECT_TRUE(card.UpdateSCardType(14));
    EXPECT_EQ(card.getCardName(), "Starcos 3.5");
    card.UpdateSCardType(8);
    EXPECT_EQ(card.getCardName(), "unknown smartcard");
    EXPECT_EQ(card.DetermineCardOS("---"), 0);
    EXPECT_EQ(card.DetermineCardOS("3B:D2:18:00:81:31:FE:58:C9:04:11"), 17);

    unsigned char out[8];
    unsigned short n = 0;
    EXPECT_TRUE(CSC_Profile_Base::str2hex("3f00DF01", out, &n));
    EXPECT_EQ(n, 4);
    n = 2;
    CSC_Profile_Base::str2hex("3f00DF01", out, &n);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(CSC_Profile_Base::hex2str(out, 2), "3f00");
    EXPECT_EQ(card.maxRead(), 240);
}
