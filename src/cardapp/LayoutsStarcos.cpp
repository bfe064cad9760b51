// STARCOS 3.0, 3.2, 3.4 and 3.5 layouts.
#include "LayoutMsgIds.h"
#include "Layouts.h"

using namespace layout;
using namespace pinname;

// ---- STARCOS 3.0 ----
static const LayoutCertRow starcos30Certs[] = {
    {"SigG Cert", "3f003f01c000", "3f003f01c000", 132, "3f003f01c000", 129, 2048, 64, SIG, S, PT_CARD},
    {"SigG2 Cert", "3f003f01c001", "3f003f01c001", 133, "3f003f01c001", 129, 2048, 64, SIG, S, PT_CARD},
    {"SigG CA Cert", "3f003f01c008", "3f003f01c008", 255, "3f003f01c008", 255, 2048, 128, GLOBAL, CA, PT_CARD},
    {"SigG Root Cert", "3f003f01c00E", "3f003f01c00E", 255, "3f003f01c00E", 255, 2048, 128, GLOBAL, CA, PT_CARD},
    {"Auth Cert", "3f003f01c500", "3f003f01c500", 134, "3f003f01c500", 1, 2048, 128, GLOBAL, A, PT_CARD},
    {"Auth CA Cert", "3f003f01c508", "3f003f01c008", 255, "3f003f01c008", 255, 2048, 128, GLOBAL, CA, PT_CARD},
    {"Auth Root Cert", "3f003f01c50E", "3f003f01c00E", 255, "3f003f01c00E", 255, 2048, 128, GLOBAL, CA, PT_CARD},
    {"Decipher Cert", "3f003f01c200", "3f003f01c200", 147, "3f003f01c200", 1, 2048, 128, GLOBAL, 0, PT_CARD},
    {"Decipher CA Cert", "3f003f01c208", "3f003f01c008", 255, "3f003f01c008", 255, 2048, 128, GLOBAL, CA, PT_CARD},
    {"Decipher Root Cert", "3f003f01c20E", "3f003f01c00E", 255, "3f003f01c00E", 255, 2048, 128, GLOBAL, CA, PT_CARD},
};
static const LayoutPinRow starcos30Pins[] = {
    {SIG, 1, "3f003f01c000", 129, true, 5, 16, false},
    {SIG, 1, "3f003f01c001", 129, true, 5, 16, false},
    {GLOBAL, 0, "3f003f01c500", 1, false, 5, 16, false},
    {GLOBAL, 0, "3f003f01c200", 1, false, 5, 16, false},
};
VN_LAYOUT(kStarcos30, starcos30Certs, starcos30Pins);

// ---- STARCOS 3.2: Signtrust (not profile 11) and medisign (profile 11) ----
static const LayoutPinRow starcos32Pins[] = {
    {GLOBAL, 0, "3f002f02", 1, false, 5, 16, false},
    {SIG, 1, "3f003f04c000", 129, true, 5, 16, false},
};
// clang-format off
static const LayoutCertRow starcos32Certs[] = {
    {"Qualified Cert", "3f003f04c000", "3f003f04c000", 132, "3f003f04c000", 129, 2048, 64, SIG, S, PT_CARD},
    {"Qualified Cert CA", "3f003f04c008", "3f003f04c000", 255, "3f003f04c000", 255, 2048, 64, SIG, S1 | CA, PT_CARD},
    {"Qualified Cert Root CA", "3f003f04c00e", "3f003f04c000", 255, "3f003f04c000", 255, 2048, 64, SIG, S1 | CA, PT_CARD},
    {"Auth Cert", "3f003f01c500", "3f003f01c500", 134, "3f003f01c500", 1, 2048, 128, GLOBAL, A, PT_CARD},
    {"Decipher Cert", "3f003f01c200", "3f003f01c200", 147, "3f003f01c200", 1, 2048, 128, GLOBAL, 0, PT_CARD},
    {"Auth Cert CA", "3f003f01c508", "3f003f01c500", 255, "3f003f01c500", 255, 2048, 128, GLOBAL, CA | A, PT_CARD},
    {"Auth Cert Root CA", "3f003f01c50e", "3f003f01c500", 255, "3f003f01c500", 255, 2048, 128, GLOBAL, CA | A, PT_CARD},
};
// clang-format on
VN_LAYOUT(kStarcos32, starcos32Certs, starcos32Pins);
static const LayoutCertRow starcos32MedisignCerts[] = {
    {"Qualified Cert", "3f003f04c000", "3f003f04c000", 132, "3f003f04c000", 129, 2048, 64, SIG, S, PT_CARD},
    {"Auth Cert", "3f003f02c500", "3f003f02c500", 130, "3f003f02c500", 1, 2048, 128, GLOBAL, A, PT_CARD},
    {"Decipher Cert", "3f003f02c200", "3f003f02c200", 131, "3f003f02c200", 1, 2048, 128, GLOBAL, 0, PT_CARD},
};
VN_LAYOUT(kStarcos32Medisign, starcos32MedisignCerts, starcos32Pins);

// ---- STARCOS 3.4 (D-TRUST 3.x): authentication part (60 to 63), qualified part (61 to 63) ----
static const LayoutCertRow starcos34AuthCerts[] = {
    {"Auth Cert", "3f001501c100", "3f000fff", 129, "3f000fff", 1, 2048, 128, GLOBAL, A | D, PT_CARD},
    {"Auth Cert CA", "3f001501c101", "3f001501c101", 255, "3f001501c101", 255, 2048, 128, GLOBAL, CA | A, PT_CARD},
    {"Auth Cert CA", "3f001501c102", "3f001501c102", 255, "3f001501c102", 255, 2048, 128, GLOBAL, CA | A, PT_CARD},
};
static const LayoutPinRow starcos34AuthPins[] = {
    {GLOBAL, 0, "3f000fff", 1, true, 5, 16, true},
};
VN_LAYOUT(kStarcos34Auth, starcos34AuthCerts, starcos34AuthPins);
static const LayoutCertRow starcos34QualifiedCerts[] = {
    {"Qualified Cert", "3f001501c103", "3f000604", 132, "3f000604", 129, 2048, 128, SIG, S | D, PT_CARD},
    {"Qualified Cert CA", "3f001501c104", "3f001501c104", 255, "3f001501c104", 255, 2048, 64, SIG, S1 | CA, PT_CARD},
    {"Qualified Root CA", "3f001501c105", "3f001501c105", 255, "3f001501c105", 255, 2048, 64, SIG, S1 | CA, PT_CARD},
};
static const LayoutPinRow starcos34QualifiedPins[] = {
    {SIG, 1, "3f000604", 129, true, 5, 16, true},
};
VN_LAYOUT(kStarcos34Qualified, starcos34QualifiedCerts, starcos34QualifiedPins);

// ---- STARCOS 3.5: profile 74 and profile 76 ----
static const LayoutCertRow starcos35ACerts[] = {
    {"Signing Cert", "3f000604c001", "3f000604c001", 132, "3f000604c001", 129, 2048, 64, SIG, S, PT_CARD},
    {"Signing Cert CA", "3f000604c011", "3f000604c011", 255, "3f000604c011", 255, 2048, 64, SIG, S1 | CA, PT_CARD},
    {"Auth Cert", "3f000608c003", "3f000608c003", 130, "3f000608c003", 6, 2048, 64, GLOBAL, A, PT_CARD},
    {"Auth Cert CA", "3f000608c001", "3f000608c001", 255, "3f000608c001", 255, 2048, 64, GLOBAL, S1 | CA, PT_CARD},
};
static const LayoutPinRow starcos35APins[] = {
    {GLOBAL, 0, "3f002f02", 6, false, 6, 16, false},
    {SIG, 1, "3f000604c001", 129, true, 5, 16, false},
};
VN_LAYOUT(kStarcos35A, starcos35ACerts, starcos35APins);
static const LayoutCertRow starcos35BCerts[] = {
    {"Signing Cert", "3f000604c000", "3f000604c000", 132, "3f000604c000", 129, 2048, 64, SIG, S, PT_CARD},
    {"Enc Cert", "3f000608c200", "3f000608c200", 130, "3f000608c200", 6, 2048, 64, GLOBAL, A, PT_CARD},
    {"Auth Cert", "3f000608c500", "3f000608c500", 130, "3f000608c500", 6, 2048, 64, GLOBAL, A, PT_CARD},
};
static const LayoutPinRow starcos35BPins[] = {
    {GLOBAL, 0, "3f002f02", 6, false, 6, 16, false},
    {SIG, 1, "3f000604c000", 129, true, 5, 16, false},
};
VN_LAYOUT(kStarcos35B, starcos35BCerts, starcos35BPins);
