// The card application object that the reader builds on a connected card-OS object.
#include "CardProfileFactory.h"

#include <memory>
#include <new>

#include "CertInfoSC.h"
#include "ProfileCache.h"
#include "SC_Profile.h"
#include "SC_Profile_Base.h"
#include "vn_log.h"

CSC_Profile* vn_create_card_profile(CSC_Profile_Base* cardOs) {
    if (cardOs == nullptr)
        return nullptr;
    return new (std::nothrow) CSC_Profile(cardOs);
}

CSC_Profile* vn_card_profile(const vn_card::CardIdentity& identity, CSC_Profile_Base* cardOs) {
    if (cardOs == nullptr)
        return nullptr;
    try {
        std::unique_ptr<CSC_Profile> kept = vn_profile_cache::restore(identity, cardOs);
        if (kept)
            return kept.release();
    } catch (...) {
        vn_profile_cache::forget(identity.reader);
    }
    CSC_Profile* found = vn_create_card_profile(cardOs);
    // Only what detection recognised is kept: a card read halfway is read again next time.
    if (found == nullptr || found->m_certCount <= 0)
        return found;
    try {
        // The next call checks the serial relative to the MF where the card allows no
        // cheaper way: the certificates that detection did not read yet are read now,
        // from the directory detection ended in, before the serial file of the MF.
        if (cardOs->serialProbeSelects())
            for (int i = 0; i < found->m_certCount; ++i)
                std::unique_ptr<CCertInfoSC>(found->readCert(i));
        // Detection asked most cards for their serial already.
        const std::string serial = cardOs->lastSerial().empty() ? cardOs->getCardSerial() : cardOs->lastSerial();
        // Without a serial another card of the same kind could not be told apart after a
        // restart of the service.
        if (serial.empty()) {
            vn_log(3, "profile cache: the card has no serial, profile not kept\n");
            return found;
        }
        // The next call reads the serial from the MF: the card is left there (nothing is
        // sent when the last selection left it there), unless its probe finds the serial
        // from anywhere.
        if (!cardOs->serialProbeFromAnywhere())
            cardOs->SelectMFKnown();
        vn_profile_cache::keep(identity, *found, serial);
    } catch (...) {
        vn_log(1, "profile cache: profile not kept\n");
    }
    return found;
}
