// Signature values for the timestamp request, and a timestamp token from openssl ts
// appended as an unsigned attribute.
#include <gtest/gtest.h>

#include <openssl/cms.h>
#include <openssl/sha.h>
#include <algorithm>

#include "PKCS7SSL.h"
#include "Pkcs7TestSupport.h"

namespace {

const Bytes kData = {'t', 'i', 'm', 'e', 's', 't', 'a', 'm', 'p', 'e', 'd'};

// The stored signature value of the first signer as OpenSSL reads it.
Bytes opensslSignature(const Bytes& der) {
    const unsigned char* p = der.data();
    CMS_ContentInfo* cms = d2i_CMS_ContentInfo(nullptr, &p, static_cast<long>(der.size()));
    if (!cms)
        return Bytes();
    CMS_SignerInfo* si = sk_CMS_SignerInfo_value(CMS_get0_SignerInfos(cms), 0);
    ASN1_OCTET_STRING* s = CMS_SignerInfo_get0_signature(si);
    Bytes out(ASN1_STRING_get0_data(s), ASN1_STRING_get0_data(s) + ASN1_STRING_length(s));
    CMS_ContentInfo_free(cms);
    return out;
}

// Content lengths of the five items that enclose the first signer's fields.
std::vector<size_t> enclosingLengths(const Bytes& der) {
    std::vector<size_t> lengths;
    auto header = [&](size_t pos, size_t& content) -> size_t {
        const unsigned char l = der[pos + 1];
        if (l < 0x80) {
            content = l;
            return 2;
        }
        content = 0;
        for (unsigned i = 0; i < (l & 0x7Fu); ++i)
            content = (content << 8) | der[pos + 2 + i];
        return 2 + (l & 0x7Fu);
    };
    size_t content = 0;
    size_t pos = 0;
    pos += header(pos, content);  // ContentInfo
    lengths.push_back(content);
    size_t c2 = 0;
    pos += header(pos, c2);  // OID
    pos += c2;
    pos += header(pos, content);  // [0]
    lengths.push_back(content);
    const size_t sdHeader = header(pos, content);  // SignedData
    lengths.push_back(content);
    const size_t sdEnd = pos + sdHeader + content;
    pos += sdHeader;
    size_t last = pos;
    while (pos < sdEnd) {  // signerInfos is the last element
        last = pos;
        size_t c = 0;
        pos += header(pos, c) + c;
    }
    pos = last;
    pos += header(pos, content);  // SET
    lengths.push_back(content);
    header(pos, content);  // SignerInfo
    lengths.push_back(content);
    return lengths;
}

}  // namespace

TEST(Pkcs7Timestamp, SignatureBlobIsTheStoredValueOrTheRawEcdsaForm) {
    const Built rsa = buildSigned("signer-rsa2048", 0, 1, kData, true, 0);
    Bytes der = rsa.der;
    unsigned int size = 0;
    ASSERT_EQ(CPKCS7SSL::GetSignatureBlobSize(der.data(), &size, 0, true), 0);
    Bytes blob(size);
    ASSERT_EQ(CPKCS7SSL::GetSignatureBlob(der.data(), blob.data(), 0, true), 0);
    EXPECT_EQ(size, 256u);
    EXPECT_EQ(blob, opensslSignature(der));
    EXPECT_EQ(CPKCS7SSL::GetSignatureBlobSize(der.data(), &size, 1, true), CPKCS7SSL::NO_SIGNATURE);

    Bytes ec = buildSigned("signer-ec256", 2, 1, kData, false, 0).der;
    ASSERT_EQ(CPKCS7SSL::GetSignatureBlobSize(ec.data(), &size, 0, false), 0);
    EXPECT_EQ(size, 64u);
    ASSERT_EQ(CPKCS7SSL::GetSignatureBlobSize(ec.data(), &size, 0, true), 0);
    blob.assign(size, 0);
    ASSERT_EQ(CPKCS7SSL::GetSignatureBlob(ec.data(), blob.data(), 0, true), 0);
    EXPECT_EQ(blob, opensslSignature(ec));

    Bytes junk = {0x30, 0x03, 0x02, 0x01, 0x01};
    EXPECT_EQ(CPKCS7SSL::GetSignatureBlobSize(junk.data(), &size, 0, true), CPKCS7SSL::NO_SIGNATURE);
    EXPECT_EQ(CPKCS7SSL::GetSignatureBlob(junk.data(), blob.data(), 0, true), CPKCS7SSL::NO_SIGNATURE);
}

TEST(Pkcs7Timestamp, TokenFromOpensslTsIsAppendedAndTheSignatureStillVerifies) {
    TempDir dir;
    for (const char* signer : {"signer-rsa2048", "signer-ec521"}) {
        SCOPED_TRACE(signer);
        const Built built =
            buildSigned(signer, std::string(signer).find("ec") != std::string::npos ? 2 : 0, 1, kData, true, 0);
        ASSERT_FALSE(built.der.empty());
        Bytes sig = opensslSignature(built.der);
        Bytes token = timestampToken(dir, sig);
        ASSERT_GT(token.size(), 256u);
        EXPECT_EQ(CPKCS7SSL::IsTimestamp(token.data(), static_cast<unsigned int>(token.size())), 1);
        EXPECT_EQ(CPKCS7SSL::IsTimestamp(const_cast<unsigned char*>(built.der.data()),
                                         static_cast<unsigned int>(built.der.size())),
                  0);

        const unsigned int grown = static_cast<unsigned int>(built.der.size() + token.size() + 25);
        Bytes buffer(built.der);
        buffer.resize(grown + 10, 0xEE);
        unsigned int length = static_cast<unsigned int>(built.der.size());

        // Too small a buffer: refused, nothing changed.
        const Bytes before(buffer);
        EXPECT_EQ(CPKCS7SSL::AddTimeStamp(buffer.data(), &length, token.data(), static_cast<unsigned int>(token.size()),
                                          grown - 1),
                  -1);
        EXPECT_EQ(buffer, before);
        EXPECT_EQ(length, built.der.size());

        ASSERT_EQ(CPKCS7SSL::AddTimeStamp(buffer.data(), &length, token.data(), static_cast<unsigned int>(token.size()),
                                          static_cast<unsigned int>(buffer.size())),
                  0);
        EXPECT_EQ(length, grown);
        EXPECT_EQ(buffer[grown], 0xEE);
        Bytes stamped(buffer.begin(), buffer.begin() + length);
        writeBytes(dir.file("stamped.der"), stamped);
        EXPECT_TRUE(cmsVerify(dir.file("stamped.der")));
        const std::string print =
            commandOutput("openssl cms -cmsout -print -inform DER -in " + dir.file("stamped.der"));
        EXPECT_NE(print.find("id-smime-aa-timeStampToken"), std::string::npos);

        // The token inside verifies against the signature value.
        CAsn1_Pkcs7 p7(stamped.data(), static_cast<unsigned int>(stamped.size()));
        ASSERT_EQ(p7.getError(), 0);
        const CAsn1_UnauthAttributes* u = p7.getSignedData()->getSignerInfo(0)->getUnauthAttributes();
        ASSERT_NE(u, nullptr);
        ASSERT_EQ(u->getAttributeNum(), 1);
        const CAsn1Base* value = u->getAttribute(0)->getValue();
        EXPECT_EQ(Bytes(value->getDER(), value->getDER() + value->getDERlength()), token);
        int status = -1;
        commandOutput("openssl ts -verify -token_in -in " + dir.file("token.der") + " -data " + dir.file("sig.bin") +
                          " -CAfile " + pkiFile("chain.pem"),
                      &status);
        EXPECT_EQ(status, 0);

        // A second token is refused: the signer has its unsigned attributes.
        EXPECT_EQ(CPKCS7SSL::AddTimeStamp(buffer.data(), &length, token.data(), static_cast<unsigned int>(token.size()),
                                          static_cast<unsigned int>(buffer.size())),
                  -1);
        EXPECT_EQ(length, grown);
    }
}

TEST(Pkcs7Timestamp, ThousandByteTokenGrowsEveryEnclosingLengthBy1025) {
    const Built built = buildSigned("signer-rsa3072", 0, 2, kData, false, 0);
    Bytes token(1000, 0x5A);
    token[0] = 0x30;
    token[1] = 0x82;
    token[2] = 0x03;
    token[3] = 0xE4;
    Bytes buffer(built.der);
    buffer.resize(built.der.size() + 2000);
    unsigned int length = static_cast<unsigned int>(built.der.size());
    ASSERT_EQ(
        CPKCS7SSL::AddTimeStamp(buffer.data(), &length, token.data(), 1000, static_cast<unsigned int>(buffer.size())),
        0);
    EXPECT_EQ(length, built.der.size() + 1025);
    const std::vector<size_t> old = enclosingLengths(built.der);
    const std::vector<size_t> now = enclosingLengths(Bytes(buffer.begin(), buffer.begin() + length));
    ASSERT_EQ(old.size(), now.size());
    for (size_t i = 0; i < old.size(); ++i)
        EXPECT_EQ(now[i], old[i] + 1025) << "level " << i;

    // The form without a capacity takes the room of token length + 25 bytes beyond the
    // blob: the same bytes, and nothing written past that room.
    Bytes described(built.der);
    described.resize(built.der.size() + 1025 + 8, 0xEE);
    unsigned int describedLength = static_cast<unsigned int>(built.der.size());
    ASSERT_EQ(CPKCS7SSL::AddTimeStamp(described.data(), &describedLength, token.data(), 1000), 0);
    EXPECT_EQ(describedLength, length);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + length, described.begin()));
    EXPECT_EQ(described[describedLength], 0xEE);

    // Signed data of another kind is refused.
    Bytes token2(token);
    unsigned int tokenLength = static_cast<unsigned int>(token2.size());
    EXPECT_EQ(CPKCS7SSL::AddTimeStamp(token2.data(), &tokenLength, token.data(), 1000, 100000), -1);
}

TEST(Pkcs7Timestamp, TimestampHashIsTheTokensMessageDigest) {
    TempDir dir;
    Bytes token = timestampToken(dir, kData);
    ASSERT_FALSE(token.empty());
    unsigned int n = 0;
    ASSERT_EQ(CPKCS7SSL::GetData(token.data(), static_cast<unsigned int>(token.size()), nullptr, &n), 0);
    Bytes tstInfo(n);
    ASSERT_EQ(CPKCS7SSL::GetData(token.data(), static_cast<unsigned int>(token.size()), tstInfo.data(), &n), 0);
    unsigned char digest[32];
    SHA256(tstInfo.data(), tstInfo.size(), digest);
    std::string hex;
    char two[3];
    for (unsigned char b : digest) {
        std::snprintf(two, sizeof two, "%02X", b);
        hex += two;
    }
    unsigned int textLength = 0;
    const char* text = CPKCS7SSL::GetTimestampHash(token.data(), static_cast<unsigned int>(token.size()), &textLength);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), hex);
    EXPECT_EQ(textLength, 64u);
}
