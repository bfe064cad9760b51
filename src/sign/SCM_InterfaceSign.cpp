// Signing a hash and decrypting a block with the card key.
#include "SCM_Interface.h"

#include <cstring>
#include <memory>
#include <vector>

#include "CardObject.h"
#include "MessageDigest.h"
#include "PinObj.h"
#include "SC_Profile.h"
#include "SC_Profile_Base.h"
#include "vn_log.h"

namespace {

struct SignAlgo {
    int32_t nAlgoID;
    unsigned int digestLength;
    unsigned int cardCode;
};

// nAlgoID, digest length, card algorithm code; any other id is SHA-256.
const SignAlgo kSignAlgos[] = {
    {0, 20, 0x8004},  // SHA-1
    {1, 32, 0x800C},  // SHA-256
    {2, 48, 0x800D},  // SHA-384
    {3, 64, 0x800E},  // SHA-512
    {4, 20, 0x8007},  // RIPEMD-160
    {5, 16, 0x8003},  // MD5
};

const SignAlgo& signAlgo(int32_t nAlgoID) {
    for (const SignAlgo& a : kSignAlgos)
        if (a.nAlgoID == nAlgoID)
            return a;
    return kSignAlgos[1];
}

std::unique_ptr<IMessageDigest> newDigest(int32_t nAlgoID) {
    switch (signAlgo(nAlgoID).nAlgoID) {
    case 0: return std::make_unique<CSHA>(0);
    case 2: return std::make_unique<CSHA>(2);
    case 3: return std::make_unique<CSHA>(3);
    case 4: return std::make_unique<CRIPEMD>(1);
    case 5: return std::make_unique<CMD5>();
    default: return std::make_unique<CSHA>(1);
    }
}

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
                                 uint32_t* signatureLength, uint32_t*, int32_t nAlgoID, bool isHash,
                                 bool noRSAPSS) {
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

    const SignAlgo& algo = signAlgo(nAlgoID);
    // A card that frames the hash itself would wrap another digest in the DigestInfo of
    // the one it supports: such a signature would not verify.
    if (!profile->isSupportedHashAlgo(algo.nAlgoID)) {
        vn_log(1, "CSCM_Interface::SignBlob: hash algorithm %d not supported by the card\n", algo.nAlgoID);
        return 0xFF;
    }
    std::vector<unsigned char> digest(algo.digestLength);
    if (isHash) {
        if (static_cast<unsigned int>(dataLength) != algo.digestLength)
            return 0xFF;
        std::memcpy(digest.data(), data, algo.digestLength);
    } else {
        std::unique_ptr<IMessageDigest> md = newDigest(nAlgoID);
        md->Reset();
        md->AddData(reinterpret_cast<const char*>(data), dataLength);
        md->FinalDigest(reinterpret_cast<char*>(digest.data()));
    }

    int rc = cardProfile->PreSigning(cert->m_profileType, cert->m_keyPath);
    if (!cardProfile->isSmInitialized())
        rc = cardProfile->InitSM();
    int32_t result = 0xFF;
    if (rc == 0) {
        cardProfile->SetNoRSAPSS(noRSAPSS);
        unsigned char buffer[kCardBuffer];
        unsigned long length = sizeof(buffer);
        int signRc = cardProfile->SignData(cert->m_keyPath, cert->m_keyRef, cert->m_keyBits, algo.cardCode,
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
        int decRc = cardProfile->RSADecrypt(cert->m_keyPath, cert->m_keyRef, data, static_cast<unsigned long>(dataLength),
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
