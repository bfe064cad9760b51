// Signing a hash and decrypting a block with the card key.
#include "SCM_Interface.h"

#include <cstring>
#include <vector>

#include "CardObject.h"
#include "PinObj.h"
#include "SC_Profile.h"
#include "SC_Profile_Base.h"
#include "crypto/DigestFactory.h"
#include "vn_log.h"

namespace {

// Largest signature or plain block a card answers with (4096-bit key).
const unsigned long kCardBuffer = 512;

// Copies the card's answer to the caller's buffer; capacity in *outLength when out is set.
int32_t deliver(const unsigned char* result, unsigned long length, unsigned char* out, uint32_t* outLength) {
    if (outLength == nullptr)
        return 0xFF;
    if (out != nullptr) {
        if (*outLength < length) {
            *outLength = static_cast<uint32_t>(length);
            return 0xFF;
        }
        std::memcpy(out, result, length);
    }
    *outLength = static_cast<uint32_t>(length);
    return 0;
}

}  // namespace

int32_t CSCM_Interface::SignBlob(unsigned char* data, int32_t dataLength, unsigned char* signature,
                                 uint32_t* signatureLength, uint32_t*, int32_t nAlgoID, bool isHash, bool noRSAPSS) {
    if (profile == nullptr || cardProfile == nullptr || signatureLength == nullptr)
        return 0xFF;
    CCardObject* cert = profile->getCert(certIndex);
    if (cert == nullptr)
        return 0xFF;
    CPinObj* pinObj = profile->GetPinObject(cert->m_pinPath, cert->m_pinRef);
    // No implicit PIN prompt: the caller verifies first.
    if (pinObj == nullptr || !pinObj->isVerified())
        return 0xFF;
    if (dataLength < 0 || (data == nullptr && dataLength > 0))
        return 0xFF;

    const vn_crypto::Algorithm& algo = vn_crypto::algorithm_for_sign_id(nAlgoID);
    // A card that frames the hash itself would wrap another digest in the DigestInfo of
    // the one it supports: such a signature would not verify.
    if (!profile->isSupportedHashAlgo(algo.signId)) {
        vn_log(1, "CSCM_Interface::SignBlob: hash algorithm %d not supported by the card\n", algo.signId);
        return 0xFF;
    }
    std::vector<unsigned char> digest(static_cast<size_t>(algo.digestLength));
    if (isHash) {
        if (dataLength != algo.digestLength)
            return 0xFF;
        std::memcpy(digest.data(), data, digest.size());
    } else {
        vn_crypto::digest_buffer(algo.kind, data, static_cast<size_t>(dataLength), digest.data());
    }

    int rc = cardProfile->PreSigning(cert->m_profileType, cert->m_keyPath);
    if (!cardProfile->isSmInitialized())
        rc = cardProfile->InitSM();
    int32_t result = 0xFF;
    if (rc == 0) {
        cardProfile->SetNoRSAPSS(noRSAPSS);
        unsigned char buffer[kCardBuffer];
        unsigned long length = sizeof(buffer);
        int signRc = cardProfile->SignData(cert->m_keyPath, cert->m_keyRef, cert->m_keyBits, algo.cardAlgId,
                                           digest.data(), digest.size(), buffer, &length, cert->m_profileType);
        int postRc = cardProfile->PostSigning();
        if (signRc == 0 && postRc == 0 && length <= sizeof(buffer))
            result = deliver(buffer, length, signature, signatureLength);
    }
    if (cert->m_singleSign) {
        vn_log(3, "singleSign Card found. Reseting PIN status.\n");
        pinObj->setVerified(false);
    }
    return result;
}

int32_t CSCM_Interface::DecryptBlob(unsigned char* data, int32_t dataLength, unsigned char* plain,
                                    uint32_t* plainLength, uint32_t*, bool useOAEP) {
    if (profile == nullptr || cardProfile == nullptr || plainLength == nullptr)
        return 0xFF;
    CCardObject* cert = profile->getCert(certIndex);
    if (cert == nullptr)
        return 0xFF;
    CPinObj* pinObj = profile->GetPinObject(cert->m_pinPath, cert->m_pinRef);
    if (pinObj == nullptr || !pinObj->isVerified())
        return 0xFF;
    if (data == nullptr || dataLength <= 0)
        return 0xFF;

    cardProfile->SetRSAOAEP(useOAEP);
    int rc = cardProfile->PreSigning(cert->m_profileType, cert->m_keyPath);
    if (!cardProfile->isSmInitialized())
        rc = cardProfile->InitSM();
    int32_t result = 0xFF;
    if (rc == 0) {
        unsigned char buffer[kCardBuffer];
        unsigned long length = sizeof(buffer);
        int decRc =
            cardProfile->RSADecrypt(cert->m_keyPath, cert->m_keyRef, data, static_cast<unsigned long>(dataLength),
                                    buffer, &length, cert->m_profileType, cert->m_decipherFlag);
        int postRc = cardProfile->PostSigning();
        if (decRc == 0 && postRc == 0 && length <= sizeof(buffer))
            result = deliver(buffer, length, plain, plainLength);
    }
    if (cert->m_singleSign) {
        vn_log(3, "singleSign Card found. Reseting PIN status.\n");
        pinObj->setVerified(false);
    }
    return result;
}
