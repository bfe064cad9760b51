// CTcos3sm: TCOS 3.0 secure-messaging state.
#include "Tcos3sm.h"

#include "MpArith.h"

TcosSmData CTcos3sm::m_data = {};

int CTcos3sm::incIV() {
    DIGIT_T counter[2];
    mpConvFromOctets(counter, 2, m_data.ssc, sizeof m_data.ssc);
    mpShortAdd(counter, counter, 1, 2);  // the carry out of the 64 bits is dropped
    mpConvToOctets(counter, 2, m_data.ssc, sizeof m_data.ssc);
    return 0;
}
