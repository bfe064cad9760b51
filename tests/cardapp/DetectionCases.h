// The layout images and what detection must find on each.
#ifndef VN_TESTS_CARDAPP_DETECTIONCASES_H
#define VN_TESTS_CARDAPP_DETECTIONCASES_H

#include <ostream>
#include <string>
#include <vector>

#include "ProfileTypes.h"

struct Case {
    const char* image;
    int cardType;
    int profile;
    bool single;
    std::vector<std::string> labels;
};

// Test listings show the image name instead of the case's bytes.
inline void PrintTo(const Case& c, std::ostream* out) { *out << c.image; }

// clang-format off
inline const std::vector<Case> kCases = {
    {"tcos2-telesec", 1, CP_TELESEC, false, {"SigG Cert", "Qualified Cert", "Qualified Cert", "Qualified Cert"}},
    {"tcos2-signtrust", 1, CP_SIGNTRUST2K, false, {"Qualified Cert", "Auth Cert", "Decipher Cert", "Root Qualified Cert"}},
    {"tcos2-datev", 1, CP_DATEV, false, {"SigG Cert", "Auth Cert", "SigG CA Cert", "SigG Root Cert"}},
    {"tcos2-medisign", 1, CP_MEDISIGN_1K, false, {"SigG Cert", "SigG CA Cert", "Auth Cert", "Cipher Cert"}},
    {"tcos2-medisign-other-ca", 1, CP_MEDISIGN_1K, false, {"SigG Cert", "SigG CA Cert", "Auth Cert", "Cipher Cert"}},
    {"tcos2-quovadis", 1, CP_QUOVADIS_1K, false, {"Qualified Cert", "Advanced Cert"}},
    {"tcos3-single", 2, CP_TELESEC3, true, {"SigG Cert", "Signature Cert", "Encoding Cert", "Auth Cert"}},
    {"tcos3-multi", 2, CP_TELESEC3_MULTI, false, {"SigG Cert", "Signature Cert", "Encoding Cert"}},
    {"micardo21", 3, CP_DTRUST_1K, true, {"Qualified Cert", "Advanced Cert", "Root CA Cert"}},
    {"micardo21-multi", 3, CP_DTRUST_1K, false, {"Qualified Cert", "Advanced Cert", "Root CA Cert"}},
    {"cardos43-signcard-single", 4, CP_QUORVEL, true, {"Signaturzertifikat", "Authentisierungszertifikat"}},
    {"cardos43-signcard-multiple", 4, CP_QUORVEL, false, {"Signaturzertifikat", "Authentisierungszertifikat"}},
    {"cardos43-quorvel", 4, CP_QUORVEL, true, {"Signaturzertifikat", "Authentisierungszertifikat"}},
    {"cardos43-quovadis", 4, CP_QUOVADIS_CH, true, {"Qualified Cert"}},
    {"cardos43-dsign-multicard", 4, CP_DSIGN_MULTICARD, false,
     {"Qualified Cert", "Advanced Cert", "Auth Cert", "DS CA Cert", "Root DS CA Cert", "Enc CA Cert", "Root Enc CA Cert"}},
    {"cardos43-dtrust-multicard", 4, CP_DTRUST_MULTICARD, false,
     {"Qualified Cert", "Advanced Cert", "Auth Cert", "DS CA Cert", "Root DS CA Cert", "Enc CA Cert", "Root Enc CA Cert"}},
    {"cardos43-dtrust-card", 4, CP_DTRUST_CARD, true,
     {"Qualified Cert", "Advanced Cert", "Auth Cert", "DS CA Cert", "Root DS CA Cert", "Enc CA Cert", "Root Enc CA Cert"}},
    {"cardos43-tc-qsign-unlimited", 4, CP_TC_QSIGN_UNLIMITED, false,
     {"Signaturzertifikat", "Authentisierungszertifikat", "Qualified Cert"}},
    {"cardos43-tc-qsign", 4, CP_TC_QSIGN, true, {"Signaturzertifikat", "Authentisierungszertifikat", "Qualified Cert"}},
    {"cardos43-tc-qsign-blank", 4, CP_NONE, true, {}},
    {"cardos43-dsign-2ce", 4, CP_DSIGN_MULTICARD_2CE, false,
     {"Qualified Cert", "Advanced Cert", "Auth Cert", "DS CA Cert", "Root DS CA Cert", "Enc CA Cert", "Root Enc CA Cert"}},
    {"cardos43-dtrust-2ce", 4, CP_DTRUST_CARD_2CE, true,
     {"Qualified Cert", "Advanced Cert", "Auth Cert", "DS CA Cert", "Root DS CA Cert", "Enc CA Cert", "Root Enc CA Cert"}},
    {"cardos43-swisssignid", 4, CP_SWISSSIGN_ID, false, {"Signaturzertifikat", "Authentisierungszertifikat"}},
    {"cardos43-suisseid", 4, CP_SUISSEID, false, {"Signaturzertifikat", "Authentisierungszertifikat"}},
    {"starcos30", 5, CP_SIGNTRUST_STARCOS, false, {"SigG Cert", "SigG CA Cert", "Auth Cert", "Decipher Cert"}},
    {"starcos30-single", 5, CP_SIGNTRUST2K, true, {"SigG Cert", "SigG CA Cert", "Auth Cert", "Decipher Cert"}},
    {"seccos-single", 6, CP_NONE, true, {"SigG Cert", "Auth Cert", "SigG CA Cert", "Root CA Cert"}},
    {"seccos-multi", 6, CP_NONE, false, {"SigG Cert", "Auth Cert", "SigG CA Cert", "Root CA Cert"}},
    {"setcos441-telia-ip2i", 7, CP_SETCOS, true, {"Underskrift certifikat", "Auth certifikat"}},
    {"setcos441-other", 7, CP_SETCOS, true, {"Underskrift certifikat", "Auth certifikat"}},
    {"starcos32-medisign-layout", 9, CP_MEDISIGN2K, true, {"Qualified Cert", "Auth Cert", "Decipher Cert"}},
    {"starcos32-signtrust-single", 9, CP_SIGNTRUST32_SINGLE, true,
     {"Qualified Cert", "Qualified Cert CA", "Auth Cert", "Decipher Cert"}},
    {"starcos32-signtrust-multi", 9, CP_SIGNTRUST32_MULTI, false,
     {"Qualified Cert", "Qualified Cert CA", "Auth Cert", "Decipher Cert"}},
    {"setcos442-telia-ip5a", 10, CP_NONE, true, {"Underskrift certifikat", "Auth certifikat"}},
    {"cardos44-dtrust-layout", 11, CP_DTRUST_CARDOS44, true,
     {"Root CA Cert", "VPKI CA Cert", "Qualified Cert", "Auth Cert", "E-Mail Sig Cert", "E-Mail Cipher Cert", "Advanced Cert"}},
    {"cardos44-quovadis", 11, CP_QUOVADIS_CARDOS44, false, {"Qualified Cert", "Root CA Cert", "Sig CA Cert"}},
    {"cardos44-swisssign", 11, CP_SWISSSIGN_CARDOS44, false, {"Sig Cert"}},
    {"starcos34-dtrust-01", 12, CP_DTRUST3_01, true, {"Auth Cert", "Auth Cert CA", "Auth Cert CA"}},
    {"starcos34-dtrust-02", 12, CP_DTRUST3_02, true,
     {"Auth Cert", "Auth Cert CA", "Auth Cert CA", "Qualified Cert", "Qualified Cert CA", "Qualified Root CA"}},
    {"starcos34-dtrust-03", 12, CP_DTRUST3_03, false,
     {"Auth Cert", "Auth Cert CA", "Auth Cert CA", "Qualified Cert", "Qualified Cert CA", "Qualified Root CA"}},
    {"starcos34-dtrust-04", 12, CP_DTRUST3_04, false,
     {"Auth Cert", "Auth Cert CA", "Auth Cert CA", "Qualified Cert", "Qualified Cert CA", "Qualified Root CA"}},
    {"tcos3v2", 13, CP_TCOS3V2, true, {"QES Cert", "ADS Cert"}},
    {"starcos35-a", 14, CP_STARCOS35_A, false, {"Signing Cert", "Signing Cert CA", "Auth Cert", "Auth Cert CA"}},
    {"starcos35-b", 14, CP_STARCOS35_B, true, {"Signing Cert", "Enc Cert", "Auth Cert"}},
    {"starcos35-b-multi", 14, CP_STARCOS35_B, false, {"Signing Cert", "Enc Cert", "Auth Cert"}},
    {"cardos50-dtrust", 15, CP_DTRUST_V31_STANDARD, true, {"Qualified Cert", "Auth Cert"}},
    {"cardos50-v31-batch100", 15, CP_DTRUST_V31_BATCH100, false, {"Qualified Cert", "Auth Cert"}},
    {"cardos50-v31-multicard", 15, CP_DTRUST_V31_MULTI, false, {"Qualified Cert", "Auth Cert"}},
    {"cardos50-v34-standard", 15, CP_DTRUST_V34_STANDARD, true, {"Qualified Cert", "Auth Cert"}},
    {"cardos50-v34-multicard", 15, CP_DTRUST_V34_MULTI, false, {"Qualified Cert", "Auth Cert"}},
    {"cardos54-41-std-rsa", 17, CP_DTRUST_41_STD_RSA, true, {"Qualified Cert", "Auth Cert"}},
    {"cardos54-41-m100-ecc", 17, CP_DTRUST_41_M100_ECC, false, {"Qualified Cert", "Auth Cert"}},
    {"cardos54-41-multi-ecc", 17, CP_DTRUST_41_MULTI_ECC, false, {"Qualified Cert", "Auth Cert"}},
    {"cardos54-44-std-rsa", 17, CP_DTRUST_44_STD_RSA, true, {"Qualified Cert"}},
    {"cardos54-44-multi-ecc", 17, CP_DTRUST_44_MULTI_ECC, false, {"Qualified Cert"}},
    {"smartcard-hsm-layout", 16, CP_SMARTCARD_HSM, false, {"Cert CE01", "Cert CE03"}},
};
// clang-format on

#endif
