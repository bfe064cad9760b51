// The card keys of one card: the card application profile and the card-OS object that
// read the card, kept while the card stays in the reader, and the PIN, signing and
// decipherment calls of the card layer made on them. Callers hold the reader's lock.
#ifndef VN_PKCS11_KEYS_H
#define VN_PKCS11_KEYS_H

#include <string>

#include "P11.h"
#include "SC_Profile.h"

class CSC_Profile_Base;

namespace vn_p11 {

class CardKeys {
public:
    CardKeys() = default;
    explicit CardKeys(CSC_ProfileHandle profile);
    CardKeys(CardKeys&&) = default;
    CardKeys& operator=(CardKeys&&) = default;

    bool usable() const { return m_profile && m_card != nullptr; }
    CSC_Profile_Base* card() const { return m_card; }

    // Verifies the PIN of the certificate entry (an empty PIN: on the pin pad);
    // CKR_OK or what the card's answer means (tries left into tries, -1 unknown).
    CK_RV verify(int certIndex, const std::string& pin, int& tries);
    // Whether the entry's PIN counts as verified, and setting that from the token's login.
    bool verified(int certIndex) const;
    void setVerified(int certIndex, bool verified);
    // Drops every PIN's verified flag (the token logged out).
    void forgetPins();
    // Signs a hash (nAlgoID as the card layer numbers hashes); false when the card did not.
    bool sign(int certIndex, const Bytes& hash, int nAlgoID, bool pss, Bytes& signature);
    // Deciphers one RSA block; false when the card did not.
    bool decrypt(int certIndex, const Bytes& block, bool oaep, Bytes& plain);

private:
    CPinObj* pinOf(int certIndex) const;
    CSC_ProfileHandle m_profile;
    CSC_Profile_Base* m_card = nullptr;  // owned by m_profile
};

// Whether the card's reader verifies PINs on its own pin pad: it announces a PIN
// verification among its features (an empty feature list is no pin pad).
bool canVerifyOnPinPad(CSC_Profile_Base* card);
// The result code of a failed PIN verification, told from the card's last answer.
CK_RV pinFailure(const CSC_Profile_Base* card, int& tries);
// Whether the card's last answer says the security status is not satisfied.
bool securityNotSatisfied(const CSC_Profile_Base* card);

}  // namespace vn_p11

#endif
