// CSC_Profile: a copy of what detection found, for another card-OS object of the same card.
#include <cstring>

#include "CardFileCache.h"
#include "PinObj.h"
#include "Pkcs15.h"
#include "SC_Profile.h"

CSC_Profile::CSC_Profile(CSC_Profile_Base* card, const CSC_Profile& found, Copying)
    : m_card(card),
      m_certCount(found.m_certCount),
      m_pinCount(found.m_pinCount),
      m_signCardToken(found.m_signCardToken),
      m_pkcs15(nullptr),
      m_serialBin{},
      m_serial(found.m_serial),
      m_profileType(found.m_profileType),
      m_singleSign(found.m_singleSign),
      m_signAlgorithm(found.m_signAlgorithm),
      m_keySize(found.m_keySize),
      m_files(found.m_files) {
    std::memcpy(m_serialBin, found.m_serialBin, sizeof m_serialBin);
    if (found.m_pkcs15 != nullptr)
        m_pkcs15 = found.m_pkcs15->copyFound().release();
    for (const CCardObject* o : found.m_objects)
        m_objects.push_back(new CCardObject(*o));
    // A copy starts with no PIN verified: the flag belongs to the key that verified it.
    for (CPinObj* p : found.m_pins)
        m_pins.push_back(new CPinObj(p));
}

std::unique_ptr<CSC_Profile> CSC_Profile::copyFor(CSC_Profile_Base* card) const {
    return std::unique_ptr<CSC_Profile>(new CSC_Profile(card, *this, Copying()));
}
