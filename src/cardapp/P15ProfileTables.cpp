// The four fixed PKCS#15 layouts. Telia is the reference; the comments of the other
// tables name what differs from it.
#include "P15ProfileTables.h"

#include "LayoutMsgIds.h"

namespace p15table {
using namespace pinname;

// Telia EID IP2i (SetCOS 4.4.1).
const Table kTelia = {
    /*cardType*/ 2,
    /*keys*/ 3,
    /*pins*/ 2,
    /*certs*/ 3,
    /*PIN length*/ 4,
    8,
    /*cardPinIndex*/ 0,
    {
        // usage, path, name, authId, id, ref, size, access flags
        {36, "3f00/5015/4b01", "PrK#1", 1, 1, 0, 1024, 184},
        {64, "3f00/5015/5016/4b02", "PrK#2", 2, 2, 0, 1024, 184},
        {36, "3f00/5015/4b01", "PrK#1", 1, 1, 0, 1024, 184},
    },
    {
        // ref, path, name, auth, id
        {1, "3f00/0080", IDENT, 0, 1},
        {130, "3f00/5015/5016/0080", SIG_TELIA, 0, 2},
        {1, "3f00/0080", IDENT, 0, 1},
    },
    {
        // path, name, authId, id
        {"3f00/5015/433f", "Advanced Cert", 1, 69},
        {"3f00/5015/433f", "Signature Cert", 2, 70},
        {"3f00/5015/433f", "Auth Cert", 1, 69},
    },
};

// SetCOS application in root mode: Telia's files one level up (no 5015), card type 0,
// certificate ids 1, 2, 1.
const Table kVozed = {
    0,
    3,
    2,
    3,
    4,
    8,
    0,
    {
        {36, "3f00/4b01", "PrK#1", 1, 1, 0, 1024, 184},
        {64, "3f00/5016/4b02", "PrK#2", 2, 2, 0, 1024, 184},
        {36, "3f00/4b01", "PrK#1", 1, 1, 0, 1024, 184},
    },
    {
        {1, "3f00/0080", IDENT, 0, 1},
        {130, "3f00/5016/0080", SIG_TELIA, 0, 2},
        {1, "3f00/0080", IDENT, 0, 1},
    },
    {
        {"3f00/433f", "Advanced Cert", 1, 1},
        {"3f00/433f", "Signature Cert", 2, 2},
        {"3f00/433f", "Auth Cert", 1, 1},
    },
};

// SetCOS 4.4.1 under 5015/5B00: each key lies in the file of its PIN (5B01
// identification, 5B05 signature, 5B02 identification); card type 1, key ids 1, 2, 3,
// the decipherment certificate first, every certificate under authId 1, PIN auth 3, 3, 0.
const Table kSetCos = {
    1,
    3,
    2,
    3,
    4,
    8,
    0,
    {
        {36, "3f00/5015/5b00/5b01", "PrK#1", 1, 1, 0, 1024, 184},
        {64, "3f00/5015/5b00/5b05", "PrK#2", 2, 2, 0, 1024, 184},
        {36, "3f00/5015/5b00/5b02", "PrK#1", 1, 3, 0, 1024, 184},
    },
    {
        {1, "3f00/5015/5b00/5b01", IDENT, 3, 1},
        {130, "3f00/5015/5b00/5b05", SIG_TELIA, 3, 2},
        {1, "3f00/5015/5b00/5b02", IDENT, 0, 1},
    },
    {
        {"3f00/5015/433f", "Decipher Cert", 1, 1},
        {"3f00/5015/433f", "Signature Cert", 1, 2},
        {"3f00/5015/433f", "Auth Cert", 1, 3},
    },
};

// CardOS 4.3b: one 2048-bit key (reference 1) in 5015/5072/4B01, one PIN ("Card" at
// 2F02, signature PIN 131 at 1FFF/0101), 8 to 16 digits, card type 10, certificates in
// 5015/4304, ids 1, 2, 1.
const Table kCardOS43b = {
    10,
    1,
    1,
    3,
    8,
    16,
    0,
    {
        {100, "3f00/5015/5072/4b01/0101", "PrK#1", 1, 1, 1, 2048, 184},
        {64, "3f00/5015/5072/4b01/0101", "PrK#2", 2, 2, 1, 2048, 184},
        {36, "3f00/5015/5072/4b01/0101", "PrK#1", 1, 1, 1, 2048, 184},
    },
    {
        {1, "3f00/2f02", CARD_DT, 0, 1},
        {131, "3f00/1fff/0101", SIG_DT, 0, 2},
        {1, "3f00/2f02", CARD_DT, 0, 1},
    },
    {
        {"3f00/5015/4304/4301", "Advanced Cert", 1, 1},
        {"3f00/5015/4304/43f1", "Signature Cert", 2, 2},
        {"3f00/5015/4304/4302", "Auth Cert", 1, 1},
    },
};

}  // namespace p15table
