// Factories of card-OS objects for the card type rows.
#ifndef VN_CARD_MAKECARDOS_H
#define VN_CARD_MAKECARDOS_H

class CSC_Profile_Base;

namespace vn_card {

template <class T>
CSC_Profile_Base* makeCardOs() {
    return new T();
}

// The classes that keep a security environment start without one.
template <class T>
CSC_Profile_Base* makeCardOsWithoutEnvironment() {
    auto* p = new T();
    p->setSecurityEnvironmentSet(false);
    return p;
}

}  // namespace vn_card

#endif
