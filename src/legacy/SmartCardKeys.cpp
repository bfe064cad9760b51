// Serial number, PIN, signing, decryption and authentication operations of the legacy
// card class, forwarded to the card-OS object on the same handle.
#include <string>

#include "LegacyProfile.h"
#include "SC_Profile_Base.h"
#include "SmartCard.h"
#include "infra/Secrets.h"
#include "infra/TraceScope.h"
#include "vn_log.h"

namespace {
const int kFailed = CSC_Profile_Base::SC_CMD_FAILED;

std::string textOf(const char* s) { return s != nullptr ? std::string(s) : std::string(); }
}  // namespace

std::string CSmartCard::getSerial() {
    if (m_cardOS == nullptr)
        return std::string();
    try {
        std::string serial = m_cardOS->getCardSerial();
        storeCache();
        return serial;
    } catch (...) {
        return std::string();
    }
}

int CSmartCard::SetSMKeys(unsigned char* key1, unsigned short length1, unsigned char* key2, unsigned short length2) {
    if (m_cardOS == nullptr)
        return 0;
    return m_cardOS->SetSMKeys(key1, length1, key2, length2);
}

int CSmartCard::GenRSAKeyPair() { return m_cardOS != nullptr ? m_cardOS->GenRSAKeyPair() : kFailed; }

int CSmartCard::GetSigAlgOID(unsigned int algId, unsigned char* oid, unsigned long* length) {
    if (m_cardOS == nullptr || oid == nullptr || length == nullptr)
        return kFailed;
    return m_cardOS->GetSigAlgOID(algId, oid, length);
}

int CSmartCard::BuildSignBuffer(unsigned int algId, int keyBits, unsigned char* hash, unsigned long hashLength,
                                unsigned char** out, unsigned long* outLength, bool pad) {
    if (m_cardOS == nullptr || out == nullptr || outLength == nullptr)
        return kFailed;
    try {
        return m_cardOS->BuildSignBuffer(algId, keyBits, hash, hashLength, out, outLength, pad);
    } catch (...) {
        return kFailed;
    }
}

int CSmartCard::SignData(const char* keyPath, unsigned char keyRef, int keyBits, unsigned int algId,
                         unsigned char* hash, unsigned long hashLength, unsigned char* signature,
                         unsigned long* signatureLength, int profileType) {
    VnTraceScope trace("CSmartCard::SignData", 2);
    if (m_cardOS == nullptr)
        return kFailed;
    int r = kFailed;
    try {
        r = m_cardOS->SignData(textOf(keyPath), keyRef, keyBits, algId, hash, hashLength, signature, signatureLength,
                               profileType);
    } catch (...) {
        r = kFailed;
    }
    storeCache();
    return r;
}

int CSmartCard::DecryptData(const char* keyPath, unsigned char keyRef, unsigned char* in, unsigned long inLength,
                            unsigned char* out, unsigned long* outLength, int profileType) {
    VnTraceScope trace("CSmartCard::DecryptData", 2);
    if (m_cardOS == nullptr)
        return kFailed;
    int r = kFailed;
    try {
        r = m_cardOS->RSADecrypt(textOf(keyPath), keyRef, in, inLength, out, outLength, profileType, true);
    } catch (...) {
        r = kFailed;
    }
    storeCache();
    return r;
}

int CSmartCard::VerifyPassword(const char* pinPath, unsigned char pinRef, unsigned char* pin, unsigned char pinLength) {
    vn_log(2, "--entering CSmartCard::VerifyPassword\n");
    if (m_cardOS == nullptr || pin == nullptr)
        return kFailed;
    int r = kFailed;
    try {
        vn_secret::SecretText p(pin, pinLength);
        std::string path = textOf(pinPath);
        r = m_cardOS->Verify(path, "", pinRef, !path.empty(), false, nullptr, 0, p.str(), 1, 0);
    } catch (...) {
        r = kFailed;
    }
    storeCache();
    return r;
}

int CSmartCard::ModifyPassword(const char* pinPath, unsigned char pinRef, unsigned char* oldPin,
                               unsigned char oldLength, unsigned char* newPin, unsigned char newLength) {
    vn_log(2, "--entering CSmartCard::ModifyPassword\n");
    if (m_cardOS == nullptr || oldPin == nullptr || newPin == nullptr)
        return kFailed;
    int r = kFailed;
    try {
        vn_secret::SecretText o(oldPin, oldLength), n(newPin, newLength);
        std::string path = textOf(pinPath);
        r = m_cardOS->ChangeRef(path, "", "", "", "", pinRef, false, nullptr, 0, o.str(), 1, n.str(), 1, !path.empty());
    } catch (...) {
        r = kFailed;
    }
    storeCache();
    return r;
}

int CSmartCard::UnblockPassword(const char* pinPath, unsigned char pinRef, unsigned char* puk, unsigned char pukLength,
                                unsigned char* newPin, unsigned char newLength) {
    vn_log(2, "--entering CSmartCard::UnblockPassword\n");
    if (m_cardOS == nullptr || puk == nullptr)
        return kFailed;
    int r = kFailed;
    try {
        vn_secret::SecretText p(puk, pukLength), n(newPin, newPin != nullptr ? newLength : 0);
        std::string path = textOf(pinPath);
        r = m_cardOS->UnblockRef(path, "", "", "", "", pinRef, false, nullptr, 0, p.str(), 1, n.str(),
                                 newPin != nullptr ? 1 : 0, !path.empty());
    } catch (...) {
        r = kFailed;
    }
    storeCache();
    return r;
}

int CSmartCard::QuorVerifyPIN(const char* pinPath, const char* label, unsigned char pinRef, bool usePinPad,
                              void* parent, const char* pin) {
    vn_log(2, "--entering CSmartCard::QuorVerifyPIN\n");
    if (m_cardOS == nullptr)
        return kFailed;
    int r = kFailed;
    try {
        vn_secret::SecretText p(pin);
        r = m_cardOS->Verify(textOf(pinPath), textOf(label), pinRef, true, usePinPad, parent, 0, p.str(),
                             pin != nullptr ? 1 : 0, 0);
    } catch (...) {
        r = kFailed;
    }
    storeCache();
    return r;
}

int CSmartCard::QuorModifyPIN(const char* pinPath, const char* label, unsigned char pinRef, bool usePinPad,
                              void* parent, const char* oldPin, const char* newPin) {
    vn_log(2, "--entering CSmartCard::QuorModifyPIN\n");
    if (m_cardOS == nullptr)
        return kFailed;
    int r = kFailed;
    try {
        vn_secret::SecretText o(oldPin), n(newPin);
        std::string l = textOf(label);
        r = m_cardOS->ChangeRef(textOf(pinPath), l, l, l, l, pinRef, usePinPad, parent, 0, o.str(),
                                oldPin != nullptr ? 1 : 0, n.str(), newPin != nullptr ? 1 : 0, true);
    } catch (...) {
        r = kFailed;
    }
    storeCache();
    return r;
}

int CSmartCard::QuorUnblockPIN(const char* pinPath, const char* label, unsigned char pinRef, bool usePinPad,
                               void* parent, const char* puk, const char* newPin) {
    vn_log(2, "--entering CSmartCard::QuorUnblockPIN\n");
    if (m_cardOS == nullptr)
        return kFailed;
    int r = kFailed;
    try {
        vn_secret::SecretText p(puk), n(newPin);
        std::string l = textOf(label);
        r = m_cardOS->UnblockRef(textOf(pinPath), l, l, l, l, pinRef, usePinPad, parent, 0, p.str(),
                                 puk != nullptr ? 1 : 0, n.str(), newPin != nullptr ? 1 : 0, true);
    } catch (...) {
        r = kFailed;
    }
    storeCache();
    return r;
}

int CSmartCard::InternalAuthenticate(unsigned char* in, unsigned long inLength, unsigned char* out,
                                     unsigned long* outLength) {
    if (m_cardOS == nullptr || in == nullptr || out == nullptr || outLength == nullptr)
        return kFailed;
    return m_cardOS->InternalAuthenticate(in, inLength, out, outLength);
}

int CSmartCard::ExternalAuthenticate(unsigned char* in, unsigned long inLength) {
    if (m_cardOS == nullptr || in == nullptr)
        return kFailed;
    return m_cardOS->ExternalAuthenticate(in, inLength);
}

int CSmartCard::GetChallange(unsigned char* out, unsigned long length) {
    if (m_cardOS == nullptr || out == nullptr)
        return kFailed;
    return m_cardOS->GetChallange(out, length);
}

int CSmartCard::WriteQuorPubKey() { return m_cardOS != nullptr ? m_cardOS->WriteQuorPubKey() : kFailed; }

bool CSmartCard::CheckQuorPubKey() { return m_cardOS != nullptr && m_cardOS->CheckQuorPubKey(); }

int CSmartCard::GetCardCerts(wchar_t* label) {
    if (label != nullptr)
        m_cardType = GetCardType(label);
    return CProfile::validReader(m_readerId) ? CProfile::m_certnum[m_readerId] : 0;
}
