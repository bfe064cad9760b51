// What the minidriver card data needs from the host's card data: the reader's tables
// (detected on first use) and the host's allocator.
#ifndef VN_CARDAPP_MINIDRIVERALLOC_H
#define VN_CARDAPP_MINIDRIVERALLOC_H

#include <cstddef>

#include "Minidriver.h"

namespace minidriver {

// The reader id of the card data when it indexes the legacy tables, else -1. A reader
// that was never detected is detected first.
int readerOf(CARD_DATA* cardData);

// size bytes from the host's allocation function; null when the host gives none.
unsigned char* hostAlloc(CARD_DATA* cardData, size_t size);
// A host-allocated copy of size bytes; null when the host gives none.
unsigned char* hostCopy(CARD_DATA* cardData, const unsigned char* data, size_t size);
void hostFree(CARD_DATA* cardData, void* p);

}  // namespace minidriver

#endif
