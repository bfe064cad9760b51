// Creation of the card operating-system object for a card type. The card application
// object comes with the card application layer.
#include "CardFactory.h"

#include "SC_Profile_CardOS.h"

CSC_Profile_Base* vn_create_card_os(int cardType) {
    switch (cardType) {
    case 1: return new CSC_Profile_TCOS20();
    case 2: return new CSC_Profile_TCOS30();
    case 3: return new CSC_Profile_Micardo21();
    case 4: return new CSC_Profile_CardOS43b();
    case 5: return new CSC_Profile_StarCos30();
    case 6: return new CSC_Profile_SecCos5();
    case 7: return new CSC_Profile_SetCos441();
    case 9: return new CSC_Profile_StarCos32();
    case 10: return new CSC_Profile_SetCos442();
    case 11: return new CSC_Profile_CardOS44();
    case 12: {
        auto* p = new CSC_Profile_StarCos34();
        p->setSecurityEnvironmentSet(false);
        return p;
    }
    case 13: return new CSC_Profile_TCOS30V2();
    case 14: {
        auto* p = new CSC_Profile_StarCos35();
        p->setSecurityEnvironmentSet(false);
        return p;
    }
    case 15: return new CSC_Profile_CardOS50();
    case 16: {
        auto* p = new CSC_Profile_SmartCardHSM();
        p->setSecurityEnvironmentSet(false);
        return p;
    }
    case 17: return new CSC_Profile_CardOS54();
    default: return nullptr;  // no card, unknown card, CardOS 4.01a
    }
}

void vn_card_os_connected(CSC_Profile_Base* cardOs, int cardType) {
    // Micardo 2.1 runs T=0 only.
    if (cardOs != nullptr && cardType == 3)
        cardOs->setProtocol(SCARD_PROTOCOL_T0);
}

