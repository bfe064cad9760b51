// SetCOS PIN sets, chosen by the token label (the certificates come from PKCS#15).
#include "LayoutMsgIds.h"
#include "Layouts.h"
#include "SafeMem.h"

using namespace pinname;

static const LayoutPinRow telia2i[] = {
    {IDENT, 0, "3f000080", 1, false, 4, 8, false},
    {SIG_TELIA, 1, "3f00501550160080", 130, true, 4, 8, false},
};
VN_LAYOUT_PINS(kSetCosTelia2i, telia2i);
static const LayoutPinRow identitetskort[] = {
    {IDENT, 0, "3f000080", 129, false, 4, 8, false},
    {IDENT, 0, "3f000080", 1, false, 4, 8, false},
    {SIG_TELIA, 1, "3f0050160080", 130, true, 4, 8, false},
    {ICODE, 2, "3f000080", 131, false, 4, 8, false},
};
VN_LAYOUT_PINS(kSetCosIdentitetskort, identitetskort);
// clang-format off
static const LayoutPinRow telia5a[] = {
    {IDENT, 0, "3f005b01", 129, false, 4, 8, false},
    {IDENT, 0, "3f005b02", 129, false, 4, 8, false},
    {IDENT, 0, "3f004b01", 129, false, 4, 8, false},
    {SIG_TELIA, 1, "3f0050164b02", 130, true, 4, 8, false},
    {SIG_TELIA, 1, "3f0050165b03", 130, true, 4, 8, false},
};
// clang-format on
VN_LAYOUT_PINS(kSetCosTelia5a, telia5a);
// clang-format off
static const LayoutPinRow instant9[] = {
    {IDENT, 0, "3f004b01", 129, false, 4, 8, false},
    {IDENT, 0, "3f005b01", 129, false, 4, 8, false},
    {IDENT, 0, "3f005b02", 129, false, 4, 8, false},
    {SIG_TELIA, 1, "3f0050164b02", 130, true, 4, 8, false},
    {SIG_TELIA, 1, "3f0050165b05", 130, true, 4, 8, false},
};
// clang-format on
VN_LAYOUT_PINS(kSetCosInstant9, instant9);
static const LayoutPinRow other[] = {
    {IDENT, 0, "3f0050155b005b01", 1, false, 4, 8, false},
    {SIG_TELIA, 1, "3f0050155b005b05", 130, true, 4, 8, false},
    {IDENT, 0, "3f0050155b005b02", 1, false, 4, 8, false},
};
VN_LAYOUT_PINS(kSetCosOther, other);

void setcos441Pkcs15Paths(std::string& keyPath, std::string& pinPath) {
    if (keyPath == "3F0050155B005B05")
        pinPath = keyPath;
    if (keyPath.find("3F0050155B00") == std::string::npos)
        pinPath += "0080";
}

void setcos441Pkcs15Link(std::string& pinPath, bool& single) {
    std::string lower = pinPath;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (lower == "3f005015") {
        pinPath = "3f0050155b005b01";
        single = true;
    }
    if (strTools::uniformPath(pinPath) == "3F0050155016")
        single = true;
}

void setcos442Pkcs15Link(std::string& keyPath) {
    if (keyPath == "4b01" || keyPath == "4B01")
        keyPath = "3f004b01";
}
