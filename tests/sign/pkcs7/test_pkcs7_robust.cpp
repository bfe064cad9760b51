// Every truncated prefix and random mutations of signed data, enveloped data and a
// timestamp token through the model and every inspection operation: failures are result
// codes, never a crash or a read past the input (the sanitizer build checks the latter).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "Cms.h"
#include "PKCS7SSL.h"
#include "Pkcs7TestSupport.h"

namespace {

const Bytes kData = {'r', 'o', 'b', 'u', 's', 't'};
constexpr size_t SPARE = 4096;
constexpr int MUTATIONS = 250;

// Runs everything that reads a blob on exactly n bytes of a heap buffer of n bytes.
void readEverything(const unsigned char* bytes, size_t n) {
    std::unique_ptr<unsigned char[]> own(new unsigned char[n ? n : 1]);
    std::copy(bytes, bytes + n, own.get());
    unsigned char* b = own.get();
    const unsigned int len = static_cast<unsigned int>(n);

    CAsn1_Pkcs7 p7(b, len);
    if (p7.getError() == 0) {
        p7.getAuthAttributes(0);
        p7.getSignature(0, false);
        p7.encode();
    }
    CCms cms(b, len);
    CCms::GetData(b, len);

    unsigned int size = 0;
    Bytes out(SPARE);
    if (n > 0) {
        if (CPKCS7SSL::GetSignatureBlobSize(b, &size, 0, false, len) == 0 && size <= out.size())
            CPKCS7SSL::GetSignatureBlob(b, out.data(), 0, false, len);
    }
    unsigned int outLength = static_cast<unsigned int>(out.size());
    CPKCS7SSL::GetData(b, len, out.data(), &outLength);
    std::free(CPKCS7SSL::GetHash(b, len, &size));
    CPKCS7SSL::GetHashAlgo(b, len, 0, &size);
    CPKCS7SSL::GetVersion(b, len);
    CPKCS7SSL::GetSignerCertNum(b, len);
    CPKCS7SSL::GetNCertNum(b, len);
    CPKCS7SSL::GetCipherCertNum(b, len);
    outLength = static_cast<unsigned int>(out.size());
    CPKCS7SSL::GetSignerCert(b, len, 0, out.data(), &outLength);
    outLength = static_cast<unsigned int>(out.size());
    CPKCS7SSL::GetSignerCertEx(b, len, 0, out.data(), &outLength);
    outLength = static_cast<unsigned int>(out.size());
    CPKCS7SSL::GetNCert(b, len, 0, out.data(), &outLength);
    outLength = static_cast<unsigned int>(out.size());
    CPKCS7SSL::GetSignerRSAKey(b, len, out.data(), &outLength, 0);
    CPKCS7SSL::GetSignerRSAKeySize(b, len, 0);
    CPKCS7SSL::GetSignedAttrCertNum(b, len);
    CPKCS7SSL::GetSigningTime(b, len);
    CPKCS7SSL::IsTimestamp(b, len);
    CPKCS7SSL::GetTimestampHash(b, len, &size);
    CPKCS7SSL::isEnveloped(b, len);
    CPKCS7SSL::Verify(b, len);
    Bytes content(kData);
    CPKCS7SSL::VerifyCMS(b, len, content.data(), static_cast<unsigned int>(content.size()));
    CPKCS7SSL::GetHashAlgoPkcs1(b, len, &size, nullptr);

    // Timestamp insertion with an exact capacity: the buffer is n + token bytes.
    const Bytes token = {0x30, 0x03, 0x02, 0x01, 0x05};
    std::unique_ptr<unsigned char[]> grow(new unsigned char[n + 64]);
    std::copy(bytes, bytes + n, grow.get());
    unsigned int length = len;
    if (CPKCS7SSL::AddTimeStamp(grow.get(), &length, const_cast<unsigned char*>(token.data()),
                                static_cast<unsigned int>(token.size()), len + 64) == 0) {
        EXPECT_LE(length, len + 64);
    } else {
        EXPECT_EQ(length, len);
    }
}

std::vector<Bytes> sampleBlobs() {
    std::vector<Bytes> blobs;
    blobs.push_back(buildSigned("signer-rsa2048", 0, 1, kData, true, 0).der);
    blobs.push_back(buildSigned("signer-ec521", 2, 3, kData, false, 1).der);
    blobs.push_back(buildSigned("signer-ec256", 2, 7, kData, false, 0, "0.4.0.127.0.7.1.1.4.1.3").der);
    TempDir dir;
    writeBytes(dir.file("content"), kData);
    commandOutput("openssl cms -sign -binary -noattr -in " + dir.file("content") + " -outform DER -signer " +
                  pkiFile("signer-rsa2048.pem") + " -inkey " + pkiFile("signer-rsa2048.key") + " -out " +
                  dir.file("a"));
    blobs.push_back(readBytes(dir.file("a")));
    commandOutput("openssl smime -encrypt -binary -outform DER -in " + dir.file("content") + " -out " + dir.file("e") +
                  " " + pkiFile("signer-rsa2048.pem"));
    blobs.push_back(readBytes(dir.file("e")));
    return blobs;
}

}  // namespace

TEST(Pkcs7Robust, EveryTruncatedPrefixFailsCleanly) {
    const std::vector<Bytes> blobs = sampleBlobs();
    for (const Bytes& blob : blobs) {
        ASSERT_FALSE(blob.empty());
        for (size_t n = 0; n < blob.size(); ++n) {
            readEverything(blob.data(), n);
            CAsn1_Pkcs7 p7(const_cast<unsigned char*>(blob.data()), static_cast<unsigned int>(n));
            ASSERT_EQ(p7.getError(), -22) << "prefix " << n;
            unsigned int size = 0;
            if (n > 0) {
                ASSERT_EQ(CPKCS7SSL::GetSignatureBlobSize(const_cast<unsigned char*>(blob.data()), &size, 0, true,
                                                          static_cast<unsigned int>(n)),
                          CPKCS7SSL::NO_SIGNATURE);
            }
        }
        readEverything(blob.data(), blob.size());
    }
}

TEST(Pkcs7Robust, RandomMutationsFailCleanly) {
    const std::vector<Bytes> blobs = sampleBlobs();
    std::mt19937 random(20261206);
    for (const Bytes& blob : blobs) {
        ASSERT_FALSE(blob.empty());
        for (int i = 0; i < MUTATIONS; ++i) {
            Bytes m(blob);
            const int changes = 1 + static_cast<int>(random() % 4);
            for (int c = 0; c < changes; ++c) {
                const size_t at = random() % m.size();
                // Mostly the first few hundred bytes, where the headers and lengths are.
                const size_t pos = (random() & 1) ? at % std::min<size_t>(m.size(), 300) : at;
                m[pos] = static_cast<unsigned char>(random());
            }
            readEverything(m.data(), m.size());
        }
    }
}

// OpenSSL's CMS_verify used to leave its own copy of memory content behind when it could
// not set up the digests; under LeakSanitizer this input showed it.
TEST(Pkcs7Robust, UnknownDigestAlgorithmFailsWithoutLeaking) {
    Bytes blob = sampleBlobs()[3];
    const Bytes sha256 = {0x06, 0x09, 0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x01};
    size_t replaced = 0;
    for (auto at = std::search(blob.begin(), blob.end(), sha256.begin(), sha256.end()); at != blob.end();
         at = std::search(at + 1, blob.end(), sha256.begin(), sha256.end())) {
        *(at + sha256.size() - 1) = 0x7f;
        ++replaced;
    }
    ASSERT_GE(replaced, 2u);
    Bytes content(kData);
    EXPECT_EQ(CPKCS7SSL::VerifyCMS(blob.data(), static_cast<unsigned int>(blob.size()), content.data(),
                                   static_cast<unsigned int>(content.size())),
              CPKCS7SSL::FAILED);
}
