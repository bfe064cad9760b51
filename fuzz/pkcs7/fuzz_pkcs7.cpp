// Feeds arbitrary bytes to the PKCS#7 model (as ContentInfo and as each inner structure),
// to the CMS holder and to the inspection operations, including timestamp insertion.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "Asn1Pkcs7.h"
#include "Cms.h"
#include "PKCS7SSL.h"

namespace {

volatile size_t sink;

template <class T>
void decodeAs(const uint8_t* data, size_t size) {
    T object(data, static_cast<unsigned int>(size));
    sink += static_cast<size_t>(object.getError()) + object.getDERlength();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > (1u << 20))
        return 0;
    std::vector<unsigned char> bytes(data, data + size);
    unsigned char* b = bytes.data();
    const unsigned int n = static_cast<unsigned int>(size);

    CAsn1_Pkcs7 p7(b, n);
    if (p7.getError() == 0) {
        if (p7.getSignature(0, false))
            sink += p7.getSignature(0, false)->getBinaryDataLen();
        if (p7.getAuthAttributes(0))
            sink += static_cast<size_t>(p7.getAuthAttributes(0)->getAttributeNum());
        p7.encode();
    }
    decodeAs<CAsn1_Pkcs7_Sd>(b, size);
    decodeAs<CAsn1_Pkcs7_Ed>(b, size);
    decodeAs<CAsn1_SignerInfo>(b, size);
    decodeAs<CAsn1_AuthAttributes>(b, size);
    decodeAs<CAsn1_UnauthAttributes>(b, size);
    decodeAs<CAsn1_Attribute>(b, size);
    decodeAs<CAsn1_EssCertIdV2>(b, size);
    decodeAs<CAsn1_IssuerSerial>(b, size);
    decodeAs<CAsn1_IssuerAndSerial>(b, size);
    decodeAs<CAsn1_AlgoIdent_Params>(b, size);
    decodeAs<CAsn1_ContentInfo>(b, size);
    decodeAs<CAsn1_RecipientInfo>(b, size);
    CCms cms(b, n);
    sink += static_cast<size_t>(cms.getError());

    unsigned int outLength = 0;
    unsigned int sigSize = 0;
    if (CPKCS7SSL::GetSignatureBlobSize(b, &sigSize, 0, false, n) == 0) {
        std::vector<unsigned char> sig(sigSize + 1);
        CPKCS7SSL::GetSignatureBlob(b, sig.data(), 0, false, n);
    }
    CPKCS7SSL::GetData(b, n, nullptr, &outLength);
    std::free(CPKCS7SSL::GetHash(b, n, &outLength));
    CPKCS7SSL::GetHashAlgo(b, n, 0, &outLength);
    CPKCS7SSL::GetSigningTime(b, n);
    CPKCS7SSL::IsTimestamp(b, n);
    CPKCS7SSL::GetTimestampHash(b, n, &outLength);
    CPKCS7SSL::GetSignedAttrCertNum(b, n);
    outLength = 0;
    CPKCS7SSL::GetSignerCertEx(b, n, 0, nullptr, &outLength);
    CPKCS7SSL::isEnveloped(b, n);
    CPKCS7SSL::GetHashAlgoPkcs1(b, n, nullptr, nullptr);

    std::vector<unsigned char> grow(bytes);
    grow.resize(size + 32);
    unsigned char token[] = {0x30, 0x03, 0x02, 0x01, 0x05};
    unsigned int length = n;
    CPKCS7SSL::AddTimeStamp(grow.data(), &length, token, sizeof token, n + 32);
    return 0;
}
