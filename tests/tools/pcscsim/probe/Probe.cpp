#include "Probe.h"

#include <PCSC/winscard.h>

namespace probe {

std::vector<std::string> readerNames() {
    std::vector<std::string> names;
    SCARDCONTEXT ctx = 0;
    if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &ctx) != SCARD_S_SUCCESS)
        return names;
    char* list = nullptr;
    DWORD length = SCARD_AUTOALLOCATE;
    if (SCardListReaders(ctx, nullptr, reinterpret_cast<char*>(&list), &length) == SCARD_S_SUCCESS) {
        for (const char* p = list; p < list + length && *p; p += names.back().size() + 1)
            names.emplace_back(p);
        SCardFreeMemory(ctx, list);
    }
    SCardReleaseContext(ctx);
    return names;
}

}  // namespace probe
