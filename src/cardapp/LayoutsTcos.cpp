// TCOS 2 and TCOS 3 layouts.
#include "LayoutMsgIds.h"
#include "Layouts.h"

using namespace layout;
using namespace pinname;

// ---- TeleSec (TCOS 2) ----
static const LayoutCertRow teleSecCerts[] = {
    {"SigG Cert", "3f00df06c000", "3f00DF065331", 129, "3f00df06c000", 129, 1024, 64, SIG, A, 1},
    {"Qualified Cert", "3f00df064331", "3f00DF065331", 129, "3f00df064331", 129, 1024, 128, SIG, 0, 1},
    {"Qualified Cert", "3f00df01c000", "3f00DF015331", 128, "3f00df01c000", 129, 1024, 128, GLOBAL, 0, 1},
    {"Qualified Cert", "3f00df014331", "3f00DF015331", 128, "3f00df014331", 0, 1024, 128, GLOBAL, 0, 1},
    {"Qualified Cert", "3f00df01c100", "3f00DF0153b1", 129, "3f00df01c100", 0, 1024, 128, GLOBAL, 0, 1},
    {"Qualified Cert", "3f00df0143b1", "3f00DF0153b1", 129, "3f00df0143b1", 0, 1024, 128, GLOBAL, 0, 1},
    {"Qualified Cert", "3f00df01c200", "3f00DF0153b1", 130, "3f00df01c200", 129, 1024, 128, GLOBAL, 0, 1},
    {"Qualified Cert", "3f00df014371", "3f00DF015371", 130, "3f00df014371", 0, 1024, 128, GLOBAL, 0, 1},
};
// clang-format off
static const LayoutPinRow teleSecPins[] = {
    {SIG, 1, "3F00DF064331", 129, true, 6, 8, false},
    {SIG, 1, "3F00DF06c000", 129, true, 6, 8, false},
    {SIG, 1, "3F00DF065331", 129, true, 6, 8, false},
    {GLOBAL, 0, "3f00DF015331", 0, false, 6, 8, false},
    {GLOBAL, 0, "3f00DF01C000", 0, false, 6, 8, false},
    {GLOBAL, 0, "3f00DF0143b1", 0, false, 6, 8, false},
    {GLOBAL, 0, "3f00DF01C200", 129, false, 6, 8, false},
};
// clang-format on
VN_LAYOUT(kTeleSec, teleSecCerts, teleSecPins);

// ---- QuoVadis 1k (TCOS 2) ----
static const LayoutCertRow quoVadis1kCerts[] = {
    {"Qualified Cert", "3f00df064331", "3f00DF065331", 129, "3f00df064331", 129, 1024, 128, SIG, 0, 15},
    {"Advanced Cert", "3f00df014371", "3f00DF015371", 130, "3f00df014371", 0, 1024, 128, GLOBAL, 0, 15},
};
static const LayoutPinRow quoVadis1kPins[] = {
    {SIG, 1, "3F00DF064331", 129, true, 6, 8, false},
    {GLOBAL, 0, "3f00df014371", 0, false, 6, 8, false},
};
VN_LAYOUT(kQuoVadis1k, quoVadis1kCerts, quoVadis1kPins);

// ---- Signtrust 1k (TCOS 2) ----
static const LayoutCertRow signtrust1kCerts[] = {
    {"Qualified Cert", "3f008000df01c000", "3f008000df015331", 129, "3f008000df010000", 129, 1024, 64, SIG, 0, 5},
    {"Auth Cert", "3f00800082008220", "3f00800082008210", 128, "3f00800082000040", 129, 1024, 128, GLOBAL, A, 5},
    {"Decipher Cert", "3f00800083008320", "3f00800083008310", 128, "3f00800083000040", 129, 1024, 128, GLOBAL, 0, 5},
    {"Root Qualified Cert", "3f008000df01c00e", "3f008000df015331", 255, "3f008000df010000", 255, 1024, 64, SIG, CA, 5},
};
static const LayoutPinRow signtrust1kPins[] = {
    {SIG, 1, "3f008000df010000", 129, true, 6, 8, false},
    {GLOBAL, 0, "3f00800082000040", 129, false, 6, 8, false},
};
VN_LAYOUT(kSigntrust1k, signtrust1kCerts, signtrust1kPins);

// ---- Datev (TCOS 2) ----
static const LayoutCertRow datevCerts[] = {
    {"SigG Cert", "3f00df01c000", "3f00df015331", 129, "3f00df015081", 129, 1024, 64, SIG, 0, 7},
    {"Auth Cert", "3f003000c500", "3f0030005371", 130, "3f0030004571", 1, 1024, 128, AUTH, A, 7},
    {"Datev Secure Cipher", "3f00df02c200", "3f00DF0253B1", 129, "3f00DF0243B1", 1, 1024, 128, AUTH, 0, 7},
    {"Secure Auth Cert", "3f00df02c500", "3f00df025371", 130, "3f00DF024371", 1, 1024, 128, AUTH, 0, 7},
    {"SigG CA Cert", "3f00df01c008", "3f00df015331", 255, "3f00df015081", 255, 1024, 64, SIG, CA, 7},
    {"SigG Root Cert", "3f00df01b000", "3f00df015331", 255, "3f00df015081", 255, 1024, 64, SIG, CA, 7},
    {"Cipher CA Cert", "3f00df02c008", "3f00df015331", 255, "3f00df015081", 255, 1024, 64, SIG, CA, 7},
    {"Datev CA Cert", "3f003000c008", "3f00df015331", 255, "3f00df015081", 255, 1024, 64, SIG, CA, 7},
};
// The PINs the rows name: without them no key of the card could ever be unlocked.
static const LayoutPinRow datevPins[] = {
    {SIG, 1, "3f00df015081", 129, true, 6, 8, false},
    {AUTH, 0, "3f0030004571", 1, false, 6, 8, false},
};
VN_LAYOUT(kDatev, datevCerts, datevPins);

// ---- medisign 1k (TCOS 2); the PIN reference follows the CA name ----
static const LayoutCertRow medisign1kCerts[] = {
    {"SigG Cert", "3f00df01c000", "3f00df015103", 129, "3f00df015103", REF_MEDISIGN, 1024, 64, SIG, 0, 10},
    {"SigG CA Cert", "3f00df01c00e", "3f00df015103", 255, "3f00df015103", 255, 1024, 64, SIG, CA, 10},
    {"Auth Cert", "3f008300c000", "3f0083005103", 129, "3f0083004e03", REF_MEDISIGN, 1024, 128, AUTH, A, 10},
    {"Cipher Cert", "3f008200c000", "3f0082005103", 129, "3f0082004e03", REF_MEDISIGN, 1024, 128, CIPHER, 0, 10},
};
static const LayoutPinRow medisign1kPins[] = {
    {SIG, 1, "3f00df015103", REF_MEDISIGN, true, 6, 8, false},
    {GLOBAL, 0, "3f0083004e03", REF_MEDISIGN, false, 6, 8, false},
};
VN_LAYOUT(kMedisign1k, medisign1kCerts, medisign1kPins);

// ---- TCOS 3 ----
// clang-format off
static const LayoutCertRow tcos3Certs[] = {
    {"SigG Cert", "3f00df01c000", "3f00df015344", 129, "3f00df015044", 129, 2048, 64, SIG, S, PT_CARD},
    {"Signature Cert", "3f00df024331", "3f00DF024331", 128, "3f005044", 0, 2048, 128, AUTH, 0, PT_CARD},
    {"Encoding Cert", "3f00df0243B1", "3f00DF0243B1", 129, "3f005044", 0, 2048, 128, AUTH, 0, PT_CARD, nullptr, "3f00df024331"},
    {"Signature Cert", "3f00df02c000", "3f00DF025344", 128, "3f005044", 0, 2048, 128, AUTH, A, PT_CARD, nullptr, nullptr, "3f00df024331"},
    {"Encoding Cert", "3f00df02c200", "3f00DF025344", 129, "3f005044", 0, 2048, 128, AUTH, 0, PT_CARD, nullptr, nullptr, "3f00df024331"},
    {"Auth Cert", "3f00df02c500", "3f00DF025344", 130, "3f005044", 0, 2048, 128, AUTH, HIDE, PT_CARD},
    {"TKS Cert", "3f00df02c201", "3f00DF025344", 131, "3f005044", 0, 1024, 128, AUTH, HIDE, PT_CARD},
};
// clang-format on
static const LayoutPinRow tcos3Pins[] = {
    {SIG, 1, "3f00df015044", 129, true, 6, 16, false},
    {GLOBAL, 0, "3f005044", 0, false, 6, 16, false},
};
VN_LAYOUT(kTcos3, tcos3Certs, tcos3Pins);

// ---- TCOS 3.0v2: keys and PINs addressed by application identifier ----
// clang-format off
static const LayoutCertRow tcos3v2Certs[] = {
    {"QES Cert", "3f00df01c001", "A000000167455349474E", 132, "A000000167455349474E", 129, 256, 128, SIG, S | A | D, PT_CARD},
    {"ADS Cert", "3f00df02c000", "D2760000" "0301" "02", 128, "D2760000" "0301" "02", 3, 256, 128, GLOBAL, S | D, PT_CARD},
};
// clang-format on
// clang-format off
static const LayoutPinRow tcos3v2Pins[] = {
    {SIG, 1, "A000000167455349474E", 129, true, 6, 16, true},
    {GLOBAL, 1, "D2760000" "0301" "02", 3, false, 6, 16, true},
};
// clang-format on
VN_LAYOUT(kTcos3v2, tcos3v2Certs, tcos3v2Pins);
