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

// One row of a status-word mapping.
struct StatusResult {
    uint32_t status;
    int result;
};

// The result of `status` in `table`; `otherwise` when it has no row.
int mapStatus(uint32_t status, const StatusResult* table, size_t rows, int otherwise = kCardFailed);
template <size_t N>
int mapStatus(uint32_t status, const StatusResult (&table)[N], int otherwise = kCardFailed) {
    return mapStatus(status, table, N, otherwise);
}

}  // namespace vn_cardos

#endif
