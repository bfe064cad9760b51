// Card application layouts as data: for each card family the certificate files that may
// exist with the key and PIN belonging to each, and the PINs of the card. One row per
// line; CSC_Profile::AddLayout turns each row into one object.
#ifndef VN_CARDAPP_LAYOUTS_H
#define VN_CARDAPP_LAYOUTS_H

#include <cstddef>
#include <string>

namespace layout {
// Row flags.
enum : unsigned {
    S = 1u,      // single-signature flag from the card
    S1 = 2u,     // single-signature always
    CA = 4u,     // CA or root certificate
    A = 8u,      // authentication role (usage 3)
    D = 16u,     // decipher flag
    HIDE = 32u,  // left out when "hideUnusedCerts" is set
};
// Key sizes taken from the card.
constexpr int KB_SIG = -1;   // SECCOS signature key
constexpr int KB_AUTH = -2;  // SECCOS authentication key
constexpr int KB_CARD = -3;  // CardOS 5 key size
// PIN reference chosen by the medisign CA name.
constexpr int REF_MEDISIGN = -2;
// Profile type stored in a row: the card's current one, or the SECCOS signature rule.
constexpr int PT_CARD = 0;
constexpr int PT_SECCOS_SIG = -1;
// Presence test of a row: the certificate's own file (null), none (NO_TEST), or another file.
constexpr const char* NO_TEST = "";
}  // namespace layout

struct LayoutCertRow {
    const char* label;
    const char* certPath;
    const char* keyPath;
    int keyRef;
    const char* pinPath;
    int pinRef;
    int keyBits;
    int keyClass;
    unsigned pinMsg;  // message id of the PIN name
    unsigned flags;
    int profile;
    const char* presence = nullptr;   // see layout::NO_TEST
    const char* ifPresent = nullptr;  // added only when this certificate file is present
    const char* ifAbsent = nullptr;   // added only when this certificate file is absent
};

struct LayoutPinRow {
    unsigned msg;  // message id of the PIN name
    int index;
    const char* path;
    int ref;
    bool local;
    int minLength;
    int maxLength;
    bool option;
};

struct CardLayout {
    const char* name;
    const LayoutCertRow* certs;
    size_t numCerts;
    const LayoutPinRow* pins;
    size_t numPins;
};

#define VN_LAYOUT(name, certs, pins) \
    const CardLayout name = {#name, certs, sizeof(certs) / sizeof(certs[0]), pins, sizeof(pins) / sizeof(pins[0])}
#define VN_LAYOUT_CERTS(name, certs) \
    const CardLayout name = {#name, certs, sizeof(certs) / sizeof(certs[0]), nullptr, 0}
#define VN_LAYOUT_PINS(name, pins) const CardLayout name = {#name, nullptr, 0, pins, sizeof(pins) / sizeof(pins[0])}

// TCOS 2
extern const CardLayout kTeleSec, kQuoVadis1k, kSigntrust1k, kDatev, kMedisign1k;
// TCOS 3
extern const CardLayout kTcos3, kTcos3v2;
// Micardo 2.1, SECCOS 5
extern const CardLayout kMicardo21, kSeccos5;
// STARCOS
extern const CardLayout kStarcos30, kStarcos32, kStarcos32Medisign, kStarcos34Auth, kStarcos34Qualified, kStarcos35A,
    kStarcos35B;
// CardOS 4.3: certificates by profile group, then the PIN sets by profile
extern const CardLayout kCardOS43Quovadis, kCardOS43TcQSign, kCardOS43DTrust, kCardOS43DTrust2ce;
extern const CardLayout kCardOS43Pins20, kCardOS43Pins21, kCardOS43Pins22, kCardOS43Pins24, kCardOS43Pins26,
    kCardOS43Pins28, kCardOS43Pins29, kCardOS43Pins40, kCardOS43Pins41;
// CardOS 4.4, 5.0, 5.4
extern const CardLayout kCardOS44DTrust, kCardOS44Quovadis, kCardOS44SwissSign, kCardOS50, kCardOS54Sig, kCardOS54Auth;
// SetCOS PIN sets by token label
extern const CardLayout kSetCosTelia2i, kSetCosIdentitetskort, kSetCosTelia5a, kSetCosInstant9, kSetCosOther;

// Quirks of the PKCS#15 applications of a family, beside its layout tables.
// CardOS: PIN and key paths the PKCS#15 directory gives incompletely (the Quorvel
// layout has its own); uniform paths in and out.
void cardosPkcs15Paths(bool quorvel, std::string& keyPath, std::string& pinPath);
// SetCOS 4.4.1: the PIN path belongs to the key's application; uniform paths in and out.
void setcos441Pkcs15Paths(std::string& keyPath, std::string& pinPath);
// SetCOS 4.4.1 as the PKCS#15 reader links it: PIN 3F005015 stands for the signature
// PIN 3F0050155B005B01, which (like 3F0050155016) serves single signatures.
void setcos441Pkcs15Link(std::string& pinPath, bool& single);
// SetCOS 4.4.2: a key path 4B01 lies below the MF.
void setcos442Pkcs15Link(std::string& keyPath);

#endif
