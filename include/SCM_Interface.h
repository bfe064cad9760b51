// The key of one certificate on one card: PIN verification and change, signing a hash
// and decrypting a block with the card's private key.
#ifndef VN_SCM_INTERFACE_H
#define VN_SCM_INTERFACE_H

#include <cstdint>
#include <string>

#include "vn_export.h"

class CSC_Profile;
class CSC_Profile_Base;

// Opaque context the facades hand to every PIN dialog and error dialog.
extern VN_EXPORT void* myHinstDLL;

class VN_EXPORT CSCM_Interface {
public:
    // Takes ownership of profile and cardProfile (either may be null).
    CSCM_Interface(CSC_Profile* profile, CSC_Profile_Base* cardProfile, int32_t reader, int32_t certIndex,
                   std::string certID, void* hostContext);
    ~CSCM_Interface();
    CSCM_Interface(const CSCM_Interface&) = delete;
    CSCM_Interface& operator=(const CSCM_Interface&) = delete;

    // Verifies the PIN of the certificate's key; an empty pin asks the user (pin pad or
    // dialog). True when verified or when there is nothing to verify.
    bool VerifyPIN(std::string pin);
    // Changes that PIN; with both empty the user is asked.
    bool ModifyPIN(std::string oldPin, std::string newPin);
    // Signs data (a digest when isHash, else hashed here by nAlgoID: 0 SHA-1, 1 SHA-256,
    // 2 SHA-384, 3 SHA-512, 4 RIPEMD-160, 5 MD5, other SHA-256). signature may be null
    // to learn the length; *signatureLength is its capacity otherwise. 0 or 0xFF.
    int32_t SignBlob(unsigned char* data, int32_t dataLength, unsigned char* signature, uint32_t* signatureLength,
                     uint32_t* reserved, int32_t nAlgoID, bool isHash, bool noRSAPSS);
    // Decrypts one RSA block. plain may be null; *plainLength is its capacity otherwise. 0 or 0xFF.
    int32_t DecryptBlob(unsigned char* data, int32_t dataLength, unsigned char* plain, uint32_t* plainLength,
                        uint32_t* reserved, bool useOAEP);
    CSC_Profile* GetProfile();

private:
    CSC_Profile* profile;
    CSC_Profile_Base* cardProfile;
    int32_t reader;
    int32_t certIndex;
    std::string certID;
    void* hostContext;
};

#endif
