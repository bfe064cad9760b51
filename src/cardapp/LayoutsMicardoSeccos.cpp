// Micardo 2.1 and SECCOS 5 layouts.
#include "LayoutMsgIds.h"
#include "Layouts.h"

using namespace layout;
using namespace pinname;

// ---- Micardo 2.1 ----
static const LayoutCertRow micardoCerts[] = {
    {"Qualified Cert", "3f004016c000", "3f0040160050", 80, "3f0040160013", 130, 1024, 64, SIG, S, 2},
    {"Advanced Cert", "3f004016c500", "3f0040160051", 81, "3f0040160015", 1, 1024, 128, CIPHER, A, 2},
    {"Qualified CA Cert", "3f004016c050", "3f0040160051", 255, "3f0040160015", 255, 1024, 128, CIPHER, CA, 2},
    {"Advanced CA Cert", "3f004016c060", "3f0040160051", 255, "3f0040160015", 255, 1024, 128, CIPHER, CA, 2},
    {"Qualified Root CA Cert", "3f004016c70e", "3f0040160051", 255, "3f0040160015", 255, 1024, 128, CIPHER, CA, 2},
    {"Root CA Cert", "3f004016c008", "3f0040160051", 255, "3f0040160015", 255, 1024, 128, CIPHER, CA, 2},
};
static const LayoutPinRow micardoPins[] = {
    {GLOBAL, 0, "3f0040160015", 1, false, 6, 8, false},
    {SIG, 1, "3f0040160013", 130, true, 6, 8, false},
};
VN_LAYOUT(kMicardo21, micardoCerts, micardoPins);

// ---- SECCOS 5 ----
static const LayoutCertRow seccosCerts[] = {
    {"SigG Cert", "3f00ab00c000", "3f00ab000016", 1, "3f00ab000016", 129, KB_SIG, 64, SIG, 0, PT_SECCOS_SIG},
    {"Auth Cert", "3f00ab00c500", "3f00ab00c500", 130, "3f00ab00c500", 3, KB_AUTH, 128, CSA, A, 8},
    {"SigG CA Cert", "3f00ab00c608", "3f00ab000016", 255, "3f00ab000016", 255, KB_AUTH, 128, SIG, CA, 8},
    {"Auth CA Cert", "3f00ab00c708", "3f00ab00c500", 255, "3f00ab00c500", 255, KB_AUTH, 128, CSA, CA, 8},
    {"Root CA Cert", "3f00ab00b000", "3f00ab00c500", 255, "3f00ab00c500", 255, KB_AUTH, 128, CSA, CA, 8},
};
static const LayoutPinRow seccosPins[] = {
    {CSA, 0, "3f00ab00c500", 3, false, 6, 16, false},
    {SIG, 1, "3f00ab000016", 129, true, 6, 16, false},
};
VN_LAYOUT(kSeccos5, seccosCerts, seccosPins);
