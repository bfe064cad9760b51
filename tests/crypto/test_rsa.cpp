// CRsaSmall and CRsa: round trips, agreement with OpenSSL's raw RSA, refused inputs.
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "Rsa.h"
#include "RsaSmall.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct RsaDel {
    void operator()(RSA* r) const { RSA_free(r); }
};
using RsaPtr = std::unique_ptr<RSA, RsaDel>;

RsaPtr generate(int bits) {
    RsaPtr rsa(RSA_new());
    BIGNUM* e = BN_new();
    BN_set_word(e, 65537);
    RSA_generate_key_ex(rsa.get(), bits, e, nullptr);
    BN_free(e);
    return rsa;
}

Bytes bytesOf(const BIGNUM* b) {
    Bytes v(static_cast<size_t>(BN_num_bytes(b)));
    BN_bn2bin(b, v.data());
    return v;
}

// Loads the OpenSSL key into a CRsaSmall: with d, or only with the CRT values.
void load(CRsaSmall& key, RSA* rsa, bool withD) {
    auto set = [](int (CRsaSmall::*f)(unsigned char*, unsigned short), CRsaSmall& k, const BIGNUM* b) {
        Bytes v = bytesOf(b);
        ASSERT_EQ((k.*f)(v.data(), static_cast<unsigned short>(v.size())), 0);
    };
    set(&CRsaSmall::Set_n, key, RSA_get0_n(rsa));
    set(&CRsaSmall::Set_e, key, RSA_get0_e(rsa));
    if (withD) {
        set(&CRsaSmall::Set_d, key, RSA_get0_d(rsa));
    } else {
        set(&CRsaSmall::Set_p, key, RSA_get0_p(rsa));
        set(&CRsaSmall::Set_q, key, RSA_get0_q(rsa));
        set(&CRsaSmall::Set_dmp1, key, RSA_get0_dmp1(rsa));
        set(&CRsaSmall::Set_dmq1, key, RSA_get0_dmq1(rsa));
        set(&CRsaSmall::Set_iqmp, key, RSA_get0_iqmp(rsa));
    }
}

// A random message below the modulus (top byte cleared).
Bytes randomBelow(size_t size) {
    Bytes m(size);
    RAND_bytes(m.data(), static_cast<int>(m.size()));
    m[0] &= 0x7F;
    return m;
}

}  // namespace

TEST(RsaSmall, AgreesWithOpenSSLRawRsaOnRandomKeysWithDAndWithCrt) {
    for (int bits : {1024, 1536, 2048}) {
        for (bool withD : {true, false}) {
            SCOPED_TRACE(::testing::Message() << bits << " bits, " << (withD ? "d" : "CRT"));
            RsaPtr rsa = generate(bits);
            CRsaSmall key;
            load(key, rsa.get(), withD);
            const size_t size = static_cast<size_t>(RSA_size(rsa.get()));
            Bytes m = randomBelow(size), mine(size), ref(size), back(size);

            ASSERT_EQ(key.PrivateKeyEncrypt(m.data(), static_cast<int>(m.size()), mine.data(), static_cast<int>(size)),
                      0);
            ASSERT_EQ(RSA_private_encrypt(static_cast<int>(size), m.data(), ref.data(), rsa.get(), RSA_NO_PADDING),
                      static_cast<int>(size));
            EXPECT_EQ(mine, ref);
            ASSERT_EQ(key.PublicKeyDecrypt(mine.data(), static_cast<int>(size), back.data(), static_cast<int>(size)),
                      0);
            EXPECT_EQ(back, m);

            ASSERT_EQ(key.PublicKeyEncrypt(m.data(), static_cast<int>(size), mine.data(), static_cast<int>(size)), 0);
            ASSERT_EQ(RSA_public_encrypt(static_cast<int>(size), m.data(), ref.data(), rsa.get(), RSA_NO_PADDING),
                      static_cast<int>(size));
            EXPECT_EQ(mine, ref);
            ASSERT_EQ(key.PrivateKeyDecrypt(mine.data(), static_cast<int>(size), back.data(), static_cast<int>(size)),
                      0);
            EXPECT_EQ(back, m);
            ASSERT_EQ(key.RsaDP(mine.data(), static_cast<int>(size), back.data(), static_cast<int>(size)), 0);
            EXPECT_EQ(back, m);
        }
    }
}

TEST(RsaSmall, ShortInputsAndOutputsArePaddedAndModulusCopiesOut) {
    RsaPtr rsa = generate(1024);
    CRsaSmall key;
    load(key, rsa.get(), true);
    unsigned char in[3] = {0x01, 0x02, 0x03};
    Bytes c(200, 0xEE), back(130, 0xEE);
    ASSERT_EQ(key.PublicKeyEncrypt(in, 3, c.data(), 200), 0);  // 200 bytes, left-padded
    EXPECT_EQ(c[0], 0);
    ASSERT_EQ(key.PrivateKeyDecrypt(c.data(), 200, back.data(), 130), 0);
    EXPECT_EQ(back[126], 0);
    EXPECT_EQ(back[127], 0x01);
    EXPECT_EQ(back[129], 0x03);

    Bytes n(128);
    int len = 10;
    EXPECT_EQ(key.PubKeyGetModulus(n.data(), &len), -1);
    EXPECT_EQ(len, 128);
    ASSERT_EQ(key.PubKeyGetModulus(n.data(), &len), 0);
    EXPECT_EQ(n, bytesOf(RSA_get0_n(rsa.get())));
    unsigned char e[8];
    len = sizeof e;
    ASSERT_EQ(key.PubKeyGetExponent(e, &len), 0);
    EXPECT_EQ(len, 3);
    EXPECT_EQ(e[0], 0x01);
    EXPECT_EQ(e[2], 0x01);
}

TEST(RsaSmall, RefusesInputsThatDoNotFitTheModulusAndMissingParts) {
    RsaPtr rsa = generate(1024);
    CRsaSmall key;
    unsigned char out[128];
    unsigned char in[128] = {1};
    // Nothing loaded yet.
    EXPECT_EQ(key.PublicKeyEncrypt(in, 128, out, 128), -1);
    EXPECT_EQ(key.PrivateKeyEncrypt(in, 128, out, 128), -1);
    int len = 128;
    EXPECT_EQ(key.PubKeyGetModulus(out, &len), -1);
    load(key, rsa.get(), true);

    Bytes n = bytesOf(RSA_get0_n(rsa.get()));
    Bytes big(600, 0xFF);
    std::memset(out, 0x5A, sizeof out);
    EXPECT_EQ(key.PublicKeyEncrypt(n.data(), 128, out, 128), -1);     // equal to n
    EXPECT_EQ(key.PublicKeyEncrypt(big.data(), 129, out, 128), -1);   // longer than n
    EXPECT_EQ(key.PrivateKeyDecrypt(big.data(), 600, out, 128), -1);  // far longer
    EXPECT_EQ(key.PublicKeyEncrypt(in, -1, out, 128), -1);            // negative length
    EXPECT_EQ(key.PublicKeyEncrypt(nullptr, 10, out, 128), -1);
    EXPECT_EQ(key.PublicKeyEncrypt(in, 128, nullptr, 128), -1);
    EXPECT_EQ(key.PublicKeyEncrypt(in, 128, out, 4), -1);  // result does not fit
    for (unsigned char b : out)
        ASSERT_EQ(b, 0x5A);
    // Leading zero bytes do not count against the size.
    Bytes padded(700, 0);
    padded.back() = 5;
    EXPECT_EQ(key.PublicKeyEncrypt(padded.data(), 700, out, 128), 0);
    // Components longer than 128 digits are refused.
    EXPECT_EQ(key.Set_n(big.data(), 513), -1);
    EXPECT_EQ(key.Set_d(nullptr, 4), -1);
}

TEST(Rsa, RawOperationsMatchAcrossKeyFormsAndRefuseBadInput) {
    CRsa rsa;
    ASSERT_EQ(rsa.GenerateKey(1024), 0);
    EXPECT_TRUE(rsa.HasPrivateKey());
    ASSERT_EQ(rsa.GetModulusSize(), 128);
    Bytes n(128), e(8), d(128);
    int nl = 128, el = 8, dl = 128;
    ASSERT_EQ(rsa.GetModulus(n.data(), &nl), 0);
    ASSERT_EQ(rsa.GetPublicExponent(e.data(), &el), 0);
    ASSERT_EQ(rsa.GetPrivateExponent(d.data(), &dl), 0);

    Bytes m = randomBelow(128), sig(128), back(128);
    ASSERT_EQ(rsa.PrivateEncrypt(m.data(), 128, sig.data(), 128), 128);
    // The same numbers in CRsaSmall give the same signature.
    CRsaSmall small;
    small.Set_n(n.data(), static_cast<unsigned short>(nl));
    small.Set_e(e.data(), static_cast<unsigned short>(el));
    small.Set_d(d.data(), static_cast<unsigned short>(dl));
    Bytes sig2(128);
    ASSERT_EQ(small.PrivateKeyEncrypt(m.data(), 128, sig2.data(), 128), 0);
    EXPECT_EQ(sig, sig2);

    CRsa pub;
    ASSERT_EQ(pub.SetPublicKey(n.data(), nl, e.data(), el), 0);
    EXPECT_FALSE(pub.HasPrivateKey());
    ASSERT_EQ(pub.PublicDecrypt(sig.data(), 128, back.data(), 128), 128);
    EXPECT_EQ(back, m);
    EXPECT_EQ(pub.PrivateEncrypt(m.data(), 128, sig.data(), 128), -1);
    Bytes c(128);
    ASSERT_EQ(pub.PublicEncrypt(m.data() + 1, 127, c.data(), 128), 128);  // short input is left-padded
    CRsa priv;
    ASSERT_EQ(priv.SetPrivateKey(n.data(), nl, e.data(), el, d.data(), dl), 0);
    ASSERT_EQ(priv.PrivateDecrypt(c.data(), 128, back.data(), 128), 128);
    EXPECT_EQ(back[0], 0);
    EXPECT_TRUE(std::equal(m.begin() + 1, m.end(), back.begin() + 1));

    EXPECT_EQ(pub.PublicEncrypt(n.data(), 128, c.data(), 128), -1);  // not below the modulus
    EXPECT_EQ(pub.PublicEncrypt(m.data(), 129, c.data(), 128), -1);
    EXPECT_EQ(pub.PublicEncrypt(m.data(), 128, c.data(), 127), -1);
    EXPECT_EQ(pub.PublicEncrypt(nullptr, 128, c.data(), 128), -1);
    CRsa empty;
    EXPECT_EQ(empty.PublicEncrypt(m.data(), 128, c.data(), 128), -1);
    EXPECT_EQ(empty.GetModulusSize(), 0);
    EXPECT_EQ(empty.SetPublicKey(nullptr, 0, e.data(), el), -1);
}

TEST(RsaSmall, FullSizeModulusOf128DigitsAgreesWithBignum) {
    // A 4096-bit odd modulus (not an RSA key: only the arithmetic is checked) with a
    // small public and a full-size private exponent.
    Bytes n(512), d(512), m = randomBelow(512);
    RAND_bytes(n.data(), 512);
    RAND_bytes(d.data(), 512);
    n[0] |= 0x80;
    n[511] |= 1;
    unsigned char e[] = {0x01, 0x00, 0x01};
    CRsaSmall key;
    ASSERT_EQ(key.Set_n(n.data(), 512), 0);
    ASSERT_EQ(key.Set_e(e, 3), 0);
    ASSERT_EQ(key.Set_d(d.data(), 512), 0);
    BN_CTX* ctx = BN_CTX_new();
    BIGNUM *bn = BN_bin2bn(n.data(), 512, nullptr), *bd = BN_bin2bn(d.data(), 512, nullptr),
           *be = BN_bin2bn(e, 3, nullptr), *bm = BN_bin2bn(m.data(), 512, nullptr), *r = BN_new();
    Bytes mine(512), ref(512);
    ASSERT_EQ(key.PublicKeyEncrypt(m.data(), 512, mine.data(), 512), 0);
    BN_mod_exp(r, bm, be, bn, ctx);
    BN_bn2binpad(r, ref.data(), 512);
    EXPECT_EQ(mine, ref);
    ASSERT_EQ(key.PrivateKeyEncrypt(m.data(), 512, mine.data(), 512), 0);
    BN_mod_exp(r, bm, bd, bn, ctx);
    BN_bn2binpad(r, ref.data(), 512);
    EXPECT_EQ(mine, ref);
    for (BIGNUM* b : {bn, bd, be, bm, r})
        BN_free(b);
    BN_CTX_free(ctx);
}
