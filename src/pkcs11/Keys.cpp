#include "Keys.h"

#include "CardObject.h"
#include "PinObj.h"
#include "SC_Profile_Base.h"
#include "ScPcsc.h"
#include "crypto/Algorithms.h"
#include "infra/Secrets.h"

namespace vn_p11 {

namespace {
// Status words (first byte, second byte) the mapping looks at.
const unsigned kSwWarning = 0x63, kSwCounterMask = 0xF0, kSwCounter = 0xC0;
const unsigned kSwSecurity = 0x69, kSwBlocked = 0x83, kSwRefDataUnusable = 0x84, kSwConditions = 0x85,
               kSwNotSatisfied = 0x82;
const unsigned kSwLength = 0x67;

// Largest answer of a card (a 4096-bit key).
const size_t kCardAnswer = 512;

// Readers of this family announce a pin pad they do not have.
const char kNoPinPadReader[] = "ACS CCID USB Reader";
// Dialog codes the card layer hands to a PIN dialog (none is shown in the module).
const unsigned long kPinPadDialog = 220, kKeyboardDialog = 301;

// The library opens a card afresh for every signature or decipherment: the key's
// selection runs, and on the fresh object the secure-messaging set-up decides (for cards
// without secure messaging it always succeeds, whatever the selection gave). A card
// object kept for many operations decides the same way every time, not only the first.
int prepareKey(CSC_Profile_Base& card, const CCardObject& entry) {
    card.PreSigning(entry.m_profileType, entry.m_keyPath);
    return card.InitSM();
}

}  // namespace

bool canVerifyOnPinPad(CSC_Profile_Base* card) {
    // The feature request replaces the card-OS object's reader features: they are
    // looked at only after it.
    if (!card->readerPCSC_Part10())
        return false;
    const CSC_Pcsc* pcsc = card->getPcsc();
    return pcsc != nullptr && (pcsc->getVerifyStartIoctl() != 0 || pcsc->getVerifyDirectIoctl() != 0) &&
           card->GetReaderName().compare(0, sizeof(kNoPinPadReader) - 1, kNoPinPadReader) != 0;
}

CardKeys::CardKeys(CSC_ProfileHandle profile) : m_profile(std::move(profile)) {
    m_card = m_profile ? m_profile->getCard() : nullptr;
    // The card-OS object branches on the application layout.
    if (m_card != nullptr)
        m_card->SetCardProfile(m_profile->m_profileType);
}

CPinObj* CardKeys::pinOf(int certIndex) const {
    CCardObject* entry = m_profile ? m_profile->getCert(certIndex) : nullptr;
    return entry != nullptr ? m_profile->GetPinObject(entry->m_pinPath, entry->m_pinRef) : nullptr;
}

CK_RV CardKeys::verify(int certIndex, const std::string& pin, int& tries) {
    tries = -1;
    CCardObject* entry = usable() ? m_profile->getCert(certIndex) : nullptr;
    if (entry == nullptr)
        return CKR_DEVICE_ERROR;
    CPinObj* pinObj = pinOf(certIndex);
    const bool pinPad = pin.empty() && canVerifyOnPinPad(m_card);
    if (pin.empty() && !pinPad)
        return CKR_ARGUMENTS_BAD;
    if (pinObj != nullptr)
        pinObj->setVerified(false);
    // The PIN given is tried once: no dialog, no second attempt.
    const int status =
        m_card->Verify(entry->m_pinPath, pinObj != nullptr ? pinObj->getLabel() : std::string(), entry->m_pinRef,
                       (entry->m_pinRef & 0x80) != 0, pinPad, nullptr, pinPad ? kPinPadDialog : kKeyboardDialog, pin,
                       static_cast<int>(pin.size()), pinObj != nullptr ? pinObj->m_kind : 0);
    if (status == 0) {
        if (pinObj != nullptr)
            pinObj->setVerified(true);
        return CKR_OK;
    }
    return pinFailure(m_card, tries);
}

bool CardKeys::verified(int certIndex) const {
    CPinObj* p = pinOf(certIndex);
    return p == nullptr || p->isVerified();
}

void CardKeys::setVerified(int certIndex, bool verified) {
    if (CPinObj* p = pinOf(certIndex))
        p->setVerified(verified);
}

void CardKeys::forgetPins() {
    if (!m_profile)
        return;
    for (CPinObj* p : m_profile->m_pins)
        p->setVerified(false);
}

bool CardKeys::sign(int certIndex, const Bytes& hash, int nAlgoID, bool pss, Bytes& signature) {
    CCardObject* entry = usable() ? m_profile->getCert(certIndex) : nullptr;
    if (entry == nullptr)
        return false;
    const vn_crypto::Algorithm& algo = vn_crypto::algorithm_for_sign_id(nAlgoID);
    // A card that frames the hash itself would wrap another digest in the DigestInfo of
    // the one it supports.
    if (!m_profile->isSupportedHashAlgo(algo.signId) || hash.size() != static_cast<size_t>(algo.digestLength))
        return false;
    const int rc = prepareKey(*m_card, *entry);
    bool ok = false;
    if (rc == 0) {
        m_card->SetNoRSAPSS(!pss);
        Bytes digest(hash), out(kCardAnswer);
        unsigned long length = out.size();
        const int signRc = m_card->SignData(entry->m_keyPath, entry->m_keyRef, entry->m_keyBits, algo.cardAlgId,
                                            digest.data(), digest.size(), out.data(), &length, entry->m_profileType);
        const int postRc = m_card->PostSigning();
        ok = signRc == 0 && postRc == 0 && length <= out.size();
        if (ok) {
            out.resize(length);
            signature.swap(out);
        }
    }
    // A single-signature key wants its PIN again for the next signature.
    if (entry->m_singleSign)
        setVerified(certIndex, false);
    return ok;
}

bool CardKeys::decrypt(int certIndex, const Bytes& block, bool oaep, Bytes& plain) {
    CCardObject* entry = usable() ? m_profile->getCert(certIndex) : nullptr;
    if (entry == nullptr || block.empty())
        return false;
    m_card->SetRSAOAEP(oaep);
    const int rc = prepareKey(*m_card, *entry);
    bool ok = false;
    if (rc == 0) {
        Bytes in(block), out(kCardAnswer);
        unsigned long length = out.size();
        const int decRc = m_card->RSADecrypt(entry->m_keyPath, entry->m_keyRef, in.data(), in.size(), out.data(),
                                             &length, entry->m_profileType, entry->m_decipherFlag);
        const int postRc = m_card->PostSigning();
        ok = decRc == 0 && postRc == 0 && length <= out.size();
        if (ok) {
            plain.assign(out.begin(), out.begin() + static_cast<long>(length));
        }
        vn_secret::cleanse(out.data(), out.size());
    }
    if (entry->m_singleSign)
        setVerified(certIndex, false);
    return ok;
}

CK_RV pinFailure(const CSC_Profile_Base* card, int& tries) {
    tries = -1;
    if (card == nullptr)
        return CKR_DEVICE_ERROR;
    if (card->isPinEntryCancelled())
        return CKR_FUNCTION_CANCELED;
    const uint32_t sw = card->getSW();
    const unsigned sw1 = sw & 0xFF, sw2 = (sw >> 16) & 0xFF;
    if ((sw1 == kSwSecurity && (sw2 == kSwBlocked || sw2 == kSwRefDataUnusable)) ||
        (sw1 == kSwWarning && sw2 == kSwCounter)) {
        tries = 0;
        return CKR_PIN_LOCKED;
    }
    if (sw1 == kSwWarning && (sw2 & kSwCounterMask) == kSwCounter) {
        tries = static_cast<int>(sw2 & 0x0F);
        return CKR_PIN_INCORRECT;
    }
    if (sw1 == kSwWarning && sw2 == 0x00)
        return CKR_PIN_INCORRECT;
    if (sw1 == kSwSecurity && sw2 == kSwConditions)
        return CKR_PIN_EXPIRED;
    if (sw1 == kSwLength)
        return CKR_PIN_LEN_RANGE;
    return CKR_DEVICE_ERROR;
}

bool securityNotSatisfied(const CSC_Profile_Base* card) {
    if (card == nullptr)
        return false;
    const uint32_t sw = card->getSW();
    return (sw & 0xFF) == kSwSecurity && ((sw >> 16) & 0xFF) == kSwNotSatisfied;
}

}  // namespace vn_p11
