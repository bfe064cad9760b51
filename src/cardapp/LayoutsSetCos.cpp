// SetCOS PIN sets, chosen by the token label (the certificates come from PKCS#15).
#include "LayoutMsgIds.h"
#include "Layouts.h"

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
static const LayoutPinRow telia5a[] = {
    {IDENT, 0, "3f005b01", 129, false, 4, 8, false},
    {IDENT, 0, "3f005b02", 129, false, 4, 8, false},
    {IDENT, 0, "3f004b01", 129, false, 4, 8, false},
    {SIG_TELIA, 1, "3f0050164b02", 130, true, 4, 8, false},
    {SIG_TELIA, 1, "3f0050165b03", 130, true, 4, 8, false},
};
VN_LAYOUT_PINS(kSetCosTelia5a, telia5a);
static const LayoutPinRow instant9[] = {
    {IDENT, 0, "3f004b01", 129, false, 4, 8, false},
    {IDENT, 0, "3f005b01", 129, false, 4, 8, false},
    {IDENT, 0, "3f005b02", 129, false, 4, 8, false},
    {SIG_TELIA, 1, "3f0050164b02", 130, true, 4, 8, false},
    {SIG_TELIA, 1, "3f0050165b05", 130, true, 4, 8, false},
};
VN_LAYOUT_PINS(kSetCosInstant9, instant9);
static const LayoutPinRow other[] = {
    {IDENT, 0, "3f0050155b005b01", 1, false, 4, 8, false},
    {SIG_TELIA, 1, "3f0050155b005b05", 130, true, 4, 8, false},
    {IDENT, 0, "3f0050155b005b02", 1, false, 4, 8, false},
};
VN_LAYOUT_PINS(kSetCosOther, other);
