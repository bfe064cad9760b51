// CHashSSL and CCertHandler::HashBlob: the three algorithm numberings, names and texts.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstring>
#include <string>

#include "CertHandler.h"
#include "HashSSL.h"
#include "crypto/DigestFactory.h"

namespace {
unsigned char* bytes(const char* s) { return reinterpret_cast<unsigned char*>(const_cast<char*>(s)); }

std::string evpHex(const EVP_MD* md, const std::string& msg) {
    unsigned char out[64];
    unsigned int n = 0;
    EVP_Digest(msg.data(), msg.size(), out, &n, md, nullptr);
    std::string s;
    char two[3];
    for (unsigned int i = 0; i < n; ++i) {
        std::snprintf(two, sizeof two, "%02X", out[i]);
        s += two;
    }
    return s;
}
}  // namespace

TEST(HashSSL, CalculateHashGivesUpperCaseHexByOidIdentifier) {
    EXPECT_STREQ(CHashSSL::calculateHash(bytes("abc"), 3, 4),
                 "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
    const EVP_MD* byId[] = {nullptr, EVP_sha1(), EVP_ripemd160(), EVP_md5(), EVP_sha256(), EVP_sha384(), EVP_sha512()};
    for (int id = 1; id <= 6; ++id)
        EXPECT_EQ(CHashSSL::calculateHash(bytes("hello"), 5, id), evpHex(byId[id], "hello")) << id;
    // The empty message has a digest; an unknown identifier gives empty text.
    EXPECT_EQ(CHashSSL::calculateHash(bytes(""), 0, 3), evpHex(EVP_md5(), ""));
    EXPECT_STREQ(CHashSSL::calculateHash(bytes("abc"), 3, 0), "");
    EXPECT_STREQ(CHashSSL::calculateHash(bytes("abc"), 3, 7), "");
    EXPECT_STREQ(CHashSSL::calculateHash(nullptr, 10, 1), "");
    EXPECT_EQ(CHashSSL::calculateHash(nullptr, 0, 1), evpHex(EVP_sha1(), ""));
}

TEST(HashSSL, CalculateHashBinWritesLengthOnlyForKnownIdentifiers) {
    unsigned int len = 999;
    unsigned char* out = CHashSSL::calculateHashBin(bytes("abc"), 3, 6, &len);
    EXPECT_EQ(len, 64u);
    EXPECT_EQ(out[0], 0xdd);
    EXPECT_EQ(out[63], 0x9f);
    len = 999;
    out = CHashSSL::calculateHashBin(bytes("abc"), 3, 9, &len);
    EXPECT_EQ(len, 999u);
    for (int i = 0; i < 128; ++i)
        ASSERT_EQ(out[i], 0) << i;
    out = CHashSSL::calculateHashBin(bytes("abc"), 3, 2, nullptr);  // no length output: no crash
    EXPECT_EQ(out[0], 0x8e);
}

TEST(HashSSL, OidsMapToIdentifiersAndNames) {
    struct {
        const char* oid;
        int id;
        // clang-format off
    } rows[] = {
        {"1.2.840.113549.1.1.5", 1}, {"1.3.14.3.2.26", 1},          {"1.3.36.3.3.1.2", 2},
        {"1.3.36.3.2.1", 2},         {"1.2.840.113549.2.5", 3},     {"1.2.840.113549.1.1.4", 3},
        {"1.2.840.113549.1.1.11", 4}, {"2.16.840.1.101.3.4.2.1", 4}, {"1.2.840.113549.1.1.12", 5},
        {"2.16.840.1.101.3.4.2.2", 5}, {"1.2.840.113549.1.1.13", 6}, {"2.16.840.1.101.3.4.2.3", 6},
        {"2.16.840.1.101.3.4.2.1 ", 0}, {"1.2.840.113549.1.1.1", 0}, {"", 0},
    };
    // clang-format on
    for (const auto& r : rows)
        EXPECT_EQ(CHashSSL::getHashAlgo(const_cast<char*>(r.oid)), r.id) << r.oid;
    EXPECT_EQ(CHashSSL::getHashAlgo(nullptr), 0);
    const char* names[] = {"UKNOWN", "SHA1", "RIPEMD160", "MD5", "SHA256", "SHA384", "SHA512"};
    for (int id = 0; id <= 6; ++id)
        EXPECT_STREQ(CHashSSL::getHashAlgoName(id), names[id]);
    EXPECT_STREQ(CHashSSL::getHashAlgoName(7), "UNKNOWN");
    EXPECT_STREQ(CHashSSL::getHashAlgoName(-1), "UNKNOWN");
}

TEST(HashSSL, HashBlobIndexDiffersFromSigningNumberingInFourAndFive) {
    const EVP_MD* byIndex[] = {EVP_sha1(), EVP_sha256(), EVP_sha384(), EVP_sha512(), EVP_md5(), EVP_ripemd160()};
    const int lengths[] = {20, 32, 48, 64, 16, 20};
    CCertHandler handler;
    for (int index = 0; index <= 5; ++index) {
        unsigned char a[64], b[64];
        int la = 0, lb = 0;
        EXPECT_EQ(CHashSSL::HashBlob(bytes("data"), 4, index, a, &la), 0);
        EXPECT_EQ(handler.HashBlob(bytes("data"), 4, index, b, &lb), 0);
        EXPECT_EQ(la, lengths[index]);
        EXPECT_EQ(lb, lengths[index]);
        unsigned char ref[64];
        unsigned int lr = 0;
        EVP_Digest("data", 4, ref, &lr, byIndex[index], nullptr);
        EXPECT_EQ(0, std::memcmp(a, ref, lr)) << index;
        EXPECT_EQ(0, std::memcmp(b, ref, lr)) << index;
    }
    // Signing's nAlgoID 4 is RIPEMD-160, HashBlob's index 4 is MD5.
    EXPECT_EQ(vn_crypto::digest_kind_for_sign_algo(4), vn_crypto::DigestKind::RIPEMD160);
    EXPECT_EQ(vn_crypto::digest_kind_for_sign_algo(5), vn_crypto::DigestKind::MD5);
    EXPECT_EQ(vn_crypto::digest_kind_for_sign_algo(6), vn_crypto::DigestKind::SHA256);
    EXPECT_EQ(vn_crypto::digest_kind_for_sign_algo(-3), vn_crypto::DigestKind::SHA256);

    // Outside 0 to 5, or with null pointers, nothing is written and the result stays 0.
    unsigned char out[64];
    std::memset(out, 0xAA, sizeof out);
    int len = -7;
    for (int bad : {-1, 6, 100}) {
        EXPECT_EQ(CHashSSL::HashBlob(bytes("data"), 4, bad, out, &len), 0);
        EXPECT_EQ(handler.HashBlob(bytes("data"), 4, bad, out, &len), 0);
    }
    EXPECT_EQ(CHashSSL::HashBlob(nullptr, 4, 0, out, &len), 0);
    EXPECT_EQ(CHashSSL::HashBlob(bytes("data"), 4, 0, nullptr, &len), 0);
    EXPECT_EQ(CHashSSL::HashBlob(bytes("data"), 4, 0, out, nullptr), 0);
    EXPECT_EQ(len, -7);
    EXPECT_EQ(out[0], 0xAA);
}
