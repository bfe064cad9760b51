// Adding a timestamp to signed data: the timestamp client is not part of this build yet.
#include "SignMessage.h"

int32_t CSignMessage::addTimestamp(unsigned char*, unsigned int, unsigned int*, int, int) { return -91; }
