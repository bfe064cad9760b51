// Checking the serial of the card in the reader again with as few commands as the card
// allows, right after an earlier call of the process left it at its MF.
#include "IsoCommands.h"
#include "SC_Profile_Base.h"

using namespace vn_cardos;

bool CSC_Profile_Base::showsSerial(const std::string& serial) {
    // The serial file holds a tag, a one-byte length and the serial: exactly those bytes
    // are read. False when the probe fails or finds another serial or a file of another
    // shape; the caller then reads the serial in full from a fresh selection.
    const size_t serialBytes = serial.size() / 2;
    if (m_serialProbe == kSerialProbeRead || serial.empty() || serialBytes > 0x7F)
        return getCardSerial() == serial;
    const unsigned char want = static_cast<unsigned char>(2 + serialBytes);
    size_t at = 0, length = 0;
    if (m_serialProbe == kSerialProbeSelectNoFci || m_serialProbe == kSerialProbeSelectPathNoFci) {
        // P1 02: a file of the current directory; 08: a path from the MF.
        const unsigned char p1 = m_serialProbe == kSerialProbeSelectNoFci ? 0x02 : 0x08;
        if (selectId(*this, kApduCase3, p1, 0x0C, m_serialFile, 0, true) != kCardOk ||
            !send(*this, Command::iso(kApduCase2, kInsReadBinary, 0x00, 0x00).withLe(want)) || !isSW(0x90, 0x00))
            return false;
        length = m_respLen;
    } else {
        // Offset 0 in a 54 object; room for the 53 object around the answer.
        const Bytes offset = {0x54, 0x02, 0x00, 0x00};
        if (!send(*this, Command::iso(kApduCase4, kInsReadBinaryOdd, m_serialFile[0], m_serialFile[1])
                             .withData(offset)
                             .withLe(static_cast<unsigned short>(want + 4))) ||
            !(isSW(0x90, 0x00) || isSW(0x62, 0x82)))
            return false;
        oddReadData(m_response.data(), m_respLen, at, length);
    }
    // Both commands leave the file selected in the MF.
    setCurrEF(m_serialFile, 2);
    setSerialFromFile(*this, m_response.data() + at, length);
    return m_serial == serial;
}
