// CSignMessage::addTimestamp on signed data made by openssl cms -sign, with the project's
// timestamp service: the result verifies with openssl cms -verify, and its
// id-aa-timeStampToken attribute holds a token over the hash of the signature value.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <openssl/sha.h>

#include "SignMessage.h"
#include "TimeStampSSL.h"
#include "TspServices.h"

namespace {

using Bytes = std::vector<unsigned char>;

const size_t kRsa2048Signature = 256;
const Bytes kTimestampAttributeOid = {0x06, 0x0B, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x10, 0x02, 0x0E};

// Detached CMS signed data over a small file, by openssl with the RSA 2048 signer.
class SignedFile {
public:
    SignedFile() {
        dir.write("data.txt", "text that was signed\n");
        const std::string pki = pkiDir();
        result = runCommand("openssl cms -sign -binary -md sha256 -nosmimecap -outform DER -in " +
                            dir.file("data.txt") + " -signer " + pki + "/signer-rsa2048.pem -inkey " + pki +
                            "/signer-rsa2048.key -out " + dir.file("signed.p7s"));
        der = readBytes(dir.file("signed.p7s"));
    }
    // openssl puts the signature value last: OCTET STRING 04 82 01 00 and 256 bytes.
    Bytes signatureValue() const {
        if (der.size() < kRsa2048Signature + 4)
            return {};
        return Bytes(der.end() - kRsa2048Signature, der.end());
    }
    bool signatureValueIsLast() const {
        return der.size() > kRsa2048Signature + 4 &&
               Bytes(der.end() - kRsa2048Signature - 4, der.end() - kRsa2048Signature) == Bytes{0x04, 0x82, 0x01, 0x00};
    }
    CommandResult verify(const Bytes& blob) const {
        writeBytes(dir.file("out.p7s"), blob);
        return runCommand("openssl cms -verify -binary -inform DER -in " + dir.file("out.p7s") + " -content " +
                          dir.file("data.txt") + " -CAfile " + pkiDir() + "/chain.pem -out /dev/null");
    }

    TempDir dir;
    CommandResult result;
    Bytes der;
};

// The token inside the id-aa-timeStampToken attribute: the value of its SET (31 82 hh ll).
Bytes tokenOf(const Bytes& blob) {
    auto at = std::search(blob.begin(), blob.end(), kTimestampAttributeOid.begin(), kTimestampAttributeOid.end());
    if (at == blob.end())
        return {};
    size_t set = static_cast<size_t>(at - blob.begin()) + kTimestampAttributeOid.size();
    if (set + 4 > blob.size() || blob[set] != 0x31 || blob[set + 1] != 0x82)
        return {};
    size_t length = static_cast<size_t>(blob[set + 2]) << 8 | blob[set + 3];
    if (set + 4 + length > blob.size())
        return {};
    return Bytes(blob.begin() + static_cast<long>(set) + 4, blob.begin() + static_cast<long>(set + 4 + length));
}

std::string sha256Hex(const Bytes& b) {
    unsigned char d[SHA256_DIGEST_LENGTH];
    SHA256(b.data(), b.size(), d);
    return toHex(d, sizeof(d));
}

class AddTimestamp : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0, signedFile.result.status) << signedFile.result.output;
        ASSERT_TRUE(signedFile.signatureValueIsLast());
        ASSERT_TRUE(tsa.ready()) << tsa.output();
    }
    void TearDown() override { CSignMessage::setTSUrl(""); }

    // Timestamps a copy of the signed data in a buffer of the given size; the buffer is returned.
    Bytes timestamp(size_t bufferSize, int nAlgoID, int32_t* result, unsigned int* capacity) {
        Bytes buffer(std::max(bufferSize, signedFile.der.size()), 0xA5);
        std::copy(signedFile.der.begin(), signedFile.der.end(), buffer.begin());
        *capacity = static_cast<unsigned int>(bufferSize);
        *result = CSignMessage::addTimestamp(buffer.data(), static_cast<unsigned int>(signedFile.der.size()), capacity,
                                             nAlgoID, 0);
        return buffer;
    }

    SignedFile signedFile;
    TsaService tsa;
};

}  // namespace

TEST_F(AddTimestamp, TokenOverTheSignatureValueAndTheSignatureStillVerifies) {
    CSignMessage::setTSUrl(tsa.url());
    const std::string verifyTsa = " -CAfile " + pkiDir() + "/root-ca.pem -untrusted " + pkiDir() + "/chain.pem";
    // SHA-256, and MD5 whose timestamp imprint is SHA-256 as well.
    for (int nAlgoID : {1, 5}) {
        SCOPED_TRACE(nAlgoID);
        int32_t result = 1;
        unsigned int capacity = 0;
        Bytes out = timestamp(signedFile.der.size() + 7000, nAlgoID, &result, &capacity);
        ASSERT_EQ(0, result) << tsa.output();
        ASSERT_GT(capacity, signedFile.der.size());
        out.resize(capacity);

        CommandResult v = signedFile.verify(out);
        EXPECT_EQ(0, v.status) << v.output;
        CommandResult print =
            runCommand("openssl cms -cmsout -print -inform DER -in " + signedFile.dir.file("out.p7s"));
        EXPECT_NE(std::string::npos, print.output.find("id-smime-aa-timeStampToken")) << print.output;

        const Bytes token = tokenOf(out);
        ASSERT_FALSE(token.empty());
        EXPECT_EQ(capacity, signedFile.der.size() + token.size() + 25);
        writeBytes(signedFile.dir.file("token.der"), token);
        CommandResult t = runCommand("openssl ts -verify -digest " + sha256Hex(signedFile.signatureValue()) +
                                     " -token_in -in " + signedFile.dir.file("token.der") + verifyTsa);
        EXPECT_EQ(0, t.status) << t.output;
        CommandResult text =
            runCommand("openssl ts -reply -token_in -in " + signedFile.dir.file("token.der") + " -token_out -text");
        EXPECT_NE(std::string::npos, text.output.find("Hash Algorithm: sha256")) << text.output;
    }
}

TEST_F(AddTimestamp, OneByteTooSmallLeavesTheDataUntouched) {
    CSignMessage::setTSUrl(tsa.url());
    int32_t result = 1;
    unsigned int needed = 0;
    timestamp(signedFile.der.size() + 7000, 1, &result, &needed);
    ASSERT_EQ(0, result) << tsa.output();

    unsigned int capacity = 0;
    const size_t small = needed - 1;
    Bytes before(std::max<size_t>(small, signedFile.der.size()), 0xA5);
    std::copy(signedFile.der.begin(), signedFile.der.end(), before.begin());
    Bytes out = timestamp(small, 1, &result, &capacity);
    EXPECT_EQ(SM_TS_NO_ROOM, result);
    EXPECT_EQ(signedFile.der.size(), capacity);
    EXPECT_EQ(before, out);
}

TEST_F(AddTimestamp, EachFailureHasItsCode) {
    unsigned int capacity = 100000;
    Bytes data = signedFile.der;
    EXPECT_EQ(SM_TS_NO_BUFFER, CSignMessage::addTimestamp(nullptr, 10, &capacity, 1, 0));
    EXPECT_EQ(SM_TS_NO_BUFFER,
              CSignMessage::addTimestamp(data.data(), static_cast<unsigned int>(data.size()), nullptr, 1, 0));

    // Not signed data, and a signer that is not there.
    Bytes notSigned = {0x30, 0x03, 0x02, 0x01, 0x00};
    capacity = static_cast<unsigned int>(notSigned.size());
    EXPECT_EQ(SM_TS_NO_SIGNATURE, CSignMessage::addTimestamp(notSigned.data(), 5, &capacity, 1, 0));
    capacity = static_cast<unsigned int>(data.size()) + 7000;
    data.resize(capacity);
    EXPECT_EQ(SM_TS_NO_SIGNATURE, CSignMessage::addTimestamp(
                                      data.data(), static_cast<unsigned int>(signedFile.der.size()), &capacity, 1, 3));

    // No service, and a service that refuses.
    CSignMessage::setTSUrl("http://127.0.0.1:" + std::to_string(freeLoopbackPort()) + "/");
    EXPECT_EQ(TS_ERROR_HTTP, CSignMessage::addTimestamp(data.data(), static_cast<unsigned int>(signedFile.der.size()),
                                                        &capacity, 1, 0));
    CSignMessage::setTSUrl(tsa.url("refuse"));
    EXPECT_EQ(TS_ERROR_RESPONSE, CSignMessage::addTimestamp(
                                     data.data(), static_cast<unsigned int>(signedFile.der.size()), &capacity, 1, 0));
    EXPECT_TRUE(std::equal(signedFile.der.begin(), signedFile.der.end(), data.begin()));
}
