// The DER writers of CASN1 and the object classes, checked against OpenSSL's parsers and
// `openssl asn1parse`.
#include <gtest/gtest.h>
#include <openssl/asn1.h>
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/objects.h>

#include <unistd.h>
#include <cstdlib>

#include "ASN1.h"
#include "Asn1AlgoIdent.h"
#include "Asn1Base.h"
#include "Asn1Cert.h"
#include "Asn1TestSupport.h"

namespace {

Bytes encodeWith(int (*fn)(uint32_t, unsigned char*, uint32_t*), uint32_t v) {
    uint32_t size = 0;
    fn(v, nullptr, &size);
    Bytes out(size);
    fn(v, out.data(), &size);
    return out;
}

Bytes octets(const Bytes& data, bool utf8 = false) {
    uint32_t size = 0;
    auto fn = utf8 ? CASN1::encodeUTF8 : CASN1::encodeOctetString;
    fn(data.data(), static_cast<uint32_t>(data.size()), nullptr, &size);
    Bytes out(size);
    fn(data.data(), static_cast<uint32_t>(data.size()), out.data(), &size);
    return out;
}

Bytes der(const CAsn1Base& o) { return Bytes(o.getDER(), o.getDER() + o.getDERlength()); }

long opensslInteger(const Bytes& b) {
    const unsigned char* p = b.data();
    ASN1_INTEGER* i = d2i_ASN1_INTEGER(nullptr, &p, static_cast<long>(b.size()));
    if (!i)
        return -999999;
    const long v = ASN1_INTEGER_get(i);
    ASN1_INTEGER_free(i);
    return v;
}

// A SEQUENCE around the items, with a length written by insertLength.
Bytes sequence(const std::vector<Bytes>& items) {
    Bytes content;
    for (const Bytes& i : items)
        content.insert(content.end(), i.begin(), i.end());
    Bytes out(6);
    out[0] = 0x30;
    const int n = CAsn1Base::insertLength(out.data(), static_cast<unsigned int>(content.size()), 0, 0x80, 0);
    out.resize(1 + static_cast<size_t>(n));
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

}  // namespace

TEST(Asn1Writers, IntegersAreMinimalDer) {
    EXPECT_EQ(toHex(encodeWith(CASN1::encodeInteger, 0)), "02 01 00");
    EXPECT_EQ(toHex(encodeWith(CASN1::encodeInteger, 0x80)), "02 02 00 80");
    EXPECT_EQ(toHex(encodeWith(CASN1::encodeInteger, 0x01000000)), "02 04 01 00 00 00");
    EXPECT_EQ(toHex(encodeWith(CASN1::encodeInteger, 0x80000000u)), "02 05 00 80 00 00 00");
    for (uint32_t v : {0u, 1u, 127u, 128u, 255u, 256u, 16383u, 16384u, 32768u, 65535u, 0x7FFFFFFFu})
        EXPECT_EQ(opensslInteger(encodeWith(CASN1::encodeInteger, v)), static_cast<long>(v)) << v;

    EXPECT_EQ(toHex(der(CAsn1_Int(200))), "02 02 00 C8");
    EXPECT_EQ(toHex(der(CAsn1_Int(5))), "02 01 05");
    EXPECT_EQ(toHex(der(CAsn1_Int(16384))), "02 02 40 00");
    for (int v : {0, 5, 127, 128, 200, 16384, 32767, 32768, 2097152, 0x7FFFFFFF, -1, -128, -129, -200, -65536})
        EXPECT_EQ(opensslInteger(der(CAsn1_Int(v))), v) << v;

    Bytes ten = hexBytes("02 01 0A");
    CAsn1_Int decoded(ten.data(), 3);
    EXPECT_EQ(decoded.getError(), 0);
    EXPECT_EQ(decoded.getValue(), 10);
    EXPECT_EQ(decoded.getText(), "0A");

    unsigned char bytes[4];
    uint32_t count = 9;
    EXPECT_EQ(CASN1::GetLenBytes(0, bytes, &count), 0);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(CASN1::GetLenBytes(0x012345, bytes, &count), 3);
    EXPECT_EQ(toHex(bytes, 3), "01 23 45");
}

TEST(Asn1Writers, LengthsAreShortestForm) {
    unsigned char buf[8] = {0x04};
    EXPECT_EQ(CAsn1Base::insertLength(buf, 127, 0, 0x80, 0), 1);
    EXPECT_EQ(toHex(buf + 1, 1), "7F");
    EXPECT_EQ(CAsn1Base::insertLength(buf, 128, 0, 0x80, 0), 2);
    EXPECT_EQ(toHex(buf + 1, 2), "81 80");
    EXPECT_EQ(CAsn1Base::insertLength(buf, 128, 0, 0x80, 1), 2);
    EXPECT_EQ(toHex(buf + 1, 2), "81 80");
    EXPECT_EQ(CAsn1Base::insertLength(buf, 255, 0, 0x80, 1), 2);
    EXPECT_EQ(toHex(buf + 1, 2), "81 FF");
    for (int mode : {0, 1}) {
        EXPECT_EQ(CAsn1Base::insertLength(buf, 300, 0, 0x80, mode), 3);
        EXPECT_EQ(toHex(buf + 1, 3), "82 01 2C");
    }
    EXPECT_EQ(CAsn1Base::insertLength(buf, 70000, 0, 0x80, 0), 4);
    EXPECT_EQ(toHex(buf + 1, 4), "83 01 11 70");
    EXPECT_EQ(CAsn1Base::getEncodingSize(70000, 0), 4);
    EXPECT_EQ(CAsn1Base::insertLength(nullptr, 300, 0, 0x80, 0), 0);
    EXPECT_EQ(CAsn1Base::insertLength(buf, 300, 0, 0x80, 7), 2);

    const Bytes o126 = octets(Bytes(126, 1));
    EXPECT_EQ(toHex(Bytes(o126.begin(), o126.begin() + 2)), "04 7E");
    const Bytes o127 = octets(Bytes(127, 1));
    EXPECT_EQ(toHex(Bytes(o127.begin(), o127.begin() + 2)), "04 7F");
    const Bytes o200 = octets(Bytes(200, 1));
    EXPECT_EQ(toHex(Bytes(o200.begin(), o200.begin() + 3)), "04 81 C8");
    EXPECT_EQ(o200.size(), 203u);
    const Bytes u = octets(Bytes(70000, 'a'), true);
    EXPECT_EQ(toHex(Bytes(u.begin(), u.begin() + 5)), "0C 83 01 11 70");

    EXPECT_EQ(toHex(encodeWith(CASN1::encodeBitString, 0)), "03 01 00");
    EXPECT_EQ(toHex(encodeWith(CASN1::encodeBitString, 0x80)), "03 02 07 80");
    EXPECT_EQ(toHex(encodeWith(CASN1::encodeBitString, 0x02)), "03 02 01 02");
    EXPECT_EQ(toHex(encodeWith(CASN1::encodeBitString, 0x01)), "03 02 00 01");
    EXPECT_EQ(toHex(encodeWith(CASN1::encodeBitString, 0x0180)), "03 03 07 01 80");
    EXPECT_EQ(toHex(encodeWith(CASN1::encodeBitString, 0x0100)), "03 02 00 01")
        << "trailing zero byte dropped, no endless count";
}

TEST(Asn1Writers, ObjectIdentifiersAndTimes) {
    CAsn1_Oid signedData("1.2.840.113549.1.7.2", "signedData");
    EXPECT_EQ(toHex(der(signedData)), "06 09 2A 86 48 86 F7 0D 01 07 02");
    for (const char* bad : {"3.1.2", "1.40.1", "1.2", "1..2.3", "1.2.x"}) {
        CAsn1_Oid o(bad, "");
        EXPECT_EQ(o.getDER(), nullptr) << bad;
    }
    EXPECT_EQ(toHex(der(CAsn1_Oid("2.999.1", ""))), "06 03 88 37 01");
    CAsn1_Oid copy(&signedData);
    EXPECT_EQ(copy.getOid(), "1.2.840.113549.1.7.2");
    EXPECT_EQ(copy.getName(), "signedData");
    EXPECT_EQ(der(copy), der(signedData));
    Bytes cn = hexBytes("06 03 55 04 03");
    CAsn1_Oid decoded(cn.data(), 5);
    EXPECT_EQ(decoded.getOid(), "2.5.4.3");
    EXPECT_EQ(decoded.getName(), "commonName");
    EXPECT_EQ(decoded.getAsn1Length(), 3u);

    EXPECT_EQ(toHex(der(CAsn1_UtcTime(0))), "17 0D 37 30 30 31 30 31 30 30 30 30 30 30 5A");
    CAsn1_UtcTime t(std::string("240229120000Z"));
    EXPECT_EQ(t.getTime(), 1709208000L);
    // An offset says how far local time is ahead of UTC.
    EXPECT_EQ(CAsn1Helper::getUTCTime("2402291300+0100"), 1709208000L);
    EXPECT_EQ(CAsn1Helper::getUTCTime("2402291100-0100"), 1709208000L);
    EXPECT_EQ(CAsn1Helper::getUTCTime("491231235959Z"), 2524607999L);
    EXPECT_EQ(CAsn1Helper::getUTCTime("2402291300+01"), 0L);
    EXPECT_EQ(CAsn1Helper::getUTCTime("24022913"), 0L);
    const Bytes utc = der(t);
    CAsn1_UtcTime back(utc.data(), static_cast<unsigned int>(utc.size()));
    EXPECT_EQ(back.getTime(), 1709208000L);
    const std::string tz = getenv("TZ") ? getenv("TZ") : "";
    setenv("TZ", "America/New_York", 1);
    tzset();
    EXPECT_EQ(CAsn1Helper::getUTCTime("240229120000Z"), 1709208000L);
    if (tz.empty())
        unsetenv("TZ");
    else
        setenv("TZ", tz.c_str(), 1);
    tzset();

    Bytes gt = hexBytes("18 0F 32 30 32 34 30 32 32 39 31 32 30 30 30 30 5A");
    CAsn1_GeneralizedTime g(gt.data(), static_cast<unsigned int>(gt.size()));
    EXPECT_EQ(g.getValue(), "20240229120000");
    const unsigned char* p = utc.data();
    ASN1_UTCTIME* ot = d2i_ASN1_UTCTIME(nullptr, &p, static_cast<long>(utc.size()));
    ASSERT_TRUE(ot);
    EXPECT_EQ(ASN1_UTCTIME_cmp_time_t(ot, 1709208000), 0);
    ASN1_UTCTIME_free(ot);
}

TEST(Asn1Writers, AsnParseReadsBackEverythingTheLibraryWrites) {
    CAsn1_Oid* sha256 = new CAsn1_Oid("2.16.840.1.101.3.4.2.1", "sha-256");
    CAsn1_AlgoIdent algo(sha256);
    EXPECT_EQ(toHex(der(algo)), "30 0D 06 09 60 86 48 01 65 03 04 02 01 05 00");
    EXPECT_EQ(algo.getAlgoHashLength(), 32);
    CAsn1_AlgoIdent withParam(new CAsn1_Oid("1.2.840.10045.2.1", ""), new CAsn1_Oid("1.2.840.10045.3.1.7", ""));
    CAsn1_AlgoIdent reread(withParam.getDER(), withParam.getDERlength());
    EXPECT_EQ(reread.getAlgorithm(), "1.2.840.10045.2.1");
    ASSERT_TRUE(dynamic_cast<CAsn1_Oid*>(reread.getParameter()));
    EXPECT_EQ(dynamic_cast<CAsn1_Oid*>(reread.getParameter())->getOid(), "1.2.840.10045.3.1.7");

    unsigned char* sig = nullptr;
    const Bytes raw = hexBytes("00 00 7F 80 01 02");
    const int sigLen = pkcs1_like_from_raw_ecdsa_signature(raw.data(), 6, &sig);
    ASSERT_GT(sigLen, 0);
    EXPECT_EQ(toHex(sig, static_cast<size_t>(sigLen)), "30 09 02 01 7F 02 04 00 80 01 02");
    const Bytes sigDer(sig, sig + sigLen);
    free(sig);

    const Bytes bigOctets = octets(Bytes(300, 0x5A));
    const std::vector<Bytes> items = {
        encodeWith(CASN1::encodeInteger, 0),
        encodeWith(CASN1::encodeInteger, 0x80),
        encodeWith(CASN1::encodeInteger, 0x80000000u),
        der(CAsn1_Int(16384)),
        der(CAsn1_Int(-129)),
        octets(Bytes(127, 0x11)),
        bigOctets,
        octets(Bytes{'G', 'r', 0xC3, 0xBC, 0xC3, 0x9F, 'e'}, true),
        encodeWith(CASN1::encodeBitString, 0x40),
        der(CAsn1_OctetString("00 11 22")),
        der(CAsn1_BitString("A5")),
        der(CAsn1_NullTag()),
        der(CAsn1_Oid("1.3.6.1.4.1.8301.3.5", "")),
        der(CAsn1_Oid("2.999.1", "")),
        der(CAsn1_UtcTime(1709208000L)),
        der(algo),
        sigDer,
    };
    const Bytes all = sequence(items);
    char path[] = "/tmp/vn-asn1-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    writeBytes(path, all);
    const std::string parsed = runCommand(std::string("openssl asn1parse -inform DER -i -in ") + path).output;
    unlink(path);
    EXPECT_EQ(parsed.find("BAD"), std::string::npos) << parsed;
    EXPECT_EQ(parsed.find("rror"), std::string::npos) << parsed;
    for (const char* want :
         {"INTEGER           :00", "INTEGER           :80", "INTEGER           :80000000", "INTEGER           :4000",
          "INTEGER           :-81", "l= 127 prim:  OCTET STRING", "l= 300 prim:  OCTET STRING",
          "UTF8STRING        :Gr\xC3\xBC\xC3\x9F"
          "e",
          "BIT STRING", "[HEX DUMP]:001122", "NULL", "OBJECT            :1.3.6.1.4.1.8301.3.5",
          "OBJECT            :2.999.1", "UTCTIME           :240229120000Z", "OBJECT            :sha256",
          "INTEGER           :7F", "INTEGER           :800102"}) {
        EXPECT_NE(parsed.find(want), std::string::npos) << want << "\n" << parsed;
    }
    // The whole sequence parses to its end.
    char outer[32];
    snprintf(outer, sizeof(outer), "hl=4 l=%4zu cons: SEQUENCE", all.size() - 4);
    EXPECT_NE(parsed.find(outer), std::string::npos) << parsed;
}

TEST(Asn1Writers, RawEcdsaSignaturesMatchOpenSslDer) {
    for (int nid : {NID_X9_62_prime256v1, NID_secp384r1, NID_secp521r1}) {
        SCOPED_TRACE(OBJ_nid2sn(nid));
        EC_KEY* key = EC_KEY_new_by_curve_name(nid);
        ASSERT_TRUE(key);
        ASSERT_TRUE(EC_KEY_generate_key(key));
        const int half = (EC_GROUP_get_degree(EC_KEY_get0_group(key)) + 7) / 8;
        const unsigned char digest[32] = {1, 2, 3};
        for (int round = 0; round < 20; ++round) {
            ECDSA_SIG* s = ECDSA_do_sign(digest, sizeof(digest), key);
            ASSERT_TRUE(s);
            Bytes raw(2 * static_cast<size_t>(half));
            BN_bn2binpad(ECDSA_SIG_get0_r(s), raw.data(), half);
            BN_bn2binpad(ECDSA_SIG_get0_s(s), raw.data() + half, half);
            unsigned char* mine = nullptr;
            const int len =
                pkcs1_like_from_raw_ecdsa_signature(raw.data(), static_cast<unsigned int>(raw.size()), &mine);
            unsigned char* theirs = nullptr;
            const int theirLen = i2d_ECDSA_SIG(s, &theirs);
            ASSERT_GT(len, 0);
            EXPECT_EQ(toHex(mine, static_cast<size_t>(len)), toHex(theirs, static_cast<size_t>(theirLen)));
            free(mine);
            OPENSSL_free(theirs);
            ECDSA_SIG_free(s);
        }
        EC_KEY_free(key);
    }
    unsigned char* out = reinterpret_cast<unsigned char*>(1);
    EXPECT_EQ(pkcs1_like_from_raw_ecdsa_signature(nullptr, 64, &out), 0);
    EXPECT_EQ(out, nullptr);
    const Bytes odd(5, 1);
    EXPECT_EQ(pkcs1_like_from_raw_ecdsa_signature(odd.data(), 5, &out), 0);
    const Bytes zeros(64, 0);
    const int zl = pkcs1_like_from_raw_ecdsa_signature(zeros.data(), 64, &out);
    EXPECT_EQ(toHex(out, static_cast<size_t>(zl)), "30 06 02 01 00 02 01 00");
    free(out);
}
