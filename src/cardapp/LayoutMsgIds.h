// Message ids of the PIN names used by the layout tables.
#ifndef VN_CARDAPP_LAYOUTMSGIDS_H
#define VN_CARDAPP_LAYOUTMSGIDS_H

namespace pinname {
enum : unsigned {
    SIG = 200,
    CSA = 201,
    GLOBAL = 202,
    AUTH = 203,
    CIPHER = 204,
    CARD = 230,
    CARD_DT = 221,
    SIG_DT = 222,
    IDENT = 225,
    SIG_TELIA = 226,
    ICODE = 227
};
}

#endif
