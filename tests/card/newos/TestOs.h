// A card operating system that exists only in the tests: its class and its family row,
// registered by the test beside the built-in families. It is what a new card OS adds.
#ifndef VN_TESTS_CARD_NEWOS_TESTOS_H
#define VN_TESTS_CARD_NEWOS_TESTOS_H

#include <string>

#include "SC_Profile_Base.h"
#include "card/CardTypes.h"

// An ISO/IEC 7816-4 card with format-free PINs that names its chip serial by GET DATA in
// the proprietary class and signs under a security environment set for each signature.
class CSC_Profile_TestOs : public CSC_Profile_Base {
public:
    std::string getCardSerial() override;
    int GetFileLen() override;
    int GetData(unsigned char p1, unsigned char p2, unsigned char le, unsigned char* out,
                unsigned long* outLength) override;
    int SCSelectMF() override;
    int SCSelectDF(unsigned char* id, int length) override;
    int SCSelectEF(unsigned char* id) override;
    int PreSigning(int profileType, std::string keyPath) override;
    int SCSignData(std::string keyPath, unsigned char keyRef, int keyBits, unsigned int algId, unsigned char* hash,
                   unsigned long hashLength, unsigned char* signature, unsigned long* signatureLength,
                   int profileType) override;
    int SCRSADecrypt(std::string keyPath, unsigned char keyRef, unsigned char* in, unsigned long inLength,
                     unsigned char* out, unsigned long* outLength, int flag) override;
    PIN_MODIFY_STRUCTURE* InitPart10_Modify() override;
    PIN_VERIFY_STRUCTURE* InitPart10_Verify() override;
};

namespace testos {
constexpr int kCode = 40;  // a code no built-in card type uses
extern const vn_card::CardFamily kFamily;
}  // namespace testos

#endif
