// Prints the readers PC/SC lists, one a line, for the preload test. Linked with
// libpcsclite only; the simulator comes in by LD_PRELOAD.
#include "Probe.h"

#include <PCSC/reader.h>
#include <PCSC/winscard.h>

#include <cstdio>

int main() {
    const std::vector<std::string> names = probe::readerNames();
    SCARDCONTEXT ctx = 0;
    SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &ctx);
    for (const std::string& name : names) {
        SCARDHANDLE h = 0;
        DWORD protocol = 0;
        DWORD features = 0;
        unsigned char buffer[256];
        if (SCardConnect(ctx, name.c_str(), SCARD_SHARE_DIRECT, 0, &h, &protocol) == SCARD_S_SUCCESS) {
            if (SCardControl(h, CM_IOCTL_GET_FEATURE_REQUEST, nullptr, 0, buffer, sizeof buffer, &features) !=
                SCARD_S_SUCCESS)
                features = 0;
            SCardDisconnect(h, SCARD_LEAVE_CARD);
        }
        std::printf("%s|%lu\n", name.c_str(), static_cast<unsigned long>(features / 6));
    }
    SCardReleaseContext(ctx);
    return names.empty() ? 1 : 0;
}
