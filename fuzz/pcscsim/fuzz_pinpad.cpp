// Input: byte 0 bit 0 chooses a change (else a verification), byte 1 the number
// of key bytes that follow, then the keys, then the PIN structure.
#include "PinPad.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

const char kKeys[] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', '\r', '\x1b', '\b', '\n', '.', 'T'};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const bool modify = data[0] & 1;
    const size_t keys = data[1] % 48;
    if (size < 2 + keys)
        return 0;
    const uint8_t* structure = data + 2 + keys;
    const size_t length = size - 2 - keys;
    auto request =
        modify ? pcscsim::pinpad::parseModify(structure, length) : pcscsim::pinpad::parseVerify(structure, length);
    if (!request)
        return 0;
    pcscsim::pinpad::Entry entry(*request);
    for (size_t i = 0; i < keys && !entry.done(); ++i)
        entry.press(kKeys[data[2 + i] % sizeof kKeys]);
    entry.timeout();
    pcscsim::pinpad::Built built = pcscsim::pinpad::buildCommand(*request, entry.currentPin(), entry.newPin());
    if (built.error == SCARD_S_SUCCESS && built.readerSw == 0 && built.apdu.size() < 4)
        __builtin_trap();
    return 0;
}
