// Triple DES in CBC mode, the retail MAC, hex2bn and the send sequence counter.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstring>
#include <string>
#include <vector>

#include "Des.h"
#include "MpArith.h"
#include "Tcos3sm.h"

namespace {

std::vector<unsigned char> unhex(const std::string& h) {
    std::vector<unsigned char> out(h.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<unsigned char>(std::stoi(h.substr(2 * i, 2), nullptr, 16));
    return out;
}

struct Keys {
    DES_key_schedule k1, k2;
    Keys(const std::string& a, const std::string& b) {
        auto ka = unhex(a), kb = unhex(b);
        DES_set_key_unchecked(reinterpret_cast<const_DES_cblock*>(ka.data()), &k1);
        DES_set_key_unchecked(reinterpret_cast<const_DES_cblock*>(kb.data()), &k2);
    }
};

const std::string kNow = "Now is the time for all ";

}  // namespace

TEST(RetailMac, KnownAnswers) {
    // With both keys equal the MAC is the single-DES CBC-MAC: the last block of the
    // published DES-CBC example (key 0123456789ABCDEF, IV 1234567890ABCDEF).
    Keys same("0123456789ABCDEF", "0123456789ABCDEF");
    auto iv = unhex("1234567890ABCDEF");
    DES_cblock mac;
    ASSERT_EQ(DES_retail_mac(reinterpret_cast<const unsigned char*>(kNow.data()), 24, &same.k1, &same.k2,
                             reinterpret_cast<const_DES_cblock*>(iv.data()), &mac),
              0);
    EXPECT_EQ(std::vector<unsigned char>(mac, mac + 8), unhex("683788499A7C05F6"));

    // MAC algorithm 3 with two keys, zero IV, the same 24 bytes.
    Keys two("0123456789ABCDEF", "FEDCBA9876543210");
    ASSERT_EQ(DES_retail_mac(reinterpret_cast<const unsigned char*>(kNow.data()), 24, &two.k1, &two.k2, nullptr, &mac),
              0);
    EXPECT_EQ(std::vector<unsigned char>(mac, mac + 8), unhex("A1C72E74EA3FA9B6"));

    // A trailing partial block is completed with zeros.
    const std::string part = "Now is the time for it";  // 22 bytes
    std::string zeroPadded = part + std::string(2, '\0');
    DES_cblock mac2;
    DES_retail_mac(reinterpret_cast<const unsigned char*>(part.data()), 22, &two.k1, &two.k2, nullptr, &mac);
    DES_retail_mac(reinterpret_cast<const unsigned char*>(zeroPadded.data()), 24, &two.k1, &two.k2, nullptr, &mac2);
    EXPECT_EQ(0, std::memcmp(mac, mac2, 8));

    EXPECT_EQ(DES_retail_mac(nullptr, 8, &two.k1, &two.k2, nullptr, &mac), -1);
    EXPECT_EQ(DES_retail_mac(reinterpret_cast<const unsigned char*>(part.data()), -1, &two.k1, &two.k2, nullptr, &mac),
              -1);
}

TEST(TripleDes, TwoKeyCbcAgreesWithOpenSSLEvpAndRoundTrips) {
    const auto key = unhex("0123456789ABCDEFFEDCBA9876543210");
    Keys k("0123456789ABCDEF", "FEDCBA9876543210");
    std::vector<unsigned char> plain(48);
    for (size_t i = 0; i < plain.size(); ++i)
        plain[i] = static_cast<unsigned char>(i * 7);
    auto iv0 = unhex("0011223344556677");
    DES_cblock iv;
    std::memcpy(iv, iv0.data(), 8);
    std::vector<unsigned char> mine(48), ref(64), back(48);
    ASSERT_EQ(DES_3cbc_encrypt(plain.data(), mine.data(), 48, &k.k1, &k.k2, &iv, DES_ENCRYPT), 0);

    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    int n = 0;
    EVP_EncryptInit_ex(ctx, EVP_des_ede_cbc(), nullptr, key.data(), iv0.data());
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    EVP_EncryptUpdate(ctx, ref.data(), &n, plain.data(), 48);
    EVP_CIPHER_CTX_free(ctx);
    ASSERT_EQ(n, 48);
    EXPECT_TRUE(std::equal(mine.begin(), mine.end(), ref.begin()));
    EXPECT_EQ(0, std::memcmp(iv, mine.data() + 40, 8));  // IV chained to the last block

    std::memcpy(iv, iv0.data(), 8);
    ASSERT_EQ(DES_3cbc_encrypt(mine.data(), back.data(), 48, &k.k1, &k.k2, &iv, DES_DECRYPT), 0);
    EXPECT_EQ(back, plain);

    // Two-key ECB through OpenSSL's DES_ecb2_encrypt form agrees with the first CBC block under a zero IV.
    DES_cblock block, out, zero = {0};
    for (int i = 0; i < 8; ++i)
        block[i] = plain[i];
    DES_ecb2_encrypt(&block, &out, &k.k1, &k.k2, DES_ENCRYPT);
    std::vector<unsigned char> cbc(8);
    ASSERT_EQ(DES_3cbc_encrypt(plain.data(), cbc.data(), 8, &k.k1, &k.k2, &zero, DES_ENCRYPT), 0);
    EXPECT_EQ(0, std::memcmp(out, cbc.data(), 8));

    std::memcpy(iv, iv0.data(), 8);
    EXPECT_EQ(DES_3cbc_encrypt(plain.data(), back.data(), 13, &k.k1, &k.k2, &iv, DES_ENCRYPT), -1);
    EXPECT_EQ(DES_3cbc_encrypt(plain.data(), back.data(), -8, &k.k1, &k.k2, &iv, DES_ENCRYPT), -1);
    EXPECT_EQ(DES_3cbc_encrypt(nullptr, back.data(), 8, &k.k1, &k.k2, &iv, DES_ENCRYPT), -1);
    EXPECT_EQ(0, std::memcmp(iv, iv0.data(), 8));
    int len = 0;
    EXPECT_EQ(cardos_sm4h(plain.data(), 8, back.data(), &len), -1);
    EXPECT_EQ(cardos_sm4hmac(plain.data(), 8, back.data(), &len), -1);
}

TEST(Hex2bn, TwoDigitsPerByteAndOddCounts) {
    unsigned char out[8];
    unsigned short len = 0;
    ASSERT_EQ(hex2bn("010001", out, &len), 0);
    EXPECT_EQ(len, 3);
    EXPECT_EQ(std::vector<unsigned char>(out, out + 3), (std::vector<unsigned char>{0x01, 0x00, 0x01}));
    ASSERT_EQ(hex2bn("abcDE", out, &len), 0);  // (5 - 1) / 2 + 1 = 3 bytes, value kept
    EXPECT_EQ(len, 3);
    EXPECT_EQ(std::vector<unsigned char>(out, out + 3), (std::vector<unsigned char>{0x0a, 0xbc, 0xde}));
    ASSERT_EQ(hex2bn("f", out, &len), 0);
    EXPECT_EQ(len, 1);
    EXPECT_EQ(out[0], 0x0f);
    len = 77;
    std::memset(out, 0x55, sizeof out);
    EXPECT_EQ(hex2bn("12x4", out, &len), -1);
    EXPECT_EQ(hex2bn("", out, &len), -1);
    EXPECT_EQ(hex2bn(nullptr, out, &len), -1);
    EXPECT_EQ(hex2bn("12", nullptr, &len), -1);
    EXPECT_EQ(hex2bn("12", out, nullptr), -1);
    EXPECT_EQ(len, 77);
    EXPECT_EQ(out[0], 0x55);
}

TEST(Tcos3sm, IncIVCarriesAcrossBytes) {
    struct {
        const char* before;
        const char* after;
    } rows[] = {
        {"00000000FFFFFFFF", "0000000100000000"},
        {"00000000000000FF", "0000000000000100"},
        {"0000000000000000", "0000000000000001"},
        {"12345678FFFFFFFE", "12345678FFFFFFFF"},
        {"00FFFFFFFFFFFFFF", "0100000000000000"},
        {"FFFFFFFFFFFFFFFF", "0000000000000000"},  // the counter wraps within its 8 bytes
    };
    unsigned char guard[16];
    std::memset(guard, 0xA5, sizeof guard);
    std::memcpy(CTcos3sm::m_data.encKey, guard, 16);
    std::memcpy(CTcos3sm::m_data.cardModulus, guard, 16);
    for (const auto& r : rows) {
        auto b = unhex(r.before);
        std::memcpy(CTcos3sm::m_data.ssc, b.data(), 8);
        EXPECT_EQ(CTcos3sm::incIV(), 0);
        EXPECT_EQ(std::vector<unsigned char>(CTcos3sm::m_data.ssc, CTcos3sm::m_data.ssc + 8), unhex(r.after))
            << r.before;
    }
    // The neighbouring fields of the record are untouched.
    EXPECT_EQ(0, std::memcmp(CTcos3sm::m_data.encKey, guard, 16));
    EXPECT_EQ(0, std::memcmp(CTcos3sm::m_data.cardModulus, guard, 16));
}
