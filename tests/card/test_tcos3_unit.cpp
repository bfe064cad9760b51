// TCOS 3.0 secure messaging without a card: the maker key pair, the key block of
// WriteQuorPubKey, and the checks of protected answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "Des.h"
#include "MpArith.h"
#include "RsaSmall.h"
#include "Tcos3sm.h"
#include "card/tcos/Tcos3MakerKey.h"
#include "card/tcos/Tcos3Messaging.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes fromHex(const std::string& h) {
    Bytes out(h.size() / 2 + h.size() % 2);
    unsigned short n = 0;
    EXPECT_EQ(hex2bn(h.c_str(), out.data(), &n), 0);
    out.resize(n);
    return out;
}

// A protected answer for `plain` under the session in m_data, made as the card makes
// it; the counter is left as it was.
Bytes cardAnswer(const Bytes& plain, uint16_t status = 0x9000) {
    Bytes padded(plain);
    vn_tcos3::pad_iso(padded);
    DES_key_schedule k1, k2;
    DES_set_key_unchecked(reinterpret_cast<const_DES_cblock*>(CTcos3sm::m_data.encKey), &k1);
    DES_set_key_unchecked(reinterpret_cast<const_DES_cblock*>(CTcos3sm::m_data.encKey + 8), &k2);
    DES_cblock iv = {0};
    Bytes crypto(padded.size());
    DES_3cbc_encrypt(padded.data(), crypto.data(), static_cast<long>(padded.size()), &k1, &k2, &iv, DES_ENCRYPT);
    Bytes answer(3 + crypto.size());
    answer[0] = 0x87;
    answer[1] = static_cast<unsigned char>(crypto.size() + 1);
    answer[2] = 0x01;
    std::copy(crypto.begin(), crypto.end(), answer.begin() + 3);
    answer.insert(answer.end(),
                  {0x99, 0x02, static_cast<unsigned char>(status >> 8), static_cast<unsigned char>(status)});
    unsigned char saved[8], mac[8];
    std::memcpy(saved, CTcos3sm::m_data.ssc, 8);
    CTcos3sm::incIV();
    vn_tcos3::session_mac(answer, mac);
    std::memcpy(CTcos3sm::m_data.ssc, saved, 8);
    answer.insert(answer.end(), {0x8E, 0x08});
    answer.insert(answer.end(), mac, mac + 8);
    return answer;
}

void setSession() {
    for (int i = 0; i < 16; ++i) {
        CTcos3sm::m_data.encKey[i] = static_cast<unsigned char>(0x10 + i);
        CTcos3sm::m_data.macKey[i] = static_cast<unsigned char>(0x80 - i);
    }
    const unsigned char ssc[8] = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFE};
    std::memcpy(CTcos3sm::m_data.ssc, ssc, 8);
}

}  // namespace

TEST(Tcos3MakerKey, BuiltInPairIsAConsistentKeyAndMakesTheKeyBlock) {
    vn_tcos3::MakerKeyText t;
    ASSERT_TRUE(vn_tcos3::maker_key_text(t));
    EXPECT_EQ(t.n.size(), 256u);
    EXPECT_EQ(t.e, "010001");
    EXPECT_EQ(t.d.size(), 256u);
    for (const std::string* s : {&t.p, &t.q, &t.dmp1, &t.dmq1, &t.iqmp})
        EXPECT_EQ(s->size(), 128u);
    // n = p q.
    const size_t nd = 32;
    std::vector<DIGIT_T> n(nd), p(nd), q(nd), pq(2 * nd);
    mpConvFromHex(n.data(), nd, t.n.c_str());
    mpConvFromHex(p.data(), nd, t.p.c_str());
    mpConvFromHex(q.data(), nd, t.q.c_str());
    mpMultiply(pq.data(), p.data(), q.data(), nd);
    EXPECT_TRUE(mpEqual(pq.data(), n.data(), nd));
    EXPECT_TRUE(mpIsZero(pq.data() + nd, nd));

    // Public then private operation gives the input back, for edge values below n.
    CRsaSmall key;
    ASSERT_EQ(CTcos3sm::set_quorvel_key(key), 0);
    EXPECT_EQ(CTcos3sm::set_quorvel_key_pk(key), 0);
    Bytes modulus = fromHex(t.n), nMinus1 = modulus;
    nMinus1.back() ^= 0x01;  // n is odd
    for (const Bytes& in : {Bytes{0}, Bytes{1}, Bytes{0x6A, 0x55, 0xBC}, nMinus1}) {
        Bytes c(128), back(128);
        ASSERT_EQ(
            key.PublicKeyEncrypt(const_cast<unsigned char*>(in.data()), static_cast<int>(in.size()), c.data(), 128), 0);
        ASSERT_EQ(key.PrivateKeyDecrypt(c.data(), 128, back.data(), 128), 0);
        Bytes expected(128 - in.size(), 0);
        expected.insert(expected.end(), in.begin(), in.end());
        EXPECT_EQ(back, expected);
    }
    Bytes out(128);
    EXPECT_EQ(key.PublicKeyEncrypt(modulus.data(), 128, out.data(), 128), -1);  // not below n

    // 83 01 01 | 7F49 81 88 | 81 81 80 modulus | 82 03 exponent
    std::vector<unsigned char> block;
    ASSERT_TRUE(vn_tcos3::maker_key_block(block));
    ASSERT_EQ(block.size(), 143u);
    EXPECT_EQ(Bytes(block.begin(), block.begin() + 10), fromHex("8301017F498188818180"));
    EXPECT_EQ(Bytes(block.begin() + 10, block.begin() + 138), modulus);
    EXPECT_EQ(Bytes(block.begin() + 138, block.end()), fromHex("8203010001"));

    // The card key: both parts needed, none longer than the record's fields.
    CRsaSmall card;
    unsigned char e[3] = {1, 0, 1};
    EXPECT_EQ(CTcos3sm::set_card_key(card, modulus.data(), 128, e, 3), 0);
    EXPECT_EQ(CTcos3sm::set_card_key(card, nullptr, 128, e, 3), -1);
    EXPECT_EQ(CTcos3sm::set_card_key(card, modulus.data(), 128, e, 0), -1);
    Bytes big(257, 1);
    EXPECT_EQ(CTcos3sm::set_card_key(card, big.data(), 257, e, 3), -1);
    EXPECT_EQ(CTcos3sm::set_card_key(card, modulus.data(), 128, big.data(), 13), -1);
    EXPECT_EQ(CTcos3sm::tocs_get_session_keys(nullptr, e), -1);
}

TEST(Tcos3Messaging, ProtectedCommandAndAnswerChecks) {
    setSession();
    // The command: counter + 1 as the MAC's IV; 81, 97, 8E.
    const unsigned char header[4] = {0x0C, 0x2A, 0x9E, 0x9A};
    const Bytes plain = {0x30, 0x01, 0x02};
    Bytes cmd = vn_tcos3::protect_command(header, plain, 0x00);
    EXPECT_EQ(Bytes(CTcos3sm::m_data.ssc, CTcos3sm::m_data.ssc + 8), fromHex("00000000FFFFFFFF"));
    ASSERT_EQ(cmd.size(), 5u + 3u + 10u);
    EXPECT_EQ(Bytes(cmd.begin(), cmd.begin() + 10), fromHex("8103300102970100"
                                                            "8E08"));
    unsigned char mac[8];
    vn_tcos3::session_mac(fromHex("0C2A9E9A80000000"
                                  "8103300102970100"),
                          mac);
    EXPECT_EQ(Bytes(cmd.begin() + 10, cmd.end()), Bytes(mac, mac + 8));
    // A plain part of 200 bytes takes a two-byte length.
    cmd = vn_tcos3::protect_command(header, Bytes(200, 7), 0x00);
    EXPECT_EQ(Bytes(cmd.begin(), cmd.begin() + 3), fromHex("8181C8"));

    // Answers: data of 0, 7, 8 and 100 bytes come back; the counter goes up by one each.
    setSession();
    for (size_t len : {0u, 7u, 8u, 100u}) {
        Bytes data(len);
        for (size_t i = 0; i < len; ++i)
            data[i] = static_cast<unsigned char>(i * 3 + 1);
        Bytes a = cardAnswer(data);
        vn_secret::WipedBytes out;
        uint16_t status = 0;
        ASSERT_EQ(vn_tcos3::unwrap_answer(a.data(), a.size(), out, status), vn_tcos3::Unwrapped::Ok) << len;
        EXPECT_EQ(Bytes(out.begin(), out.end()), data);
        EXPECT_EQ(status, 0x9000);
    }
    EXPECT_EQ(Bytes(CTcos3sm::m_data.ssc, CTcos3sm::m_data.ssc + 8), fromHex("0000000100000002"));

    // Refused: any changed byte (checksum first, nothing deciphered), a cut answer, the
    // checksum missing or out of place, an unknown object, a bad padding indicator.
    Bytes good = cardAnswer(Bytes(16, 0x42));
    struct Case {
        Bytes answer;
        vn_tcos3::Unwrapped expected;
    };
    std::vector<Case> cases;
    for (size_t i : {size_t{3}, size_t{20}, good.size() - 12, good.size() - 1}) {
        Bytes b = good;
        b[i] ^= 0x01;
        cases.push_back({b, vn_tcos3::Unwrapped::BadMac});
    }
    cases.push_back({Bytes(good.begin(), good.end() - 1), vn_tcos3::Unwrapped::Malformed});
    cases.push_back({Bytes(good.begin(), good.end() - 10), vn_tcos3::Unwrapped::Malformed});
    Bytes extra = good;
    extra.insert(extra.end(), {0x99, 0x02, 0x90, 0x00});
    cases.push_back({extra, vn_tcos3::Unwrapped::Malformed});
    Bytes lengthPast = good;
    lengthPast[1] = 0x7F;
    cases.push_back({lengthPast, vn_tcos3::Unwrapped::Malformed});
    Bytes longForm = good;
    longForm[1] = 0x83;
    cases.push_back({longForm, vn_tcos3::Unwrapped::Malformed});
    cases.push_back({Bytes{0x8E, 0x08, 1, 2, 3, 4, 5, 6, 7, 8}, vn_tcos3::Unwrapped::Malformed});
    cases.push_back({Bytes{}, vn_tcos3::Unwrapped::Malformed});
    for (const Case& c : cases) {
        vn_secret::WipedBytes out{1, 2};
        uint16_t status = 1;
        EXPECT_EQ(vn_tcos3::unwrap_answer(c.answer.data(), c.answer.size(), out, status), c.expected);
        EXPECT_TRUE(out.empty());
        // Each try moved the counter: make the next good answer for the new value.
        CTcos3sm::m_data.ssc[7] = static_cast<unsigned char>(CTcos3sm::m_data.ssc[7] - 1);
    }
    // A correct checksum over a cryptogram without ISO padding is still refused.
    setSession();
    Bytes badPad = cardAnswer(Bytes(8, 0x42));
    {
        // Re-encipher the same 16 bytes without a padding byte, and re-MAC.
        Bytes blocks(16, 0x42);
        DES_key_schedule k1, k2;
        DES_set_key_unchecked(reinterpret_cast<const_DES_cblock*>(CTcos3sm::m_data.encKey), &k1);
        DES_set_key_unchecked(reinterpret_cast<const_DES_cblock*>(CTcos3sm::m_data.encKey + 8), &k2);
        DES_cblock iv = {0};
        DES_3cbc_encrypt(blocks.data(), badPad.data() + 3, 16, &k1, &k2, &iv, DES_ENCRYPT);
        Bytes objects(badPad.begin(), badPad.end() - 10);
        unsigned char saved[8];
        std::memcpy(saved, CTcos3sm::m_data.ssc, 8);
        CTcos3sm::incIV();
        vn_tcos3::session_mac(objects, mac);
        std::memcpy(CTcos3sm::m_data.ssc, saved, 8);
        std::memcpy(badPad.data() + badPad.size() - 8, mac, 8);
    }
    vn_secret::WipedBytes out;
    uint16_t status = 0;
    EXPECT_EQ(vn_tcos3::unwrap_answer(badPad.data(), badPad.size(), out, status), vn_tcos3::Unwrapped::Malformed);
    EXPECT_TRUE(out.empty());

    CTcos3sm::end_session();
    EXPECT_EQ(Bytes(CTcos3sm::m_data.macKey, CTcos3sm::m_data.macKey + 16), Bytes(16, 0));
}
