// Names of the card result codes and the APDU forms of FormatAPDU, for the card
// command layer and the card operating-system classes.
#ifndef VN_CARD_CARDRESULTS_H
#define VN_CARD_CARDRESULTS_H

#include <cstddef>
#include <cstdint>

#include "SC_Profile_Base.h"

namespace vn_cardos {

// Result codes of the card operations.
enum CardResult : int {
    kCardOk = 0,
    kCardWrongLength = 1,                                      // 6700
    kCardWrongParameters = 2,                                  // 6A87
    kCardEndReached = 3,                                       // 6282: end of file or record before Le bytes
    kCardConditionsNotSatisfied = 4,                           // 6985
    kCardReferenceUnusable = 5,                                // 6984, or 6300 in the base mapping
    kCardPinBlocked = CSC_Profile_Base::SC_CMD_COUNTERFAILED,  // 6983
    kCardPinPadCancelled = 7,                                  // 6401, 6402, 6403
    kCardNoChallenge = 8,                                      // GET CHALLENGE refused (6985, 6800)
    kCardSecurityNotSatisfiedRead = 10,                        // 6981 on READ BINARY
    kCardNoCurrentFile = 11,                                   // 6986 on READ BINARY
    kCardFileNotFound = 12,                                    // 6A82 on SELECT
    kCardSecurityNotSatisfied = 13,                            // 6982
    kCardAuthFailed = CSC_Profile_Base::SC_CMD_AUTH_FAILED,    // 6300 (CardOS)
    kCardFailed = CSC_Profile_Base::SC_CMD_FAILED,
};

// How FormatAPDU lays out a command (what SendToCard sends).
enum ApduForm : unsigned char {
    kApduLcOnly = 0,         // CLA INS P1 P2 Lc(low byte)
    kApduCase1 = 1,          // CLA INS P1 P2
    kApduCase2 = 2,          // CLA INS P1 P2 Le (Lc set to Le)
    kApduCase2Lc = 3,        // CLA INS P1 P2 Lc: Lc carries the expected length
    kApduRead = 4,           // CLA INS P1 P2 Lc: Lc carries the expected length (0 = 256)
    kApduCase4 = 5,          // CLA INS P1 P2 Lc data Le
    kApduCase3 = 6,          // CLA INS P1 P2 Lc data
    kApduCase4Extended = 7,  // CLA INS P1 P2 00 Lc(2) data Le(2)
    kApduNotSent = 8,        // never sent (SendToCard gives false); 512-byte answer buffer
};

// Status words as CSC_Profile_Base::getSW() reports them (SW1 + SW2 * 65536).
constexpr uint32_t sw(unsigned sw1, unsigned sw2) { return sw1 + sw2 * 65536u; }

// Status words the card classes name.
constexpr uint32_t kSwOk = sw(0x90, 0x00);
constexpr uint32_t kSwEndReached = sw(0x62, 0x82);
constexpr uint32_t kSwVerificationFailed = sw(0x63, 0x00);
constexpr uint32_t kSwPinPadCancelled = sw(0x64, 0x01);
constexpr uint32_t kSwPinPadMismatch = sw(0x64, 0x02);
constexpr uint32_t kSwPinPadLength = sw(0x64, 0x03);
constexpr uint32_t kSwWrongLength = sw(0x67, 0x00);
constexpr uint32_t kSwIncompatibleFile = sw(0x69, 0x81);
constexpr uint32_t kSwSecurityNotSatisfied = sw(0x69, 0x82);
constexpr uint32_t kSwAuthBlocked = sw(0x69, 0x83);
constexpr uint32_t kSwReferenceUnusable = sw(0x69, 0x84);
constexpr uint32_t kSwConditionsNotSatisfied = sw(0x69, 0x85);
constexpr uint32_t kSwNoCurrentFile = sw(0x69, 0x86);
constexpr uint32_t kSwSmObjectsIncorrect = sw(0x69, 0x88);
constexpr uint32_t kSwFileNotFound = sw(0x6A, 0x82);
constexpr uint32_t kSwLcInconsistent = sw(0x6A, 0x87);
constexpr uint32_t kSwDataNotFound = sw(0x6A, 0x88);

// One row of a status table: a status word, its result and what it says.
struct StatusRow {
    uint32_t status;
    int result;
    const char* text;
};

// The ISO/IEC 7816-4 status words with the result each gives and a short text.
extern const StatusRow kIsoStatus[];
extern const size_t kIsoStatusRows;

// How one command (or one card family) reads a status word: its own rows first (the
// extras of a family, or where it answers otherwise than the ISO table by design), then
// the status words it takes from the ISO table as they stand there, then the map it
// extends; any other status gives `otherwise`.
struct StatusMap {
    const StatusRow* own;
    size_t ownRows;
    const uint32_t* fromIso;
    size_t fromIsoRows;
    const StatusMap* extends;
    int otherwise;
};

template <size_t N>
constexpr StatusMap isoStatusMap(const uint32_t (&fromIso)[N], const StatusMap* extends = nullptr,
                                 int otherwise = kCardFailed) {
    return {nullptr, 0, fromIso, N, extends, otherwise};
}
template <size_t N, size_t M>
constexpr StatusMap statusMap(const StatusRow (&own)[N], const uint32_t (&fromIso)[M],
                              const StatusMap* extends = nullptr, int otherwise = kCardFailed) {
    return {own, N, fromIso, M, extends, otherwise};
}

// The result of `status` under `map`.
int mapStatus(uint32_t status, const StatusMap& map);
// What `status` says: the map's own rows first, then the ISO table; "" when neither
// knows it.
const char* statusText(uint32_t status, const StatusMap* map = nullptr);

}  // namespace vn_cardos

#endif
