// CardOS 4.3, 4.4, 5.0 and 5.4 layouts.
#include "LayoutMsgIds.h"
#include "Layouts.h"

using namespace layout;
using namespace pinname;

// ---- CardOS 4.3: certificates by profile ----
// clang-format off
static const LayoutCertRow cardOS43QuovadisCerts[] = {
    {"Qualified Cert", "3f00501543044301", "3f00501550724B015501", 1, "3f00501550724B015501", 129, 2048, 128, SIG, A, PT_CARD, NO_TEST},
};
// clang-format on
VN_LAYOUT_CERTS(kCardOS43Quovadis, cardOS43QuovadisCerts);

// After the PKCS#15 certificates; single-signature exactly for profile 27 (the card's flag).
// clang-format off
static const LayoutCertRow cardOS43TcQSignCerts[] = {
    {"Qualified Cert", "3f001003c008", "3f001003b100", 1, "3f001003b100", 129, 2048, 128, SIG, S | CA | A, PT_CARD, NO_TEST},
};
// clang-format on
VN_LAYOUT_CERTS(kCardOS43TcQSign, cardOS43TcQSignCerts);

// clang-format off
#define VN_CARDOS43_CIPHER_ROWS                                                                                              \
    {"Advanced Cert", "3f00501543044301", "3f00501550724B010101", 1, "3f00501550724B010101", 1, 2048, 128, CIPHER, A, PT_CARD},  \
    {"Auth Cert", "3f00501543044302", "3f00501550724B010101", 1, "3f00501550724B010101", 1, 2048, 128, CIPHER, 0, PT_CARD},      \
    {"DS CA Cert", "3f0050154304c008", "3f00501550724B01", 255, "3f002f02", 255, 2048, 128, CIPHER, CA, PT_CARD},                 \
    {"Root DS CA Cert", "3f0050154304c708", "3f00501550724B01", 255, "3f002f02", 255, 2048, 128, CIPHER, CA, PT_CARD},            \
    {"Enc CA Cert", "3f0050154304c70f", "3f00501550724B01", 255, "3f002f02", 255, 2048, 128, CIPHER, CA, PT_CARD, "3f0050154304c00f"}, \
    {"Root Enc CA Cert", "3f0050154304c70f", "3f00501550724B01", 255, "3f002f02", 255, 2048, 128, CIPHER, CA, PT_CARD},           \
    {"Auth CA Cert", "3f0050154304c00e", "3f00501550724B01", 255, "3f002f02", 255, 2048, 128, CIPHER, CA, PT_CARD},               \
    {"Root Auth CA Cert", "3f0050154304c70e", "3f00501550724B01", 255, "3f002f02", 255, 2048, 128, CIPHER, CA, PT_CARD}
// clang-format on

// Profiles 22 to 25.
static const LayoutCertRow cardOS43DTrustCerts[] = {
    {"Qualified Cert", "3f005015430443f1", "3f001fff0102", 2, "3f001fff0102", 129, 2048, 64, SIG_DT, S, PT_CARD},
    VN_CARDOS43_CIPHER_ROWS,
};
VN_LAYOUT_CERTS(kCardOS43DTrust, cardOS43DTrustCerts);
// Profiles 28 and 29.
static const LayoutCertRow cardOS43DTrust2ceCerts[] = {
    {"Qualified Cert", "3f005015430443f1", "3F001FFFC100", 2, "3F001FFFC100", 129, 2048, 64, SIG_DT, S, PT_CARD},
    VN_CARDOS43_CIPHER_ROWS,
};
VN_LAYOUT_CERTS(kCardOS43DTrust2ce, cardOS43DTrust2ceCerts);

// ---- CardOS 4.3: PIN sets by profile ----
static const LayoutPinRow pins20[] = {
    {GLOBAL, 0, "3F002f02", 1, false, 8, 16, false},
    {SIG, 1, "3F001FFF0101", 131, true, 8, 16, false},
};
VN_LAYOUT_PINS(kCardOS43Pins20, pins20);
static const LayoutPinRow pins21[] = {
    {SIG, 1, "3f00501550724B015501", 129, true, 6, 16, false},
};
VN_LAYOUT_PINS(kCardOS43Pins21, pins21);
// clang-format off
static const LayoutPinRow pins22[] = {  // 22, 23
    {CARD_DT, 0, "3F002f02", 1, false, 8, 16, false},
    {SIG_DT, 1, "3F001FFF0102", 129, true, 8, 16, false},
};
// clang-format on
VN_LAYOUT_PINS(kCardOS43Pins22, pins22);
// clang-format off
static const LayoutPinRow pins24[] = {  // 24, 25
    {CARD_DT, 0, "3F002f02", 1, false, 6, 16, false},
    {SIG_DT, 1, "3F001FFF0102", 129, true, 6, 16, false},
};
// clang-format on
VN_LAYOUT_PINS(kCardOS43Pins24, pins24);
// clang-format off
static const LayoutPinRow pins26[] = {  // 26, 27
    {GLOBAL, 0, "3F002f02", 1, false, 8, 16, false},
    {GLOBAL, 0, "3F00501550724B035503", 129, true, 8, 16, false},
    {GLOBAL, 0, "3F00501550724B015501", 129, true, 8, 16, false},
    {SIG, 1, "3f001fffc100", 129, true, 8, 16, false},
};
// clang-format on
VN_LAYOUT_PINS(kCardOS43Pins26, pins26);
static const LayoutPinRow pins28[] = {
    {CARD_DT, 0, "3F002f02", 1, false, 8, 16, false},
    {SIG_DT, 1, "3F001FFFC100", 129, true, 8, 16, false},
};
VN_LAYOUT_PINS(kCardOS43Pins28, pins28);
static const LayoutPinRow pins29[] = {
    {CARD_DT, 0, "3F002f02", 1, false, 6, 16, false},
    {SIG_DT, 1, "3F001FFFC100", 129, true, 6, 16, false},
};
VN_LAYOUT_PINS(kCardOS43Pins29, pins29);
static const LayoutPinRow pins40[] = {
    {SIG, 0, "3F00501550724B025502", 129, true, 5, 16, false},
    {SIG, 1, "3f001fffc100", 129, true, 5, 16, false},
};
VN_LAYOUT_PINS(kCardOS43Pins40, pins40);
static const LayoutPinRow pins41[] = {
    {SIG, 1, "3F00501550724B025502", 129, true, 5, 16, false},
};
VN_LAYOUT_PINS(kCardOS43Pins41, pins41);

// ---- CardOS 4.4 ----
// clang-format off
static const LayoutCertRow cardOS44DTrustCerts[] = {
    {"Root CA Cert", "3f0020002001000c", "3f0020002001000c", 255, "3f0020002001000c", 255, 2048, 128, CIPHER, CA, PT_CARD},
    {"VPKI CA Cert", "3f0020002001000e", "3f0020002001000e", 255, "3f0020002001000e", 255, 2048, 128, CIPHER, CA, PT_CARD, "3f0020002001000c"},
    {"Qualified Cert", "3f0020002001002a", "3f002000200100260001", 1, "3f002000200100260001", 129, 2048, 64, GLOBAL, S, PT_CARD},
    {"Auth Cert", "3f00200020010010", "3f00200020010010", 1, "3f00200020010010", 129, 2048, 64, GLOBAL, A, PT_CARD},
    {"E-Mail Sig Cert", "3f00200020010012", "3f00200020010012", 1, "3f00200020010012", 129, 2048, 64, GLOBAL, A, PT_CARD},
    {"E-Mail Cipher Cert", "3f00200020010018", "3f00200020010018", 1, "3f00200020010018", 129, 2048, 64, GLOBAL, A, PT_CARD},
    {"Advanced Cert", "3f00200020010024", "3f00200020010024", 1, "3f00200020010024", 129, 2048, 64, GLOBAL, A, PT_CARD},
};
// clang-format on
static const LayoutPinRow cardOS44DTrustPins[] = {
    {GLOBAL, 0, "3f00200020010010", 129, false, 8, 16, false},
};
VN_LAYOUT(kCardOS44DTrust, cardOS44DTrustCerts, cardOS44DTrustPins);

// clang-format off
static const LayoutCertRow cardOS44QuovadisCerts[] = {
    {"Qualified Cert", "3f00501543044301", "3f00501550724B015501", 1, "3f00501550724B015501", 129, 2048, 128, SIG, A, PT_CARD, NO_TEST},
    {"Root CA Cert", "3f00501543044302", "3f00501543044302", 255, "3f00501543044302", 255, 2048, 128, CIPHER, CA, PT_CARD},
    {"Sig CA Cert", "3f00501543044303", "3f00501543044303", 255, "3f00501543044303", 255, 2048, 128, CIPHER, CA, PT_CARD},
};
// clang-format on
static const LayoutPinRow cardOS44QuovadisPins[] = {
    {SIG, 1, "3f00501550724B015501", 129, true, 6, 16, false},
};
VN_LAYOUT(kCardOS44Quovadis, cardOS44QuovadisCerts, cardOS44QuovadisPins);

// clang-format off
static const LayoutCertRow cardOS44SwissSignCerts[] = {
    {"Sig Cert", "3f00501543044303", "3f00501550724B025502", 2, "3f00501550724B02", 129, 2048, 128, SIG, 0, PT_CARD, NO_TEST},
};
// clang-format on
static const LayoutPinRow cardOS44SwissSignPins[] = {
    {SIG, 1, "3f00501550724B02", 129, true, 6, 16, true},
};
VN_LAYOUT(kCardOS44SwissSign, cardOS44SwissSignCerts, cardOS44SwissSignPins);

// ---- CardOS 5.0 (D-TRUST Card 3.x) ----
static const LayoutCertRow cardOS50Certs[] = {
    {"Qualified Cert", "3F001FFEC001", "3F001FFF", 129, "3F001FFF", 129, KB_CARD, 128, SIG, S, 15},
    {"Auth Cert", "3F001FFEC101", "3F001FFD", 18, "3F000011", 17, KB_CARD, 128, CARD, A, 15},
};
static const LayoutPinRow cardOS50Pins[] = {
    {SIG, 1, "3F001FFF", 129, true, 6, 12, true},
    {CARD, 0, "3F000011", 17, false, 6, 12, false},
};
VN_LAYOUT(kCardOS50, cardOS50Certs, cardOS50Pins);

// ---- CardOS 5.4 (D-TRUST Card 4.x): signature part, and the authentication part of 83 to 85 ----
static const LayoutCertRow cardOS54SigCerts[] = {
    {"Qualified Cert", "3F0001030201", "3F000101", 2, "3F000101", 135, KB_CARD, 128, SIG, S, 17},
};
static const LayoutPinRow cardOS54SigPins[] = {
    {SIG, 1, "3F000101", 135, true, 6, 12, true},
};
VN_LAYOUT(kCardOS54Sig, cardOS54SigCerts, cardOS54SigPins);
static const LayoutCertRow cardOS54AuthCerts[] = {
    {"Auth Cert", "3F0001030204", "3F000102", 3, "3F00", 131, KB_CARD, 128, CARD, S | A, 17},
};
static const LayoutPinRow cardOS54AuthPins[] = {
    {CARD, 0, "3F00", 131, false, 6, 12, false},
};
VN_LAYOUT(kCardOS54Auth, cardOS54AuthCerts, cardOS54AuthPins);

void cardosPkcs15Paths(bool quorvel, std::string& keyPath, std::string& pinPath) {
    if (quorvel) {
        if (pinPath == "3F001FFF")
            pinPath += "0101";
        if (keyPath == "3F001FFF" || keyPath == "3F00501550724B01")
            keyPath += "0101";
    } else {
        if (pinPath == "3F001FFF")
            pinPath += "c100";
        if (pinPath == "3F0050154407")
            pinPath = keyPath;
    }
}
