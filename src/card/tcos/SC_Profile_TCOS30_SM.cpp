// TCOS 3.0 keys under secure messaging: the key agreement before their first use and
// the protected PSO COMPUTE DIGITAL SIGNATURE (layout in card/Tcos3Messaging.h).
#include <cstring>

#include "SC_Profile_CardOS.h"
#include "Tcos3sm.h"
#include "card/IsoCommands.h"
#include "card/tcos/Tcos3Messaging.h"
#include "infra/TraceScope.h"
#include "vn_log.h"

using namespace vn_cardos;

namespace {
const unsigned char kProtectedSign[4] = {0x0C, 0x2A, 0x9E, 0x9A};
const unsigned char kAnyLength = 0x00;  // 97 01 00: the whole answer
const size_t kSerialLength = 8;
}  // namespace

CSC_Profile_TCOS30::~CSC_Profile_TCOS30() { CTcos3sm::end_session(this); }

bool CSC_Profile_TCOS30::isSmInitialized() { return m_smInitialized && CTcos3sm::session_of(this); }

int CSC_Profile_TCOS30::InitSM() {
    VnTraceScope trace("CSC_Profile_Base::InitSM");
    if (!needsSecureMessaging(m_keyPath))
        return 0;
    m_smInitialized = false;
    TcosSmData& d = CTcos3sm::m_data;
    if (m_smKey1Len == 0 || m_smKey1Len > sizeof d.cardModulus || m_smKey2Len == 0 ||
        m_smKey2Len > sizeof d.cardExponent) {
        vn_log(1, "CSC_Profile_TCOS30::InitSM: no usable card authentication key\n");
        return SC_CMD_FAILED;
    }
    // The serial number binds the agreement to this card; read it when nobody has yet.
    static const unsigned char kNone[16] = {0};
    if (m_serial.empty() && std::memcmp(m_serialBytes, kNone, sizeof kNone) == 0) {
        PushCurrentFile("");
        ReadCardSerial();
        PopCurrentFile();
    }
    std::memcpy(d.cardModulus, m_smKey1, m_smKey1Len);
    d.modulusLength = m_smKey1Len;
    std::memcpy(d.cardExponent, m_smKey2, m_smKey2Len);
    d.exponentLength = m_smKey2Len;
    unsigned char serial[kSerialLength];
    std::memcpy(serial, m_serialBytes + sizeof m_serialBytes - kSerialLength, kSerialLength);
    m_smInitialized = CTcos3sm::tocs_get_session_keys(this, serial) == 0;
    return m_smInitialized ? 0 : SC_CMD_FAILED;
}

int CSC_Profile_TCOS30::SignProtected(unsigned int algId, int keyBits, unsigned char* hash, unsigned long hashLength,
                                      unsigned char* signature, unsigned long* signatureLength) {
    if (!isSmInitialized()) {
        vn_log(1, "CSC_Profile_TCOS30::SCSignData: no secure-messaging session for %s\n", m_keyPath.c_str());
        return SC_CMD_FAILED;
    }
    SignBlock block;
    if (!buildSignBlock(*this, algId, keyBits, hash, hashLength, false, block))
        return SC_CMD_FAILED;
    Bytes data = vn_tcos3::protect_command(kProtectedSign, block, kAnyLength);
    const bool sent =
        send(*this, Command::iso(kApduCase4Extended, kProtectedSign[1], kProtectedSign[2], kProtectedSign[3])
                        .withCla(kProtectedSign[0])
                        .withData(data)
                        .withLe(0x0000));
    // The card ends its session on any answer but 9000; so does the library.
    if (!sent || !isSW(0x90, 0x00)) {
        CTcos3sm::end_session(this);
        m_smInitialized = false;
        return sent && isSW(0x69, 0x82) ? kCardSecurityNotSatisfied : kCardFailed;
    }
    vn_secret::WipedBytes plain;
    uint16_t status = 0;
    const vn_tcos3::Unwrapped u = vn_tcos3::unwrap_answer(getResponse(), getResponseLength(), plain, status);
    if (u != vn_tcos3::Unwrapped::Ok || status != 0x9000) {
        vn_log(1, "CSC_Profile_TCOS30::SCSignData: protected answer refused (%s, status %04X)\n",
               u == vn_tcos3::Unwrapped::BadMac      ? "checksum"
               : u == vn_tcos3::Unwrapped::Malformed ? "layout"
                                                     : "status",
               static_cast<unsigned>(status));
        CTcos3sm::end_session(this);
        m_smInitialized = false;
        return kCardFailed;
    }
    if (signatureLength == nullptr || signature == nullptr ||
        (*signatureLength != 0 && plain.size() > *signatureLength))
        return kCardFailed;
    if (!plain.empty())
        std::memcpy(signature, plain.data(), plain.size());
    *signatureLength = plain.size();
    return kCardOk;
}
