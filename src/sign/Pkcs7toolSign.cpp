// The signing helper on the PKCS#7 model: building the signed data, signing its signed
// attributes with the card or PKCS#12 key, and handing out the result.
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <list>
#include <memory>
#include <vector>

#include "Asn1Pkcs7.h"
#include "SCM_Interface.h"
#include "SignMessage.h"
#include "infra/OpenSslPtr.h"
#include "sign/SignKeys.h"

using namespace vn_sign;

namespace {

const int32_t kSignFailed = -24;
const int32_t kBuildFailed = -29;
const int32_t kNoCertificate = -300;
// Tag of the signed attributes in the SignerInfo and of a SET OF, which is what is signed.
const unsigned char kTagSetOf = 0x31;
// Largest signature of a card (4096-bit RSA).
const uint32_t kMaxCardSignature = 512;

}  // namespace

int32_t CPkcs7tool::prepare2sign(X509* cert, int algo, unsigned char* input, int inputLength, timeb* signingTime,
                                 bool attach, uint32_t* outLength, _ASN1_CERT_BLOB* moreCerts, int moreCertsCount) {
    if (cert == nullptr)
        return kNoCertificate;
    std::vector<unsigned char> certDer = vn_ossl::derOfX509(cert);
    if (certDer.empty())
        return kNoCertificate;
    if (inputLength < 0 || (input == nullptr && inputLength > 0) || moreCertsCount < 0 ||
        (moreCerts == nullptr && moreCertsCount > 0))
        return kBuildFailed;

    std::vector<std::unique_ptr<CAsn1_Cert>> further;
    std::list<CAsn1_Cert*> furtherList;
    for (int i = 0; i < moreCertsCount; ++i) {
        if (moreCerts[i].data == nullptr || moreCerts[i].length == 0)
            return kNoCertificate;
        further.emplace_back(new CAsn1_Cert(moreCerts[i].data, moreCerts[i].length));
        if (further.back()->getError() != 0)
            return kNoCertificate;
        furtherList.push_back(further.back().get());
    }

    delete pkcs7;
    pkcs7 = new CAsn1_Pkcs7();
    pkcs7->setContentType(CAsn1_Pkcs7::CT_SIGNED_DATA);
    pkcs7->setSigAlgo(signMode);
    nAlgoID = algo;
    data = input;
    dataLength = inputLength;
    if (pkcs7->setContent_SignedData(certDer.data(), static_cast<unsigned int>(certDer.size()), algo, input,
                                     inputLength, signingTime, attach, cadesLevel, keyAlgorithmOid,
                                     &furtherList) != 1 ||
        pkcs7->getDER() == nullptr)
        return kBuildFailed;
    if (outLength != nullptr)
        *outLength = pkcs7->getDERlength();
    return 0;
}

bool CPkcs7tool::getSignedAttributes(int signerIndex, std::vector<unsigned char>& der) const {
    CAsn1_AuthAttributes* attributes = pkcs7 != nullptr ? pkcs7->getAuthAttributes(signerIndex) : nullptr;
    if (attributes == nullptr || attributes->getDER() == nullptr || attributes->getDERlength() < 2)
        return false;
    der.assign(attributes->getDER(), attributes->getDER() + attributes->getDERlength());
    der[0] = kTagSetOf;
    return true;
}

int32_t CPkcs7tool::signIt(int signerIndex, uint32_t* key, unsigned char* scratch, bool isP12) {
    return isP12 ? signItP12(signerIndex, key, scratch) : signItSCM(signerIndex, key, scratch);
}

int32_t CPkcs7tool::signItSCM(int signerIndex, uint32_t* key, unsigned char*) {
    std::vector<unsigned char> attributes;
    if (key == nullptr || !getSignedAttributes(signerIndex, attributes))
        return kSignFailed;
    std::vector<unsigned char> signature(kMaxCardSignature);
    uint32_t length = kMaxCardSignature;
    if (asCardKey(key)->SignBlob(attributes.data(), static_cast<int32_t>(attributes.size()), signature.data(), &length,
                                 nullptr, nAlgoID, false, false) != 0 ||
        length == 0 || length > kMaxCardSignature)
        return kSignFailed;
    return pkcs7->setSignature(signerIndex, signature.data(), length) == 1 ? 0 : kSignFailed;
}

int32_t CPkcs7tool::signItP12(int signerIndex, uint32_t* key, unsigned char*) {
    std::vector<unsigned char> attributes;
    if (key == nullptr || !getSignedAttributes(signerIndex, attributes))
        return kSignFailed;
    EVP_PKEY* pkey = asP12Key(key);
    std::vector<unsigned char> signature;
    if (!signDataP12(pkey, nAlgoID, attributes.data(), attributes.size(), signature))
        return kSignFailed;
    // OpenSSL gives ECDSA values as DER; the model takes r || s and stores the DER itself.
    if (EVP_PKEY_base_id(pkey) == EVP_PKEY_EC) {
        std::vector<unsigned char> raw;
        if (!ecdsaDerToRaw(signature, static_cast<size_t>(EVP_PKEY_bits(pkey) + 7) / 8, raw))
            return kSignFailed;
        signature.swap(raw);
    }
    return pkcs7->setSignature(signerIndex, signature.data(), static_cast<unsigned int>(signature.size())) == 1
               ? 0
               : kSignFailed;
}

unsigned char* CPkcs7tool::getSignedPkcs7() { return pkcs7 != nullptr ? pkcs7->getDER() : nullptr; }

uint32_t CPkcs7tool::getSignedPkcs7Length() { return pkcs7 != nullptr ? pkcs7->getDERlength() : 0; }
