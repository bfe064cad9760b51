// PKCS#15 record classes: decoding of directory files written by hand, encoding from
// values (checked with openssl asn1parse), malformed input.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "CertInfoSC.h"
#include "Pkcs15.h"

namespace {
using Bytes = std::vector<uint8_t>;

Bytes hx(const std::string& text) {
    Bytes b;
    std::string digits;
    for (char c : text)
        if (isxdigit(static_cast<unsigned char>(c)))
            digits += c;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        b.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return b;
}

// The AODF, PrKDF and CDF of a D-TRUST style card (two PINs, two keys, three certificates).
const char* kAodf =
    "30 3C 30 12 0C 0C 53 69 67 6E 61 74 75 72 2D 50 49 4E 03 02 06 C0 30 03 04 01 01 A1 21 30 1F 03"
    "02 03 48 0A 01 01 02 01 06 02 01 08 02 01 0C 80 02 00 81 04 01 00 30 06 04 04 3F 00 1F FF 30 37"
    "30 10 0C 0A 4B 61 72 74 65 6E 2D 50 49 4E 03 02 06 C0 30 03 04 01 02 A1 1E 30 1C 03 02 03 08 0A"
    "01 01 02 01 06 02 01 08 02 01 0C 80 01 11 04 01 00 30 04 04 02 3F 00";
const char* kPrkdf =
    "30 3B 30 1B 0C 12 53 69 67 6E 61 74 75 72 73 63 68 6C 75 65 73 73 65 6C 03 02 07 80 04 01 01 30"
    "0C 04 01 01 03 03 06 20 40 02 02 00 81 A1 0E 30 0C 30 06 04 04 3F 00 1F FF 02 02 08 00 30 41 30"
    "23 0C 1A 41 75 74 68 65 6E 74 69 73 69 65 72 75 6E 67 73 73 63 68 6C 75 65 73 73 65 6C 03 02 07"
    "80 04 01 02 30 0A 04 01 02 03 02 02 64 02 01 12 A1 0E 30 0C 30 06 04 04 3F 00 1F FD 02 02 08 00";
const char* kCdf =
    "30 29 30 14 0C 12 53 69 67 6E 61 74 75 72 7A 65 72 74 69 66 69 6B 61 74 30 03 04 01 01 A1 0C 30"
    "0A 30 08 04 06 3F 00 1F FE C0 01 30 31 30 1C 0C 1A 41 75 74 68 65 6E 74 69 73 69 65 72 75 6E 67"
    "73 7A 65 72 74 69 66 69 6B 61 74 30 03 04 01 02 A1 0C 30 0A 30 08 04 06 3F 00 1F FE C1 01 30 27"
    "30 0F 0C 0D 43 41 2D 5A 65 72 74 69 66 69 6B 61 74 30 06 04 01 03 01 01 FF A1 0C 30 0A 30 08 04"
    "06 3F 00 1F FE C0 00";

// openssl asn1parse over the bytes; its output, or "" when it refuses them.
std::string asn1parse(const Bytes& der) {
    char name[] = "/tmp/vn_p15_XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0)
        return "";
    FILE* f = fdopen(fd, "wb");
    fwrite(der.data(), 1, der.size(), f);
    fclose(f);
    std::string cmd = std::string("openssl asn1parse -inform DER -i -in ") + name + " 2>&1; echo rc=$?";
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[512];
        while (fgets(buf, sizeof buf, p))
            out += buf;
        pclose(p);
    }
    std::remove(name);
    return out.find("rc=0") != std::string::npos ? out : "";
}
}  // namespace

TEST(Pkcs15Records, DecodesAuthenticationObjectsWithPinAttributes) {
    Bytes der = hx(kAodf);
    CPkcs15Auth aodf(der.data(), static_cast<unsigned>(der.size()));
    EXPECT_EQ(aodf.getError(), 0);
    ASSERT_EQ(aodf.getNum(), 2);
    const CPkcs15AuthInfo* sig = aodf.getAI(0);
    EXPECT_EQ(sig->getCommAttrib()->getLabel(), "Signatur-PIN");
    EXPECT_TRUE(sig->getCommAttrib()->isPrivate());
    EXPECT_TRUE(sig->getCommAttrib()->isModifiable());
    EXPECT_EQ(sig->getAuthAttrib()->getAuthId(), "01");
    const CPkcs15Pin* pin = sig->getPin();
    EXPECT_EQ(pin->getReference(), 0x81);
    EXPECT_EQ(pin->getMinLength(), 6);
    EXPECT_EQ(pin->getStoredLength(), 8);
    EXPECT_EQ(pin->getMaxLength(), 12);
    EXPECT_EQ(pin->getPadChar(), 0);
    EXPECT_EQ(pin->getType(), 1);
    EXPECT_EQ(pin->getPath(), "3F001FFF");
    // pinFlags 03 02 03 48: local (bit 1) and initialized (bit 4).
    EXPECT_FALSE(pin->isCaseSensitive());
    EXPECT_TRUE(pin->isLocal());
    EXPECT_TRUE(pin->isInitialized());
    EXPECT_FALSE(pin->isNeedsPadding());
    EXPECT_FALSE(pin->isSoPin());
    // A one-byte reference 0x11, a global PIN at the MF.
    EXPECT_EQ(aodf.getAI(1)->getPin()->getReference(), 0x11);
    EXPECT_FALSE(aodf.getAI(1)->getPin()->isLocal());
    EXPECT_EQ(aodf.getAI(1)->getPin()->getPath(), "3F00");
    EXPECT_EQ(aodf.getAI(2), nullptr);
}

TEST(Pkcs15Records, DecodesPrivateKeysAndCertificates) {
    Bytes der = hx(kPrkdf);
    CPkcs15PrKey prkdf(der.data(), static_cast<unsigned>(der.size()));
    ASSERT_EQ(prkdf.getNum(), 2);
    const CPkcs15PrKeyInfo* k = prkdf.getPI(0);
    EXPECT_EQ(k->getCommAttrib()->getLabel(), "Signaturschluessel");
    EXPECT_EQ(k->getCommAttrib()->getAuthId(), "01");
    EXPECT_EQ(k->getCommKeyAttrib()->getId(), "01");
    EXPECT_EQ(k->getCommKeyAttrib()->getKeyReference(), 0x81);
    EXPECT_EQ(k->getKeyAttrib()->getPath(), "3F001FFF");
    EXPECT_EQ(k->getKeyAttrib()->getModulus(), 2048);
    EXPECT_EQ(prkdf.getPI(1)->getCommKeyAttrib()->getKeyReference(), 0x12);

    der = hx(kCdf);
    CPkcs15Cert cdf(der.data(), static_cast<unsigned>(der.size()));
    ASSERT_EQ(cdf.getNum(), 3);
    EXPECT_EQ(cdf.getCI(0)->getCommAttrib()->getLabel(), "Signaturzertifikat");
    EXPECT_EQ(cdf.getCI(0)->getCertAttrib()->getId(), "01");
    EXPECT_EQ(cdf.getCI(0)->getPath()->getPath(), "3F001FFEC001");
    EXPECT_TRUE(cdf.getCI(2)->getCertAttrib()->isAuthority());
    EXPECT_FALSE(cdf.getCI(0)->getCertAttrib()->isAuthority());
}

TEST(Pkcs15Records, DecodesEfDirOdfAndTokenInfo) {
    // Two templates: another application first, the PKCS#15 one second.
    Bytes dir =
        hx("61 0C 4F 06 D2 76 00 00 66 01 51 02 3F 00"
           "61 1D 4F 0C A0 00 00 00 63 50 4B 43 53 2D 31 35 50 07 44 2D 54 52 55 53 54 51 04 3F 00 50 15");
    CPkcs15EfDir efDir(dir.data(), static_cast<unsigned>(dir.size()));
    EXPECT_EQ(efDir.getName(), "A000000063504B43532D3135");
    EXPECT_EQ(efDir.getPath(), "3F005015");
    EXPECT_EQ(efDir.getLabel(), "D-TRUST");

    // PrKDF, CDF, AODF, then an A9 entry that ends the list and a CDF after it.
    Bytes odf =
        hx("A0 0A 30 08 04 06 3F 00 50 15 44 02 A4 0A 30 08 04 06 3F 00 50 15 44 03"
           "A8 0A 30 08 04 06 3F 00 50 15 44 01 A9 04 30 02 04 00 A4 06 30 04 04 02 44 09");
    CPkcs15DfOdf o(odf.data(), static_cast<unsigned>(odf.size()));
    EXPECT_EQ(o.getNumPrKDFs(), 1);
    EXPECT_EQ(o.getPrKDFs(0), "3F0050154402");
    EXPECT_EQ(o.getNumCDFs(), 1);
    EXPECT_EQ(o.getCDFs(0), "3F0050154403");
    EXPECT_EQ(o.getNumAODFs(), 1);
    EXPECT_EQ(o.getCDFs(1), "");

    Bytes ti =
        hx("30 3B 02 01 00 04 08 00 12 34 56 78 90 00 01 0C 0C 44 2D 54 52 55 53 54 20 47 6D 62 48 80 1A 44"
           "2D 54 52 55 53 54 20 43 61 72 64 20 56 33 2E 31 20 73 74 61 6E 64 61 72 64 03 02 05 20");
    CPkcs15DfTi t(ti.data(), static_cast<unsigned>(ti.size()));
    EXPECT_EQ(t.getError(), 0);
    EXPECT_EQ(t.getSerialNumber(), "0012345678900001");
    EXPECT_EQ(t.getManufacturerID(), "D-TRUST GmbH");
    EXPECT_EQ(t.getLabel(), "D-TRUST Card V3.1 standard");
    EXPECT_TRUE(t.isTF_prnGeneration());
    EXPECT_FALSE(t.isTF_readonly());
    EXPECT_EQ(t.getTokenFlags(), 0x20u);
    char serial[] = "ABCDEF";
    t.setSerialNumber(serial);
    EXPECT_EQ(t.getSerialNumber(), "ABCDEF");
}

TEST(Pkcs15Records, MalformedInputSetsErrorsAndStaysInBounds) {
    Bytes ti = hx("31 03 02 01 00");  // a SET, not a SEQUENCE
    EXPECT_NE(CPkcs15DfTi(ti.data(), static_cast<unsigned>(ti.size())).getError(), 0);
    Bytes dir = hx("30 03 4F 01 00");
    EXPECT_NE(CPkcs15EfDir(dir.data(), static_cast<unsigned>(dir.size())).getError(), 0);
    // Every truncation of a directory file decodes without reading past the end.
    Bytes aodf = hx(kAodf);
    for (size_t n = 0; n < aodf.size(); ++n) {
        Bytes cut(aodf.begin(), aodf.begin() + static_cast<long>(n));
        CPkcs15Auth a(cut.empty() ? nullptr : cut.data(), static_cast<unsigned>(n));
        EXPECT_LE(a.getNum(), 2);
    }
    // A length field that claims more than there is.
    Bytes lying = hx("30 82 FF FF 30 00");
    EXPECT_EQ(CPkcs15Cert(lying.data(), static_cast<unsigned>(lying.size())).getNum(), 0);
    // Padding after the last object ends the file.
    Bytes padded = hx(kCdf);
    padded.insert(padded.end(), 20, 0xFF);
    EXPECT_EQ(CPkcs15Cert(padded.data(), static_cast<unsigned>(padded.size())).getNum(), 3);
}

TEST(Pkcs15Records, EncodersProduceDerThatDecodesToTheSameValues) {
    CPkcs15Auth aodf;
    ASSERT_EQ(aodf.addAuth(CPkcs15AuthInfo(
                  CPkcs15CommAttrib("Signatur-PIN", 3, ""), CPkcs15AuthAttrib("01"),
                  CPkcs15Pin(CPkcs15Pin::LOCAL | CPkcs15Pin::INITIALIZED, 1, 6, 8, 12, 0x81, 0, "3F001FFF"))),
              1);
    CPkcs15PrKey prkdf;
    ASSERT_EQ(prkdf.addPrKey(CPkcs15PrKeyInfo(CPkcs15CommAttrib("Signaturschluessel", 1, "01"),
                                              CPkcs15CommKeyAttrib("01", 0x204, true, 0, 0x81),
                                              CPkcs15KeyAttrib("3F001FFF", 2048))),
              1);
    CPkcs15Cert cdf;
    ASSERT_EQ(cdf.addCert(CPkcs15CertInfo(CPkcs15CommAttrib("Signaturzertifikat", 0, ""),
                                          CPkcs15CertAttrib("01", false), CPkcs15Path("3F00/1FFE/C001", 0, 1200))),
              1);
    CPkcs15DfTi ti(0, "0012345678900001", "D-TRUST GmbH", "D-TRUST Card V3.1 standard", 0x20);
    CPkcs15DfOdf odf;
    odf.addPath(CPkcs15DfOdf::PRKDF, "3F0050154402");
    odf.addPath(CPkcs15DfOdf::CDF, "3F0050154403");
    odf.addPath(CPkcs15DfOdf::AODF, "3F0050154401");
    CPkcs15EfDir dir(CPkcs15EfDir::Pkcs15Aid, "D-TRUST", "3F005015");

    Bytes a = aodf.encode(), k = prkdf.encode(), c = cdf.encode(), t = ti.encode(), o = odf.encode(), d = dir.encode();
    // Independent check of the encodings.
    std::string out = asn1parse(a);
    EXPECT_NE(out.find(":Signatur-PIN"), std::string::npos) << out;
    EXPECT_NE(out.find("cont [ 0 ]"), std::string::npos) << out;  // pinReference
    out = asn1parse(k);
    EXPECT_NE(out.find(":Signaturschluessel"), std::string::npos) << out;
    EXPECT_NE(out.find("INTEGER           :0800"), std::string::npos) << out;
    out = asn1parse(c);
    EXPECT_NE(out.find("[HEX DUMP]:3F001FFEC001"), std::string::npos) << out;
    out = asn1parse(t);
    EXPECT_NE(out.find(":D-TRUST GmbH"), std::string::npos) << out;
    EXPECT_FALSE(asn1parse(o).empty());
    EXPECT_FALSE(asn1parse(d).empty());

    // And back through the decoders.
    CPkcs15Auth a2(a.data(), static_cast<unsigned>(a.size()));
    ASSERT_EQ(a2.getNum(), 1);
    EXPECT_EQ(a2.getAI(0)->getPin()->getReference(), 0x81);
    EXPECT_TRUE(a2.getAI(0)->getPin()->isLocal());
    EXPECT_EQ(a2.getAI(0)->getPin()->getMaxLength(), 12);
    EXPECT_EQ(a2.getAI(0)->getPin()->getPath(), "3F001FFF");
    CPkcs15PrKey k2(k.data(), static_cast<unsigned>(k.size()));
    ASSERT_EQ(k2.getNum(), 1);
    EXPECT_EQ(k2.getPI(0)->getCommKeyAttrib()->getUsage(), 0x204u);
    EXPECT_EQ(k2.getPI(0)->getCommKeyAttrib()->getKeyReference(), 0x81);
    EXPECT_EQ(k2.getPI(0)->getKeyAttrib()->getModulus(), 2048);
    CPkcs15Cert c2(c.data(), static_cast<unsigned>(c.size()));
    ASSERT_EQ(c2.getNum(), 1);
    EXPECT_EQ(c2.getCI(0)->getPath()->getPath(), "3F001FFEC001");
    EXPECT_EQ(c2.getCI(0)->getPath()->getLength(), 1200);
    CPkcs15DfTi t2(t.data(), static_cast<unsigned>(t.size()));
    EXPECT_EQ(t2.getLabel(), "D-TRUST Card V3.1 standard");
    EXPECT_EQ(t2.getTokenFlags(), 0x20u);
    CPkcs15DfOdf o2(o.data(), static_cast<unsigned>(o.size()));
    EXPECT_EQ(o2.getAODFs(0), "3F0050154401");
    CPkcs15EfDir d2(d.data(), static_cast<unsigned>(d.size()));
    EXPECT_EQ(d2.getPath(), "3F005015");

    // getDER: size query, too small a buffer, exact buffer.
    unsigned short n = 0;
    ASSERT_EQ(ti.getDER(nullptr, &n), 1);
    EXPECT_EQ(n, t.size());
    std::vector<unsigned char> buf(n);
    unsigned short small = static_cast<unsigned short>(n - 1);
    EXPECT_EQ(ti.getDER(buf.data(), &small), 0);
    EXPECT_EQ(ti.getDER(buf.data(), &n), 1);
    EXPECT_EQ(Bytes(buf.begin(), buf.end()), t);
}

TEST(Pkcs15Records, HelperConvertsPathsAndLatin1) {
    char text[] = "3f00/5015/4401";
    unsigned char out[8];
    unsigned int n = sizeof out;
    ASSERT_TRUE(CPkcs15Helper::ConvertPath(text, sizeof text, out, &n));
    EXPECT_EQ(Bytes(out, out + n), hx("3F00 5015 4401"));
    unsigned int tiny = 2;
    EXPECT_FALSE(CPkcs15Helper::ConvertPath(text, sizeof text, out, &tiny));
    char bad[] = "3f0";
    n = sizeof out;
    EXPECT_FALSE(CPkcs15Helper::ConvertPath(bad, sizeof bad, out, &n));
    EXPECT_EQ(CPkcs15Helper::ConvToUTF8("Schl\xfc"
                                        "ssel"),
              "Schl\xc3\xbcssel");
}

TEST(CertInfoSC, CorrectCertUnwrapsUserCertificateAndTrimsToTheDerLength) {
    // 30 82 01 00 06 03 55 04 24 30 82 00 04 AA BB CC DD, then file padding.
    Bytes wrapped = hx("30 82 00 0F 06 03 55 04 24 30 82 00 04 AA BB CC DD FF FF FF");
    unsigned short n = static_cast<unsigned short>(wrapped.size());
    CCertInfoSC::CorrectCert(wrapped.data(), &n);
    EXPECT_EQ(n, 8);
    EXPECT_EQ(Bytes(wrapped.begin(), wrapped.begin() + n), hx("30 82 00 04 AA BB CC DD"));

    Bytes plain = hx("30 03 02 01 05 00 00");
    n = static_cast<unsigned short>(plain.size());
    CCertInfoSC::CorrectCert(plain.data(), &n);
    EXPECT_EQ(n, 5);
    // A truncated object keeps what is there.
    Bytes cut = hx("30 82 01 00 30 82");
    n = static_cast<unsigned short>(cut.size());
    CCertInfoSC::CorrectCert(cut.data(), &n);
    EXPECT_EQ(n, 6);
}
