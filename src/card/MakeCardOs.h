// What a family's card type rows are written with: factories of card-OS objects and
// short names for the columns' enums.
#ifndef VN_CARD_MAKECARDOS_H
#define VN_CARD_MAKECARDOS_H

#include "card/CardTypes.h"

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

// The short names a rows file takes with `using namespace vn_card::rows`.
namespace rows {
using K = PinPathKind;
using D = Detection;
using Q = Pkcs15Quirk;
using L = LegacySupport;
using LD = LegacyDetection;
}  // namespace rows

}  // namespace vn_card

#endif
