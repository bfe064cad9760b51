// The ASN.1 object classes: construction, cursor, helpers, UTF conversion, public keys.
#include <gtest/gtest.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

#include <stdexcept>

#include "Asn1AlgoIdent.h"
#include "Asn1Base.h"
#include "Asn1Cert.h"
#include "Asn1TestSupport.h"
#include "asn1/UtfConverter.h"

namespace {

// DER subjectPublicKeyInfo of a fresh EC key on the curve.
Bytes ecSpki(int nid, int asn1Flag = OPENSSL_EC_NAMED_CURVE) {
    EC_KEY* ec = EC_KEY_new_by_curve_name(nid);
    EC_KEY_set_asn1_flag(ec, asn1Flag);
    EC_KEY_generate_key(ec);
    EVP_PKEY* pkey = EVP_PKEY_new();
    EVP_PKEY_assign_EC_KEY(pkey, ec);
    unsigned char* der = nullptr;
    const int len = i2d_PUBKEY(pkey, &der);
    Bytes out(der, der + (len > 0 ? len : 0));
    OPENSSL_free(der);
    EVP_PKEY_free(pkey);
    return out;
}

}  // namespace

TEST(Asn1Objects, ObjectsWithoutDataReportTheDecodeError) {
    EXPECT_EQ(CAsn1_Universal(nullptr, 5).getError(), CAsn1Base::ASN1_DECODE_ERROR);
    EXPECT_EQ(CAsn1_Universal(nullptr, 5).getDER(), nullptr);
    EXPECT_EQ(CAsn1_Universal(nullptr, 5).getDERlength(), 0u);
    const unsigned char one = 0x02;
    EXPECT_EQ(CAsn1_Int(&one, 0).getError(), -22);
    EXPECT_EQ(CAsn1_Oid(nullptr, 3).getError(), -22);
    EXPECT_EQ(CAsn1_AlgoIdent(nullptr, 3).getError(), -22);
    CAsn1_Cert empty(nullptr, 0);
    EXPECT_EQ(empty.getError(), -22);
    EXPECT_EQ(empty.getPublicKeyOID(), "UNKNOWN");
    EXPECT_EQ(empty.getPublicKeyLength(), 0);
    EXPECT_EQ(empty.getIssuerDn(), nullptr);
    EXPECT_EQ(empty.getSerialLength(), 0u);
    EXPECT_FALSE(empty.isPublicKeyRSA());
    EXPECT_EQ(empty.decode(), 0);
    EXPECT_EQ(CAsn1_PublicKeyRSA(static_cast<const CAsn1_BitString*>(nullptr)).getError(), -22);

    // A decode on the wrong tag.
    const Bytes octet = hexBytes("04 01 00");
    EXPECT_EQ(CAsn1_Int(octet.data(), 3).getError(), -22);
    EXPECT_EQ(CAsn1_BitString(octet.data(), 3).getError(), -22);
    EXPECT_EQ(CAsn1_OctetString(octet.data(), 3).getError(), 0);
    // A length beyond the encoding.
    const Bytes cut = hexBytes("04 05 00");
    EXPECT_EQ(CAsn1_OctetString(cut.data(), 3).getError(), -22);
    const Bytes universal = hexBytes("31 00");
    EXPECT_EQ(CAsn1_Universal(universal.data(), 2).getAsn1Type(), 17u);
    EXPECT_EQ(CAsn1_Universal().getAsn1Type(), 16u);
}

TEST(Asn1Objects, StringValuesAndBinaryData) {
    CAsn1_OctetString o("de ad be ef");
    EXPECT_EQ(toHex(o.getDER(), o.getDERlength()), "04 04 DE AD BE EF");
    EXPECT_EQ(o.getBinaryDataLen(), 4u);
    EXPECT_EQ(toHex(o.getBinaryData(), 4), "DE AD BE EF");
    CAsn1_OctetString odd("ABC");
    EXPECT_EQ(odd.getDER(), nullptr);
    EXPECT_EQ(odd.getError(), 0);
    EXPECT_EQ(toHex(CAsn1_OctetString().getDER(), 2), "04 00");

    CAsn1_BitString b;
    EXPECT_EQ(toHex(b.getDER(), b.getDERlength()), "03 02 00 00");
    const Bytes bits = hexBytes("03 04 00 0A 0B 0C");
    CAsn1_BitString bd(bits.data(), 6);
    EXPECT_EQ(bd.getValue(), "0A0B0C");
    EXPECT_EQ(toHex(bd.getBinaryData(), bd.getBinaryDataLen()), "0A 0B 0C");

    const Bytes ia5 = hexBytes("16 03 61 40 62");
    EXPECT_EQ(CAsn1_IA5String(ia5.data(), 5).getValue(), "a@b");
    const Bytes bmp = hexBytes("1E 08 00 C4 03 A9 D8 3D DE 00");
    EXPECT_EQ(CAsn1_BmpString(bmp.data(), 10).getValue(), "\xC3\x84\xCE\xA9\xF0\x9F\x98\x80");
    const Bytes lone = hexBytes("1E 02 D8 00");
    EXPECT_EQ(CAsn1_BmpString(lone.data(), 4).getError(), -22);
}

TEST(Asn1Objects, CursorWalksTheEncoding) {
    const Bytes seq = hexBytes("30 0A 02 01 07 30 05 06 03 55 04 03");
    CAsn1_Universal u(seq.data(), static_cast<unsigned int>(seq.size()));
    EXPECT_EQ(u.getItemLen(), 12u);
    EXPECT_EQ(u.getDataLen(), 10u);
    ASSERT_EQ(u.nextSubItem(), 1);
    EXPECT_EQ(u.getItemLen(), 3u);
    EXPECT_EQ(*u.getData(), 0x07);
    ASSERT_EQ(u.nextItem(), 1);
    EXPECT_EQ(u.getContentLen(), 5u);
    EXPECT_EQ(u.nextItem(), 0);  // no further sibling
    EXPECT_EQ(u.getError(), -22);
    EXPECT_EQ(u.getItemLen(), 7u);  // the cursor stays where it was
    ASSERT_EQ(u.nextSubItem(), 1);
    EXPECT_EQ(u.getData()[0], 0x55);
    EXPECT_EQ(u.resetPosition(), 1);
    EXPECT_EQ(u.getItemLen(), 12u);

    const std::vector<std::string> arcs = CAsn1Base::Tokenize("1.2..840.", ".");
    ASSERT_EQ(arcs.size(), 3u);
    EXPECT_EQ(arcs[2], "840");
}

TEST(Asn1Objects, HexAndUtfHelpers) {
    int len = 0;
    EXPECT_EQ(CAsn1Helper::str2hex("0a 1B ff", nullptr, len), 1);
    EXPECT_EQ(len, 3);
    unsigned char out[3];
    EXPECT_EQ(CAsn1Helper::str2hex("0a 1B ff", out, len), 1);
    EXPECT_EQ(toHex(out, 3), "0A 1B FF");
    EXPECT_EQ(CAsn1Helper::str2hex("abc", nullptr, len), 0);
    EXPECT_EQ(CAsn1Helper::str2hex("zz", out, len), 0);
    std::string hex;
    CAsn1Helper::hex2str(out, 3, hex);
    EXPECT_EQ(hex, "0A1BFF");

    const std::wstring wide = L"Gr\u00FC\u00DFe \U0001F600";
    const std::string utf8 = UtfConverter::ToUtf8(wide);
    EXPECT_EQ(utf8,
              "Gr\xC3\xBC\xC3\x9F"
              "e \xF0\x9F\x98\x80");
    EXPECT_EQ(UtfConverter::FromUtf8(utf8), wide);
    EXPECT_THROW(UtfConverter::FromUtf8("\xC3"), std::runtime_error);
    EXPECT_THROW(UtfConverter::FromUtf8("\xED\xA0\x80"), std::runtime_error);  // an encoded surrogate
    EXPECT_THROW(UtfConverter::FromUtf8("\xC0\xAF"), std::runtime_error);      // overlong
    EXPECT_THROW(UtfConverter::ToUtf8(std::wstring(1, static_cast<wchar_t>(0x110000))), std::runtime_error);
}

TEST(Asn1Objects, PublicKeysBySizeAndCurve) {
    const Bytes p256 = ecSpki(NID_X9_62_prime256v1);
    CAsn1_PublicKey k256(p256.data(), static_cast<unsigned int>(p256.size()));
    EXPECT_EQ(k256.getError(), 0);
    EXPECT_TRUE(k256.isEC());
    EXPECT_FALSE(k256.isRSA());
    EXPECT_EQ(k256.getKeyLength(), 256);
    ASSERT_TRUE(k256.getECKey());
    EXPECT_EQ(k256.getECKey()->getKeySize(), 65);
    std::unique_ptr<CAsn1_OctetString> value(k256.getECKey()->getKeyValue());
    ASSERT_TRUE(value);
    EXPECT_EQ(value->getBinaryDataLen(), 65u);
    EXPECT_EQ(value->getValue().substr(0, 2), "04");

    // A curve outside the table has no known length.
    const Bytes p239 = ecSpki(NID_X9_62_prime239v1);
    CAsn1_PublicKey k239(p239.data(), static_cast<unsigned int>(p239.size()));
    EXPECT_TRUE(k239.isEC());
    EXPECT_EQ(k239.getKeyLength(), 0);

    // Explicit curve parameters: the size of their field, as OpenSSL tells it.
    for (int nid : {NID_X9_62_prime256v1, NID_secp384r1, NID_X9_62_prime239v1}) {
        const Bytes explicitKey = ecSpki(nid, OPENSSL_EC_EXPLICIT_CURVE);
        CAsn1_PublicKey ke(explicitKey.data(), static_cast<unsigned int>(explicitKey.size()));
        EXPECT_TRUE(ke.isEC());
        const unsigned char* p = explicitKey.data();
        EVP_PKEY* parsed = d2i_PUBKEY(nullptr, &p, static_cast<long>(explicitKey.size()));
        ASSERT_TRUE(parsed);
        EXPECT_EQ(ke.getKeyLength(), EVP_PKEY_get_bits(parsed));
        EXPECT_GE(ke.getKeyLength(), 239);
        EVP_PKEY_free(parsed);
    }

    EXPECT_EQ(CAsn1_PublicKey::curveBits("1.3.132.0.35"), 521);
    EXPECT_EQ(CAsn1_PublicKey::curveBits("1.3.36.3.3.2.8.1.1.11"), 384);
    EXPECT_EQ(CAsn1_PublicKey::curveBits("1.2.250.1.223.101.256.1"), 256);

    // RSA with exponent 65537; a modulus without its sign byte still counts all its bits.
    EVP_PKEY* rsa = EVP_RSA_gen(1024);
    ASSERT_TRUE(rsa);
    unsigned char* der = nullptr;
    const int len = i2d_PUBKEY(rsa, &der);
    CAsn1_PublicKey kr(der, static_cast<unsigned int>(len));
    OPENSSL_free(der);
    EVP_PKEY_free(rsa);
    EXPECT_TRUE(kr.isRSA());
    EXPECT_EQ(kr.getKeyLength(), 1024);
    ASSERT_TRUE(kr.getRSAKey());
    EXPECT_EQ(kr.getRSAKey()->getExponent()->getValue(), 65537);
    const Bytes bits = hexBytes("03 0C 00 30 09 02 02 7F FF 02 03 01 00 01");
    CAsn1_PublicKeyRSA small(bits.data(), static_cast<unsigned int>(bits.size()));
    EXPECT_EQ(small.getError(), 0);
    EXPECT_EQ(small.getKeySize(), 15);

    // An unknown key algorithm: neither kind, length 0.
    const Bytes other = hexBytes("30 0D 30 05 06 03 2B 65 70 03 04 00 01 02 03");
    CAsn1_PublicKey ko(other.data(), static_cast<unsigned int>(other.size()));
    EXPECT_EQ(ko.getError(), 0);
    EXPECT_EQ(ko.getAlgoOID(), "1.3.101.112");
    EXPECT_FALSE(ko.isEC() || ko.isRSA());
    EXPECT_EQ(ko.getKeyLength(), 0);
}
