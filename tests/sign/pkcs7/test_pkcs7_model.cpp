// The SignedData model: signed data built for every key type is accepted by openssl cms,
// attributes follow the CAdES level, placeholders have the final size, and the model
// decodes what it encodes.
#include <gtest/gtest.h>
#include <openssl/cms.h>
#include <openssl/sha.h>
#include <sys/timeb.h>

#include <algorithm>
#include <cstring>

#include "Pkcs7TestSupport.h"
#include "asn1/Pkcs7Der.h"
#include "sign/SignedContent.h"

namespace {

const Bytes kData = {'s', 'i', 'g', 'n', 'e', 'd', ' ', 'c', 'o', 'n', 't', 'e', 'n', 't', '\n'};

struct KeyCase {
    const char* signer;
    int mode;
    int nAlgoID;
};

std::string caseName(const KeyCase& c) {
    static const char* const modes[] = {"pkcs1", "pss", "ecdsa"};
    return std::string(c.signer) + "/" + modes[c.mode] + "/algo" + std::to_string(c.nAlgoID);
}

// Positions of the attribute names in the openssl print-out; npos when absent.
std::vector<size_t> attributePositions(const std::string& print) {
    const char* names[] = {"contentType", "signingTime", "messageDigest", "id-smime-aa-signingCertificateV2"};
    std::vector<size_t> pos;
    for (const char* n : names)
        pos.push_back(print.find("object: " + std::string(n)));
    return pos;
}

}  // namespace

TEST(Pkcs7Model, SignedDataOfEveryKeyTypeVerifiesWithOpensslAttachedAndDetached) {
    const KeyCase cases[] = {
        {"signer-rsa2048", 0, 1}, {"signer-rsa3072", 0, 3}, {"signer-rsa2048", 0, 0}, {"signer-rsa2048", 1, 1},
        {"signer-rsa3072", 1, 2}, {"signer-ec256", 2, 1},   {"signer-ec384", 2, 2},   {"signer-ec521", 2, 3},
        {"signer-ec256", 0, 0},  // an EC certificate makes the mode ECDSA
    };
    TempDir dir;
    writeBytes(dir.file("content"), kData);
    for (const KeyCase& c : cases) {
        for (bool attach : {true, false}) {
            SCOPED_TRACE(caseName(c) + (attach ? " attached" : " detached"));
            const Built b = buildSigned(c.signer, c.mode, c.nAlgoID, kData, attach, 0);
            ASSERT_FALSE(b.der.empty());
            const bool ec = std::string(c.signer).find("ec") != std::string::npos;
            if (ec)
                EXPECT_LE(b.der.size(), b.placeholderLength);
            else
                EXPECT_EQ(b.der.size(), b.placeholderLength);
            writeBytes(dir.file("sig.der"), b.der);
            EXPECT_TRUE(cmsVerify(dir.file("sig.der"), attach ? std::string() : dir.file("content")));
            if (!attach) {
                writeBytes(dir.file("other"), Bytes{'x'});
                EXPECT_FALSE(cmsVerify(dir.file("sig.der"), dir.file("other")));
            }
        }
    }
}

TEST(Pkcs7Model, SignedAttributesFollowTheCadesLevelInTheirOrder) {
    TempDir dir;
    const struct {
        int level;
        bool signingTime;
        bool signingCertificate;
    } levels[] = {{0, true, true}, {1, false, true}, {5, true, false}, {3, true, true}};
    for (const auto& l : levels) {
        SCOPED_TRACE("level " + std::to_string(l.level));
        const Built b = buildSigned("signer-rsa2048", 0, 1, kData, true, l.level);
        ASSERT_FALSE(b.der.empty());
        writeBytes(dir.file("sig.der"), b.der);
        const std::string print = commandOutput("openssl cms -cmsout -print -inform DER -in " + dir.file("sig.der"));
        const std::vector<size_t> pos = attributePositions(print);
        ASSERT_NE(pos[0], std::string::npos);
        ASSERT_NE(pos[2], std::string::npos) << "messageDigest is always signed";
        EXPECT_EQ(pos[1] != std::string::npos, l.signingTime);
        EXPECT_EQ(pos[3] != std::string::npos, l.signingCertificate);
        size_t last = 0;
        for (size_t p : pos)
            if (p != std::string::npos) {
                EXPECT_GT(p, last);
                last = p;
            }
        EXPECT_TRUE(cmsVerify(dir.file("sig.der")));
    }
}

TEST(Pkcs7Model, PlaceholdersHaveTheFinalSizeForRsaAndTheLargestEcdsaValue) {
    const struct {
        const char* signer;
        unsigned int valueLength;  // bytes of the placeholder signature value
    } cases[] = {{"signer-rsa2048", 256},
                 {"signer-rsa3072", 384},
                 {"signer-ec256", 72},
                 {"signer-ec384", 104},
                 {"signer-ec521", 139}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.signer);
        Bytes cert = readBytes(signerFile(std::string(c.signer) + ".der"));
        Bytes data(kData);
        CAsn1_Pkcs7 p7;
        p7.setContentType(2);
        ASSERT_TRUE(p7.setContent_SignedData(cert.data(), static_cast<unsigned int>(cert.size()), 1, data.data(),
                                             static_cast<int>(data.size()), nullptr, false, 0, "1.2.840.113549.1.1.1",
                                             nullptr));
        const CAsn1_OctetString* value = p7.getSignature(0, true);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->getBinaryDataLen(), c.valueLength);
        const unsigned char* v = value->getBinaryData();
        if (c.valueLength == 139) {  // P-521: the sequence needs a two-byte length: 30 81 88
            EXPECT_EQ(std::vector<unsigned char>(v, v + 3), (std::vector<unsigned char>{0x30, 0x81, 0x88}));
        }
        // What OpenSSL parses is what the model wrote.
        const unsigned char* p = p7.getDER();
        CMS_ContentInfo* cms = d2i_CMS_ContentInfo(nullptr, &p, p7.getDERlength());
        ASSERT_NE(cms, nullptr);
        EXPECT_EQ(p, p7.getDER() + p7.getDERlength());
        CMS_ContentInfo_free(cms);
    }
}

TEST(Pkcs7Model, EcdsaRawValuesAreStoredAsDerAndGivenBackRaw) {
    Bytes cert = readBytes(pkiFile("signer-ec256.der"));
    PkeyPtr key = loadKey(pkiFile("signer-ec256.key"));
    Bytes data(kData);
    CAsn1_Pkcs7 p7;
    p7.setContentType(2);
    ASSERT_TRUE(p7.setContent_SignedData(cert.data(), static_cast<unsigned int>(cert.size()), 1, data.data(),
                                         static_cast<int>(data.size()), nullptr, false, 0, "", nullptr));
    EXPECT_EQ(p7.getSigAlgo(), CAsn1_Pkcs7::SIG_ECDSA);
    const CAsn1_SignerInfo* signer = p7.getSignedData()->getSignerInfo(0);
    EXPECT_EQ(signer->getSignatureAlgorithm()->getAlgorithm(), "1.2.840.10045.4.3.2");
    ASSERT_NE(signer->getSignatureAlgorithm()->getParameter(), nullptr);
    EXPECT_EQ(signer->getSignatureAlgorithm()->getParameter()->getDER()[0], 0x05);
    EXPECT_TRUE(signer->isECDSA());
    EXPECT_FALSE(signer->isPSS());

    Bytes raw = signBytes(key.get(), 2, 1, attributesToSign(p7));
    ASSERT_EQ(raw.size(), 64u);
    ASSERT_TRUE(p7.setSignature(0, raw.data(), 64));
    const CAsn1_OctetString* der = p7.getSignature(0, true);
    ASSERT_EQ(der->getBinaryData()[0], 0x30);
    const CAsn1_OctetString* back = p7.getSignature(0, false);
    ASSERT_EQ(back->getBinaryDataLen(), 64u);
    EXPECT_EQ(Bytes(back->getBinaryData(), back->getBinaryData() + 64), raw);

    // Decoded again, the raw form comes from the stored DER value.
    CAsn1_Pkcs7 decoded(p7.getDER(), p7.getDERlength());
    ASSERT_EQ(decoded.getError(), 0);
    const CAsn1_OctetString* again = decoded.getSignature(0, false);
    EXPECT_EQ(Bytes(again->getBinaryData(), again->getBinaryData() + again->getBinaryDataLen()), raw);
}

TEST(Pkcs7Model, SignatureAlgorithmsByModeKeyAndDigest) {
    Bytes ec = readBytes(pkiFile("signer-ec256.der"));
    Bytes rsa = readBytes(pkiFile("signer-rsa2048.der"));
    Bytes data(kData);
    struct {
        Bytes* cert;
        int mode;
        int nAlgoID;
        const char* oid;
        // clang-format off
    } cases[] = {
        {&ec, 0, 4, "1.2.3.4.5"},                  // RIPEMD-160 with an EC key: the key algorithm given
        {&ec, 2, 0, "1.2.840.10045.4.1"},          {&ec, 2, 3, "1.2.840.10045.4.3.4"},
        {&rsa, 0, 5, "1.2.840.113549.1.1.1"},      {&rsa, 1, 0, "1.2.840.113549.1.1.10"},
    };
    // clang-format on
    for (const auto& c : cases) {
        CAsn1_Pkcs7 p7;
        p7.setContentType(2);
        p7.setSigAlgo(c.mode);
        ASSERT_TRUE(p7.setContent_SignedData(c.cert->data(), static_cast<unsigned int>(c.cert->size()), c.nAlgoID,
                                             data.data(), static_cast<int>(data.size()), nullptr, true, 0, "1.2.3.4.5",
                                             nullptr));
        const CAsn1_SignerInfo* signer = p7.getSignedData()->getSignerInfo(0);
        EXPECT_EQ(signer->getSignatureAlgorithm()->getAlgorithm(), c.oid);
        if (c.mode == 1) {
            const unsigned char* p = signer->getSignatureAlgorithm()->getParameter()->getDER();
            CAsn1_AlgoIdent_Params params(p, signer->getSignatureAlgorithm()->getParameter()->getDERlength());
            ASSERT_EQ(params.getError(), 0);
            EXPECT_EQ(params.getHashAlgorithm()->getAlgorithm(), "1.3.14.3.2.26");
            EXPECT_EQ(params.getMaskAlgorithm()->getAlgorithm(), "1.2.840.113549.1.1.8");
            EXPECT_EQ(params.getMaskHashAlgorithm()->getAlgorithm(), "1.3.14.3.2.26");
            EXPECT_EQ(params.getSaltLength(), 20);
            EXPECT_TRUE(signer->isPSS());
        }
    }
}

TEST(Pkcs7Model, DecodingGivesThePartsAndReencodesTheSameBytes) {
    Bytes extra = readBytes(pkiFile("issuing-ca.der"));
    std::list<CAsn1_Cert*> more{new CAsn1_Cert(extra.data(), static_cast<unsigned int>(extra.size()))};
    timeb when{};
    when.time = 1700000000;  // 2023-11-14 22:13:20 UTC
    Bytes cert = readBytes(pkiFile("signer-rsa2048.der"));
    Bytes data(kData);
    CAsn1_Pkcs7 built;
    built.setContentType(2);
    ASSERT_TRUE(built.setContent_SignedData(cert.data(), static_cast<unsigned int>(cert.size()), 1, data.data(),
                                            static_cast<int>(data.size()), &when, true, 0, "", &more));
    for (CAsn1_Cert* c : more)
        delete c;

    CAsn1_Pkcs7 p7(built.getDER(), built.getDERlength());
    ASSERT_EQ(p7.getError(), 0);
    EXPECT_EQ(p7.getContentTypeNum(), 2);
    EXPECT_EQ(p7.getVersion(), 1);
    const CAsn1_Pkcs7_Sd* sd = p7.getSignedData();
    ASSERT_EQ(sd->getCertificateNum(), 2);
    EXPECT_EQ(Bytes(sd->getCertificate(0)->getDER(), sd->getCertificate(0)->getDER() + cert.size()), cert);
    EXPECT_EQ(sd->getCertificate(1)->getDERlength(), extra.size());
    EXPECT_EQ(sd->getContentInfo()->getContent()->getBinaryDataLen(), data.size());
    const CAsn1_AuthAttributes* a = p7.getAuthAttributes(0);
    ASSERT_EQ(a->getAttributeNum(), 4);
    const CAsn1_UtcTime* t = dynamic_cast<const CAsn1_UtcTime*>(a->getAttribute(1)->getValue());
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(t->getDER()) + 2, 13), "231114221320Z");
    const CAsn1_OctetString* digest = dynamic_cast<const CAsn1_OctetString*>(a->getAttribute(2)->getValue());
    unsigned char expected[32];
    SHA256(data.data(), data.size(), expected);
    EXPECT_EQ(Bytes(digest->getBinaryData(), digest->getBinaryData() + 32), Bytes(expected, expected + 32));
    CAsn1_EssCertIdV2 ess(a->getAttribute(3)->getValue()->getDER(), a->getAttribute(3)->getValue()->getDERlength());
    ASSERT_EQ(ess.getError(), 0);
    SHA256(cert.data(), cert.size(), expected);
    EXPECT_EQ(Bytes(ess.getCertHash()->getBinaryData(), ess.getCertHash()->getBinaryData() + 32),
              Bytes(expected, expected + 32));
    EXPECT_EQ(ess.getIssuerSerial()->getSerial(), sd->getSignerInfo(0)->getIssuerAndSerial()->getSerial());

    ASSERT_EQ(p7.encode(), 1);
    EXPECT_EQ(Bytes(p7.getDER(), p7.getDER() + p7.getDERlength()),
              Bytes(built.getDER(), built.getDER() + built.getDERlength()));
}

TEST(Pkcs7Model, WrongInputGivesErrorsNotCrashes) {
    CAsn1_Pkcs7 empty(nullptr, 0);
    EXPECT_EQ(empty.getError(), -22);
    EXPECT_EQ(empty.getAuthAttributes(0), nullptr);
    EXPECT_EQ(empty.getSignature(0, true), nullptr);
    unsigned char sig[4] = {1, 2, 3, 4};
    EXPECT_EQ(empty.setSignature(0, sig, 4), 0);

    Bytes data(kData);
    Bytes junk = {0x30, 0x03, 0x02, 0x01, 0x01};
    CAsn1_Pkcs7 p7;
    p7.setContentType(2);
    EXPECT_EQ(p7.setContent_SignedData(junk.data(), static_cast<unsigned int>(junk.size()), 1, data.data(),
                                       static_cast<int>(data.size()), nullptr, true, 0, "", nullptr),
              0);
    CAsn1_Attribute badType("1.2.3", "x", 2, "01");
    EXPECT_EQ(badType.getError(), 255);
    EXPECT_FALSE(CAsn1_Pkcs7::checkCadesLevel("1.2.3.4", 0));
}

namespace {

// Tag, length and header size of the DER item at p (definite lengths only).
struct Header {
    uint8_t tag = 0;
    uint64_t length = 0;
    size_t size = 0;
};

Header headerAt(const unsigned char* p) {
    Header h;
    h.tag = p[0];
    if (p[1] < 0x80) {
        h.length = p[1];
        h.size = 2;
        return h;
    }
    const size_t n = p[1] & 0x7F;
    for (size_t i = 0; i < n; ++i)
        h.length = (h.length << 8) | p[2 + i];
    h.size = 2 + n;
    return h;
}

}  // namespace

// Attached signed data of a file is written as a prefix, the file and a suffix; the
// prefix's lengths hold files over 4 GiB (checked without the gigabytes: only the lengths
// are computed), and with the real content openssl verifies the three parts together.
TEST(Pkcs7Model, ContentAroundTheFileHoldsLengthsOver4GiB) {
    Bytes encoded;
    pkcs7der::appendLength(encoded, 0xFFFFFFFFull);
    pkcs7der::appendLength(encoded, 0x100000000ull);
    pkcs7der::appendLength(encoded, 0x120000000ull);  // 4.5 GiB
    EXPECT_EQ(
        (Bytes{0x84, 0xFF, 0xFF, 0xFF, 0xFF, 0x85, 0x01, 0x00, 0x00, 0x00, 0x00, 0x85, 0x01, 0x20, 0x00, 0x00, 0x00}),
        encoded);
    EXPECT_EQ(7u, pkcs7der::headerSize(0x120000000ull));

    const Built detached = buildSigned("signer-rsa2048", 0, 1, kData, false, 0);
    ASSERT_FALSE(detached.der.empty());
    TempDir dir;
    Bytes prefix, suffix;
    ASSERT_TRUE(vn_sign::encapsulateContent(detached.der, kData.size(), prefix, suffix));
    Bytes whole = prefix;
    whole.insert(whole.end(), kData.begin(), kData.end());
    whole.insert(whole.end(), suffix.begin(), suffix.end());
    writeBytes(dir.file("attached.der"), whole);
    EXPECT_TRUE(cmsVerify(dir.file("attached.der")));

    const uint64_t big = 0x120000000ull;
    ASSERT_TRUE(vn_sign::encapsulateContent(detached.der, big, prefix, suffix));
    // The outer sequence spans prefix, content and suffix; the OCTET STRING ends the prefix.
    const Header outer = headerAt(prefix.data());
    EXPECT_EQ(0x30, outer.tag);
    EXPECT_EQ(prefix.size() - outer.size + big + suffix.size(), outer.length);
    const Header octets = headerAt(prefix.data() + prefix.size() - 7);
    EXPECT_EQ(0x04, octets.tag);
    EXPECT_EQ(big, octets.length);
    // [0] EXPLICIT and the SignedData sequence inside it, each over the rest.
    size_t at = outer.size;
    at += headerAt(prefix.data() + at).size + headerAt(prefix.data() + at).length;  // content type OID
    const Header explicit0 = headerAt(prefix.data() + at);
    EXPECT_EQ(0xA0, explicit0.tag);
    EXPECT_EQ(prefix.size() - at - explicit0.size + big + suffix.size(), explicit0.length);
    const Header signedData = headerAt(prefix.data() + at + explicit0.size);
    EXPECT_EQ(0x30, signedData.tag);
    EXPECT_EQ(explicit0.length - signedData.size, signedData.length);
}
