// CASN1 navigation and typed readers: known encodings, the OID table, and malformed input.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "ASN1.h"
#include "Asn1TestSupport.h"

namespace {

// An exact-size heap copy, so that the sanitizer build catches reads past the end.
struct Exact {
    explicit Exact(const Bytes& b)
        : size(static_cast<uint32_t>(b.size())), buf(new unsigned char[b.empty() ? 1 : b.size()]) {
        if (!b.empty())
            std::memcpy(buf.get(), b.data(), b.size());
    }
    unsigned char* get() const { return buf.get(); }
    uint32_t size;
    std::unique_ptr<unsigned char[]> buf;
};

}  // namespace

TEST(Asn1Reader, LengthForms) {
    Bytes longForm = hexBytes("04 82 01 00");
    longForm.resize(4 + 256, 0xAB);
    uint32_t pos = 0;
    unsigned char hdr = 0;
    EXPECT_EQ(CASN1::getSeqLength(longForm.data(), pos, &hdr, static_cast<uint32_t>(longForm.size())), 256u);
    EXPECT_EQ(pos, 4u);
    EXPECT_EQ(hdr, 4);

    // The declared content does not fit: no length, no advance.
    pos = 0;
    EXPECT_EQ(CASN1::getSeqLength(longForm.data(), pos, &hdr, 200), 0u);
    EXPECT_EQ(pos, 0u);

    const Bytes indefinite = hexBytes("30 80 02 01 05 00 00");
    pos = 0;
    EXPECT_EQ(CASN1::getSeqLength(indefinite.data(), pos, &hdr, static_cast<uint32_t>(indefinite.size())), 5u);
    EXPECT_EQ(pos, 2u);

    // Length fields wider than 32 bits and reserved forms are refused.
    for (const char* bad : {"04 85 00 00 00 00 01 00", "04 FF 00", "30 80 02 01 05 00", "1F 01 00", "04"}) {
        Exact e(hexBytes(bad));
        Asn1Header h;
        EXPECT_FALSE(CASN1::readHeader(e.get(), e.size, h)) << bad;
    }
}

TEST(Asn1Reader, IndefiniteLengthsHaveANestingLimit) {
    auto nested = [](int depth) {
        Bytes b;
        for (int i = 0; i < depth; ++i) {
            b.push_back(0x30);
            b.push_back(0x80);
        }
        b.push_back(0x05);
        b.push_back(0x00);
        for (int i = 0; i < depth; ++i) {
            b.push_back(0);
            b.push_back(0);
        }
        return b;
    };
    Asn1Header h;
    Exact ok(nested(CASN1::MaxNesting));
    ASSERT_TRUE(CASN1::readHeader(ok.get(), ok.size, h));
    EXPECT_EQ(h.total(), ok.size);
    Exact deep(nested(CASN1::MaxNesting + 1));
    EXPECT_FALSE(CASN1::readHeader(deep.get(), deep.size, h));
}

TEST(Asn1Reader, NavigationStaysInsideTheParent) {
    // SEQUENCE { INTEGER 5, SEQUENCE { NULL }, BIT STRING { NULL } } followed by an OCTET STRING.
    Exact e(hexBytes("30 0C 02 01 05 30 02 05 00 03 03 00 05 00 04 01 FF"));
    DBs rec;
    rec.data = e.get();
    rec.length = e.size;
    ASSERT_TRUE(CASN1::GetNextSubItem(e.get(), &rec));
    EXPECT_EQ(rec.data, e.get() + 2);
    EXPECT_EQ(rec.length, 3u);
    ASSERT_TRUE(CASN1::GetNextItem(rec.data, &rec));
    EXPECT_EQ(rec.data[0], 0x30);
    EXPECT_EQ(CASN1::getType(rec.data), 16u);
    ASSERT_TRUE(CASN1::GetNextItem(rec.data, &rec));
    EXPECT_EQ(rec.data[0], 0x03);
    DBs bits = rec;
    ASSERT_TRUE(CASN1::GetNextSubItem(rec.data, &bits));  // behind the unused-bits byte
    EXPECT_EQ(bits.data[0], 0x05);
    EXPECT_EQ(bits.length, 2u);
    // Content that is no item cannot be entered.
    Exact raw(hexBytes("03 02 00 AA"));
    bits.data = raw.get();
    bits.length = raw.size;
    bits.end = nullptr;
    EXPECT_FALSE(CASN1::GetNextSubItem(raw.get(), &bits));
    // The OCTET STRING behind the SEQUENCE is not a sibling of its last child.
    EXPECT_FALSE(CASN1::GetNextItem(rec.data, &rec));
    EXPECT_EQ(rec.data, nullptr);

    EXPECT_EQ(CASN1::getSubItems(e.get(), e.size), 1);
    // Children that are not SEQUENCEs are stepped over; the count ends at the bound.
    Exact flat(hexBytes("30 0B 02 01 01 04 00 30 00 30 00 31 00"));
    EXPECT_EQ(CASN1::getSubItems(flat.get(), flat.size), 2);

    // An empty SEQUENCE has a child of length 0.
    Exact empty(hexBytes("30 00"));
    rec.data = empty.get();
    rec.length = empty.size;
    rec.end = nullptr;
    EXPECT_TRUE(CASN1::GetNextSubItem(empty.get(), &rec));
    EXPECT_EQ(rec.length, 0u);

    EXPECT_EQ(CASN1::getType(nullptr), 0u);
    const unsigned char ctx = 0xA3;
    EXPECT_EQ(CASN1::getType(&ctx), 0xA3u);
    EXPECT_EQ(CASN1::getClass(&ctx), 128u);
    EXPECT_EQ(CASN1::getContextNum(&ctx), 3u);
}

TEST(Asn1Reader, ObjectIdentifiers) {
    const Bytes ocsp = hexBytes("2B 06 01 05 05 07 30 01 05");
    EXPECT_STREQ(CASN1::getOID(ocsp.data(), static_cast<uint32_t>(ocsp.size()), true), "1.3.6.1.5.5.7.48.1.5");
    const Bytes sha256rsa = hexBytes("2A 86 48 86 F7 0D 01 01 0B");
    EXPECT_STREQ(CASN1::getOID(sha256rsa.data(), 9, true), "1.2.840.113549.1.1.11");
    const Bytes item = hexBytes("06 03 88 37 03");
    EXPECT_STREQ(CASN1::getOID(item.data(), 5, false), "2.999.3");
    const Bytes twoArcs = hexBytes("2A");
    EXPECT_STREQ(CASN1::getOID(twoArcs.data(), 1, true), "1.2");
    // A sub-identifier cut in the middle, a padded one, or a length beyond the item: empty.
    for (const char* bad : {"06 02 2A 86", "06 03 2A 80 01", "06 05 2A 03"}) {
        Exact e(hexBytes(bad));
        EXPECT_STREQ(CASN1::getOID(e.get(), e.size, false), "") << bad;
    }

    EXPECT_STREQ(CASN1::getOIDDescr("1.3.36.8.3.14"), "id-isismtt-at-nameAtBirth");
    EXPECT_EQ(CASN1::getOIDDescr("1.2.3.4"), nullptr);
    const char* unknown = "1.2.3.4";
    EXPECT_EQ(CASN1::getOIDDescrOpt(unknown), unknown);
    EXPECT_STREQ(CASN1::getOIDDescrOpt("2.5.4.3"), "commonName");

    int rows = 0;
    while (myOID[rows].length != 0)
        ++rows;
    EXPECT_EQ(rows, 81);
    EXPECT_STREQ(myOID[rows].oid, "0");
    EXPECT_STREQ(myOID[rows].name, "----");
    // Every row's DER form reads back as its dotted text.
    for (int i = 0; i < rows; ++i)
        EXPECT_STREQ(CASN1::getOID(reinterpret_cast<const unsigned char*>(myOID[i].der), myOID[i].length, false),
                     myOID[i].oid);

    EXPECT_EQ(CASN1::getAttrCertType("0.4.0.1862.1.2"), 2);
    EXPECT_EQ(CASN1::getAttrCertType("1.3.36.8.3.15"), 8);
    EXPECT_EQ(CASN1::getAttrCertType(nullptr), 0);
    EXPECT_EQ(CASN1::getExtensionCertType("1.3.6.1.5.5.7.48.1.5"), 16);
    EXPECT_EQ(CASN1::getExtensionCertType("2.5.29.3"), 0);

    DBs rec;
    Bytes md5 = hexBytes("06 08 2A 86 48 86 F7 0D 02 05");
    rec.data = md5.data();
    rec.length = static_cast<uint32_t>(md5.size());
    EXPECT_EQ(CASN1::getAlgoId(rec), 0x8003u);
    Bytes sha512 = hexBytes("06 09 60 86 48 01 65 03 04 02 03");
    rec.data = sha512.data();
    rec.length = static_cast<uint32_t>(sha512.size());
    EXPECT_EQ(CASN1::getAlgoId(rec), 0x800Eu);
    rec.length = 3;
    EXPECT_EQ(CASN1::getAlgoId(rec), 0x800Cu);
}

TEST(Asn1Reader, TimesAsText) {
    auto utc = [](const std::string& text) {
        Bytes b{0x17, static_cast<unsigned char>(text.size())};
        b.insert(b.end(), text.begin(), text.end());
        return b;
    };
    Bytes t = utc("491231235959Z");
    EXPECT_STREQ(CASN1::getGenTimeRaw(t.data(), static_cast<uint32_t>(t.size())), "20491231235959");
    t = utc("500101000000Z");
    EXPECT_STREQ(CASN1::getGenTimeRaw(t.data(), static_cast<uint32_t>(t.size())), "19500101000000");
    t = utc("240229120000Z");
    EXPECT_STREQ(CASN1::getGenTime(t.data(), static_cast<uint32_t>(t.size())), "29.02.2024");
    EXPECT_STREQ(CASN1::getGenTimeDate(t.data(), static_cast<uint32_t>(t.size())), "29.02.2024");
    EXPECT_STREQ(CASN1::getGenTimeTime(t.data(), static_cast<uint32_t>(t.size())), "29:02:2024");
    Bytes g{0x18, 15};
    const std::string gt = "20991231235958Z";
    g.insert(g.end(), gt.begin(), gt.end());
    EXPECT_STREQ(CASN1::getGenTime(g.data(), static_cast<uint32_t>(g.size())), "31.12.2099");
    EXPECT_STREQ(CASN1::getGenTimeRaw(g.data(), static_cast<uint32_t>(g.size())), "20991231235958");
    Exact cut(hexBytes("18 0F 32 30 39 39"));
    EXPECT_STREQ(CASN1::getGenTime(cut.get(), cut.size), "");
}

TEST(Asn1Reader, StringsAndHexDumpsStayInsideTheirBuffers) {
    Bytes s = hexBytes("0C 05 48 61 6C 6C 6F");
    EXPECT_STREQ(CASN1::getString(s.data(), static_cast<uint32_t>(s.size())), "Hallo");
    Bytes o = hexBytes("04 03 00 AB FF");
    EXPECT_STREQ(CASN1::getOctetString(o.data(), static_cast<uint32_t>(o.size())), "00ABFF");
    Bytes b = hexBytes("03 03 00 12 EF");
    EXPECT_STREQ(CASN1::getBitString(b.data(), static_cast<uint32_t>(b.size())), "12EF");
    Bytes bmp = hexBytes("1E 04 00 41 03 A9");
    const uint16_t* units = CASN1::getBmpString(bmp.data(), static_cast<uint32_t>(bmp.size()));
    EXPECT_EQ(units[0], 0x41);
    EXPECT_EQ(units[1], 0x3A9);
    EXPECT_EQ(units[2], 0);
    Bytes boolean = hexBytes("01 01 FF");
    EXPECT_EQ(CASN1::getBoolean(boolean.data(), 3), 1);
    Bytes integer = hexBytes("02 05 01 02 03 04 05");
    EXPECT_EQ(CASN1::getInteger(integer.data(), 7), 0x02030405u);

    // A hex dump that would not fit the 5000-byte buffer is refused; a string is cut.
    Bytes big = hexBytes("04 82 0B B8");
    big.resize(4 + 3000, 0x41);
    EXPECT_STREQ(CASN1::getOctetString(big.data(), static_cast<uint32_t>(big.size())), "");
    big[0] = 0x0C;
    Bytes longer = hexBytes("0C 82 1F 40");
    longer.resize(4 + 8000, 'x');
    EXPECT_EQ(std::strlen(CASN1::getString(longer.data(), static_cast<uint32_t>(longer.size()))),
              CASN1::ResultSize - 1);
    // A content length beyond the given total gives the empty result.
    Exact cut(hexBytes("0C 09 41 42"));
    EXPECT_STREQ(CASN1::getString(cut.get(), cut.size), "");
    EXPECT_EQ(CASN1::getInteger(cut.get(), cut.size), 0u);
}

TEST(Asn1Reader, NamesAndGeneralNames) {
    // SEQUENCE { SET { CN "A" }, SET { O "B" + OU BMP "Ω" } }
    Bytes name = hexBytes(
        "30 27 31 0A 30 08 06 03 55 04 03 0C 01 41 31 19 30 08 06 03 55 04 0A 13 01 42"
        "30 0D 06 03 55 04 0B 1E 02 03 A9 1E 02 00 21");
    EXPECT_STREQ(CASN1::getGenName(name.data(), static_cast<uint32_t>(name.size())),
                 "commonName=A, organizationName=B, organizationalUnitName=\xCE\xA9!");
    // GeneralNames: rfc822Name, dNSName, directoryName.
    Bytes general = hexBytes("30 1A 81 05 61 40 62 2E 63 82 03 78 2E 79 A4 0C 30 0A 31 08 30 06 06 03 55 04 06 13 00");
    EXPECT_STREQ(CASN1::getGenName(general.data(), static_cast<uint32_t>(general.size())), "a@b.c, x.y, countryName=");
    // An unknown attribute type is shown by its dotted text.
    Bytes unknown = hexBytes("30 0D 31 0B 30 09 06 03 2A 03 04 0C 02 68 69");
    EXPECT_STREQ(CASN1::getGenName(unknown.data(), static_cast<uint32_t>(unknown.size())), "1.2.3.4=hi");
    // A very long name is cut to the buffer.
    Bytes many;
    for (int i = 0; i < 600; ++i) {
        const Bytes rdn = hexBytes("31 0A 30 08 06 03 55 04 03 0C 01 41");
        many.insert(many.end(), rdn.begin(), rdn.end());
    }
    Bytes seq = hexBytes("30 82");
    seq.push_back(static_cast<unsigned char>(many.size() >> 8));
    seq.push_back(static_cast<unsigned char>(many.size()));
    seq.insert(seq.end(), many.begin(), many.end());
    EXPECT_EQ(std::strlen(CASN1::getGenName(seq.data(), static_cast<uint32_t>(seq.size()))), CASN1::ResultSize - 1);
}

TEST(Asn1Reader, AttributeCertificateItems) {
    // AttributeCertificate { info { version 1, holder { [1] entityName }, [0] v2Form { issuerName },
    //   signature, serial 7, validity, attributes }, signatureAlgorithm, signature }
    const std::string info =
        "02 01 01"
        "30 08 A1 06 86 04 68 6F 6C 64"        // holder with [1] entityName
        "A0 0A 30 08 86 06 69 73 73 75 65 72"  // issuer v2Form { GeneralNames }
        "30 0A 06 08 2A 86 48 CE 3D 04 03 02"  // signature
        "02 01 07"                             // serial
        "30 04 18 00 18 00"                    // validity (placeholder times)
        "30 02 30 00";                         // attributes
    const Bytes infoBytes = hexBytes(info);
    Bytes cert = hexBytes("30 00 30 00");
    cert[3] = static_cast<unsigned char>(infoBytes.size());
    cert.insert(cert.end(), infoBytes.begin(), infoBytes.end());
    const Bytes tail = hexBytes("30 0A 06 08 2A 86 48 CE 3D 04 03 02 03 01 00");
    cert.insert(cert.end(), tail.begin(), tail.end());
    cert[1] = static_cast<unsigned char>(cert.size() - 2);
    Exact e(cert);
    DBs rec;
    ASSERT_TRUE(CASN1::GetAttrCertItem(e.get(), e.size, CASN1::CERT_VERSION, &rec));
    EXPECT_EQ(CASN1::getInteger(rec.data, rec.length), 1u);
    ASSERT_TRUE(CASN1::GetAttrCertItem(e.get(), e.size, CASN1::CERT_SUBJECT, &rec));
    EXPECT_EQ(rec.data[0], 0xA1);
    EXPECT_FALSE(CASN1::GetAttrCertItem(e.get(), e.size, CASN1::CERT_HOLDER_OLD, &rec));
    ASSERT_TRUE(CASN1::GetAttrCertItem(e.get(), e.size, CASN1::CERT_ISSUER, &rec));
    EXPECT_STREQ(CASN1::getGenName(rec.data, rec.length), "issuer");
    ASSERT_TRUE(CASN1::GetAttrCertItem(e.get(), e.size, CASN1::CERT_SIGNATURE, &rec));
    EXPECT_EQ(rec.length, 12u);
    ASSERT_TRUE(CASN1::GetAttrCertItem(e.get(), e.size, CASN1::CERT_SERIAL, &rec));
    EXPECT_EQ(CASN1::getInteger(rec.data, rec.length), 7u);
    ASSERT_TRUE(CASN1::GetAttrCertItem(e.get(), e.size, CASN1::CERT_VALIDITY, &rec));
    ASSERT_TRUE(CASN1::GetAttrCertItem(e.get(), e.size, CASN1::CERT_ATTRIBUTES, &rec));
    EXPECT_EQ(rec.length, 4u);
    EXPECT_FALSE(CASN1::GetAttrCertItem(e.get(), e.size, CASN1::CERT_EXTENSIONS, &rec));
    EXPECT_EQ(rec.data, nullptr);
    EXPECT_FALSE(CASN1::GetAttrCertItem(e.get(), e.size, CASN1::CERT_ACERT_ISSUERUID, &rec));
    // Every shorter copy fails cleanly.
    for (uint32_t len = 0; len < e.size; ++len) {
        Exact cut(Bytes(cert.begin(), cert.begin() + len));
        EXPECT_FALSE(CASN1::GetAttrCertItem(cut.get(), cut.size, CASN1::CERT_ATTRIBUTES, &rec));
    }
}

TEST(Asn1Reader, TokenInfoAndPkcs1Blocks) {
    // TokenInfo { version 0, serialNumber 01 02 03, manufacturer UTF8 "M", label [0] "Card" }
    Exact token(hexBytes("30 11 02 01 00 04 03 01 02 03 0C 01 4D 80 04 43 61 72 64"));
    char label[8];
    EXPECT_EQ(CASN1::getCardName(token.get(), token.size, label, sizeof(label)), 1);
    EXPECT_STREQ(label, "Card");
    EXPECT_EQ(CASN1::getCardName1k(token.get(), token.size, label, sizeof(label)), 1);
    EXPECT_STREQ(label, "M");
    char small[3];
    EXPECT_EQ(CASN1::getCardName(token.get(), token.size, small, sizeof(small)), 1);
    EXPECT_STREQ(small, "Ca");
    unsigned char serial[16];
    unsigned char serialLen = 0;
    EXPECT_EQ(CASN1::getCardSerial(token.get(), token.size, serial, sizeof(serial), &serialLen), 1);
    EXPECT_EQ(toHex(serial, serialLen), "01 02 03");

    // Without a serial item: 16 bytes from offset 28, result 0.
    Bytes noSerial = hexBytes("30 2C 02 01 00 0C 27");
    for (int i = 0; i < 39; ++i)
        noSerial.push_back(static_cast<unsigned char>(i));
    Exact ns(noSerial);
    EXPECT_EQ(CASN1::getCardSerial(ns.get(), ns.size, serial, sizeof(serial), &serialLen), 0);
    EXPECT_EQ(serialLen, 16);
    EXPECT_EQ(toHex(serial, 16), toHex(noSerial.data() + 28, 16));
    Exact cut(hexBytes("30 10 02 01 00 04"));
    EXPECT_EQ(CASN1::getCardSerial(cut.get(), cut.size, serial, sizeof(serial), &serialLen), 0);
    EXPECT_EQ(serialLen, 0);

    Exact bt1(hexBytes("00 01 FF FF FF 00 AA BB"));
    DBs rec;
    ASSERT_EQ(CASN1::getPKCS1(bt1.get(), bt1.size, rec), 1);
    EXPECT_EQ(toHex(rec.data, rec.length), "AA BB");
    Exact noSep(hexBytes("00 01 FF FF"));
    EXPECT_EQ(CASN1::getPKCS1(noSep.get(), noSep.size, rec), 0);

    Exact bt2(hexBytes("00 02 11 22 33 00 CC DD EE"));
    unsigned char* data = nullptr;
    uint32_t len = bt2.size;
    ASSERT_EQ(CASN1::getPKCS1_2(bt2.get(), &data, &len), 1);
    EXPECT_EQ(toHex(data, len), "CC DD EE");
    Exact bt2bad(hexBytes("00 02 11 22"));
    len = bt2bad.size;
    EXPECT_EQ(CASN1::getPKCS1_2(bt2bad.get(), &data, &len), 0);

    unsigned char src[3] = {1, 2, 3}, dst[3];
    CASN1::EndianConv(src, dst, 3);
    EXPECT_EQ(toHex(dst, 3), "03 02 01");
    unsigned short v = 0x1234;
    EXPECT_EQ(CASN1::endian_swap_short(v), 0x3412);
    EXPECT_EQ(v, 0x3412);
}
