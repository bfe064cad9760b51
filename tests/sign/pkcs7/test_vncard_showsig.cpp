// vncard show-sig on signed data of the model with a timestamp, and on a PEM file from
// openssl cms -sign.
#include <gtest/gtest.h>

#include "PKCS7SSL.h"
#include "Pkcs7TestSupport.h"

namespace {

std::string vncard(const std::string& arguments, int* status) {
    return commandOutput(std::string(VN_BINARY_DIR) + "/tools/vncard/vncard show-sig " + arguments, status);
}

}  // namespace

TEST(VncardShowSig, DescribesSignersAttributesAndTimestampAsTextAndJson) {
    TempDir dir;
    const Bytes data = {'d', 'o', 'c'};
    const Built built = buildSigned("signer-ec256", 2, 1, data, false, 0);
    ASSERT_FALSE(built.der.empty());
    unsigned int size = 0;
    Bytes buffer(built.der);
    ASSERT_EQ(CPKCS7SSL::GetSignatureBlobSize(buffer.data(), &size, 0, true), 0);
    Bytes sig(size);
    ASSERT_EQ(CPKCS7SSL::GetSignatureBlob(buffer.data(), sig.data(), 0, true), 0);
    const Bytes token = timestampToken(dir, sig);
    buffer.resize(built.der.size() + token.size() + 64);
    unsigned int length = static_cast<unsigned int>(built.der.size());
    ASSERT_EQ(
        CPKCS7SSL::AddTimeStamp(buffer.data(), &length, const_cast<unsigned char*>(token.data()),
                                static_cast<unsigned int>(token.size()), static_cast<unsigned int>(buffer.size())),
        0);
    buffer.resize(length);
    writeBytes(dir.file("stamped.p7s"), buffer);

    int status = -1;
    const std::string json = vncard("--json --in " + dir.file("stamped.p7s"), &status);
    EXPECT_EQ(status, 0) << json;
    EXPECT_NE(json.find("\"ok\":true"), std::string::npos) << json;
    EXPECT_NE(json.find("\"detached\":true"), std::string::npos);
    EXPECT_NE(json.find("\"digestAlgorithm\":\"2.16.840.1.101.3.4.2.1\""), std::string::npos);
    EXPECT_NE(json.find("CN=Erika Mustermann EC"), std::string::npos);
    EXPECT_NE(json.find("\"signatureAlgorithm\":\"ecdsa-with-SHA256\""), std::string::npos);
    const size_t ct = json.find("\"contentType\",\"signingTime\",\"messageDigest\"");
    EXPECT_NE(ct, std::string::npos) << json;
    EXPECT_NE(json.find("\"timestamp\":true,\"timestampTime\":\"20"), std::string::npos) << json;
    // The token's time is read, not checked: the answer says so.
    EXPECT_NE(json.find("Z\",\"timestampVerified\":false"), std::string::npos) << json;

    const std::string text = vncard("--in " + dir.file("stamped.p7s"), &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(text.find("timestamp:       20"), std::string::npos) << text;
    EXPECT_NE(text.find("Z (not verified; verify-doc checks it)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("signed attrs:    contentType, signingTime, messageDigest"), std::string::npos) << text;

    writeBytes(dir.file("content"), data);
    commandOutput("openssl cms -sign -binary -nodetach -md sha384 -outform PEM -in " + dir.file("content") +
                  " -signer " + pkiFile("signer-rsa3072.pem") + " -inkey " + pkiFile("signer-rsa3072.key") + " -out " +
                  dir.file("s.pem"));
    const std::string pem = vncard("--json --in " + dir.file("s.pem"), &status);
    EXPECT_EQ(status, 0) << pem;
    EXPECT_NE(pem.find("\"detached\":false"), std::string::npos) << pem;
    EXPECT_NE(pem.find("\"digestName\":\"SHA384\""), std::string::npos);
    EXPECT_NE(pem.find("\"timestamp\":false"), std::string::npos);

    const std::string bad = vncard("--json --in " + dir.file("content"), &status);
    EXPECT_NE(status, 0);
    EXPECT_NE(bad.find("\"ok\":false"), std::string::npos) << bad;
}
