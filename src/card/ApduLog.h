// APDU dumps for the file log with PINs and PUKs blanked out.
#ifndef VN_CARD_APDULOG_H
#define VN_CARD_APDULOG_H

#include <vector>

// Byte written in place of secret bytes in a dump.
const unsigned char kMaskByte = 0x2A;

// A copy of the command bytes in which the data of VERIFY, CHANGE REFERENCE DATA and
// RESET RETRY COUNTER is masked (short and extended forms).
std::vector<unsigned char> vn_mask_command(const std::vector<unsigned char>& command);

// A copy of a pin-pad structure (fixed part headLength bytes, then CLA INS P1 P2 Lc and
// the PIN block) with the PIN block masked.
std::vector<unsigned char> vn_mask_pinpad(const unsigned char* data, unsigned long length, unsigned long headLength);

#endif
