// Construction, connection and protocol handling of the card command object.
#include "SC_Profile_Base.h"

#include <cstring>

#include "ConfigSC.h"
#include "ScPcsc.h"
#include "infra/HexDigit.h"
#include "infra/Secrets.h"
#include "infra/TraceScope.h"
#include "vn_log.h"

namespace {
// READ BINARY carries its length in one byte: the chunk size stays within 1..255.
unsigned short readChunkFromConfig() {
    uint32_t v = gConfigSC.maxReadChunk;
    if (v == 0)
        return 240;
    return static_cast<unsigned short>(v > 255 ? 255 : v);
}
}  // namespace

CSC_Profile_Base::CSC_Profile_Base()
    : m_smInitialized(false),
      m_hScard(0),
      m_hContext(0),
      m_apduForm(0),
      m_cla(0),
      m_ins(0),
      m_p1(0),
      m_p2(0),
      m_lc(0),
      m_le(0),
      m_data(nullptr),
      m_dataLen(0),
      m_response(256, 0),
      m_respLen(0),
      m_sw1(0),
      m_sw2(0),
      m_cardType(0),
      m_currDF{0x3F, 0x00},
      m_currDFLen(2),
      m_currEF{},
      m_currEFLen(0),
      m_minPinLen(4),
      m_maxPinLen(8),
      m_pcsc(nullptr),
      m_pinVerify(nullptr),
      m_pinModify(nullptr),
      m_profileType(0),
      m_profileType2(0),
      m_smKey1{},
      m_smKey2{},
      m_smKey1Len(0),
      m_smKey2Len(0),
      m_serialBytes{},
      m_maxKeyLen(2048),
      m_minKeyLen(1024),
      m_remainingTries(-1),
      m_unblockMethod(0),
      m_pinCancelled(false),
      m_t1Allowed(true),
      m_maxRead(readChunkFromConfig()),
      m_noRsaPss(false),
      m_rsaOaep(false),
      m_ownContext(false),
      m_lastControlOk(true) {}

CSC_Profile_Base::CSC_Profile_Base(long hCard) : CSC_Profile_Base() {
    m_hScard = hCard;
    unsigned char atr[MAX_ATR_SIZE + 3];
    DWORD len = sizeof(atr);
    if (hCard != 0 && SCardGetAttrib(hCard, SCARD_ATTR_ATR_STRING, atr, &len) == SCARD_S_SUCCESS && len > 0 &&
        len <= sizeof(atr)) {
        std::string text;
        char b[4];
        for (DWORD i = 0; i < len; ++i) {
            snprintf(b, sizeof(b), i == 0 ? "%02X" : ":%02X", atr[i]);
            text += b;
        }
        UpdateSCardType(DetermineCardOS(text));
    }
}

CSC_Profile_Base::~CSC_Profile_Base() {
    FreePinPad();
    if (m_ownContext) {
        if (m_hScard != 0)
            SCardDisconnect(m_hScard, SCARD_LEAVE_CARD);
        SCardReleaseContext(m_hContext);
    }
    vn_secret::cleanse(m_smKey1, sizeof(m_smKey1));
    vn_secret::cleanse(m_smKey2, sizeof(m_smKey2));
    vn_secret::cleanse(m_response.data(), m_response.size());
}

void CSC_Profile_Base::FreePinPad() {
    delete m_pcsc;
    m_pcsc = nullptr;
    FreeVerifyStructure(m_pinVerify);
    m_pinVerify = nullptr;
    FreeModifyStructure(m_pinModify);
    m_pinModify = nullptr;
}

int CSC_Profile_Base::connectCard(std::string readerName, long context) {
    if (context == 0) {
        if (!ConnectSCard())
            return SC_CMD_FAILED;
    } else {
        m_hContext = context;
    }
    if (m_hScard != 0) {
        SCardDisconnect(m_hScard, SCARD_LEAVE_CARD);
        m_hScard = 0;
    }
    DWORD protocol = 0;
    SCARDHANDLE h = 0;
    LONG rv = SCardConnect(m_hContext, readerName.c_str(), SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1,
                           &h, &protocol);
    vn_log(2, "SCardConnect lReturn : 0x%016lX\n", static_cast<unsigned long>(rv));
    if (rv != SCARD_S_SUCCESS) {
        m_hScard = 0;
        return SC_CMD_FAILED;
    }
    m_hScard = h;
    m_connectedReader = readerName;
    m_readerCommands = 0;
    vn_log(2, "m_hScard : 0x%016lX\n", static_cast<unsigned long>(m_hScard));
    char name[256];
    DWORD nameLen = sizeof(name);
    DWORD state = 0;
    unsigned char atr[MAX_ATR_SIZE];
    DWORD atrLen = sizeof(atr);
    rv = SCardStatus(m_hScard, name, &nameLen, &state, &protocol, atr, &atrLen);
    vn_log(2, "SCardStatus lReturn : 0x%016lX\n", static_cast<unsigned long>(rv));
    return 0;
}

int CSC_Profile_Base::disconnectCard() {
    LONG rv = SCardDisconnect(m_hScard, SCARD_LEAVE_CARD);
    m_hScard = 0;
    return rv == SCARD_S_SUCCESS ? 0 : SC_CMD_FAILED;
}

bool CSC_Profile_Base::ConnectSCard() {
    if (m_ownContext && m_hContext != 0)
        return true;  // reuse the context this object already made
    SCARDCONTEXT ctx = 0;
    if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &ctx) != SCARD_S_SUCCESS)
        return false;
    m_hContext = ctx;
    m_ownContext = true;
    return true;
}

bool CSC_Profile_Base::DisconnectSCard() {
    if (m_hContext == 0)
        return false;
    LONG rv = SCardReleaseContext(m_hContext);
    m_hContext = 0;
    m_ownContext = false;
    return rv == SCARD_S_SUCCESS;
}

bool CSC_Profile_Base::UpdateSCardHandle(long hCard) {
    m_hScard = hCard;
    return true;
}

bool CSC_Profile_Base::UpdateSCardContext(long context) {
    m_hContext = context;
    return true;
}

std::string CSC_Profile_Base::GetReaderName() {
    char name[512];
    DWORD len = sizeof(name);
    if (SCardGetAttrib(m_hScard, SCARD_ATTR_DEVICE_SYSTEM_NAME, reinterpret_cast<unsigned char*>(name), &len) ==
            SCARD_S_SUCCESS &&
        len > 0 && len <= sizeof(name))
        return std::string(name, strnlen(name, len));
    // Services that do not report the attribute still tell the name through the status.
    len = sizeof(name);
    DWORD state = 0, protocol = 0;
    unsigned char atr[MAX_ATR_SIZE];
    DWORD atrLen = sizeof(atr);
    if (SCardStatus(m_hScard, name, &len, &state, &protocol, atr, &atrLen) == SCARD_S_SUCCESS && len > 0 &&
        len <= sizeof(name))
        return std::string(name, strnlen(name, len));
    return std::string();
}

unsigned long CSC_Profile_Base::GetProtocol() {
    char name[512];
    DWORD len = sizeof(name);
    DWORD state = 0, protocol = 0;
    unsigned char atr[MAX_ATR_SIZE];
    DWORD atrLen = sizeof(atr);
    if (SCardStatus(m_hScard, name, &len, &state, &protocol, atr, &atrLen) != SCARD_S_SUCCESS)
        return 0;
    return protocol;
}

void CSC_Profile_Base::setProtocol(unsigned long protocol) {
    if (GetProtocol() == protocol)
        return;
    DWORD active = 0;
    SCardReconnect(m_hScard, SCARD_SHARE_SHARED, protocol, SCARD_RESET_CARD, &active);
}

void CSC_Profile_Base::SetCardProfile(int profileType) {
    m_profileType = profileType;
    m_profileType2 = profileType;
    SetMinMaxPINLength();
    SetMinMaxKeyLength();
}

std::string CSC_Profile_Base::getCardSerial() { return m_serial; }

void CSC_Profile_Base::SetMinMaxPINLength() {
    m_minPinLen = 4;
    m_maxPinLen = 8;
}

void CSC_Profile_Base::SetMinMaxKeyLength() {
    m_maxKeyLen = 2048;
    m_minKeyLen = 2048;
}

int CSC_Profile_Base::GetUnblockMethod() { return m_unblockMethod; }
void CSC_Profile_Base::SetUnblockMethod() { m_unblockMethod = 0; }

int CSC_Profile_Base::EraseFile() {
    VnTraceScope trace("CSC_Profile_Base::EraseFile");
    return 0;
}

int CSC_Profile_Base::GenRSAKeyPair() {
    VnTraceScope trace("CSC_Profile_Base::GenRSAKeyPair");
    return 0;
}

int CSC_Profile_Base::InternalAuthenticate(unsigned char*, unsigned long, unsigned char*, unsigned long*) {
    VnTraceScope trace("CSC_Profile_Base::InternalAuthenticate");
    return 0;
}

int CSC_Profile_Base::ExternalAuthenticate(unsigned char*, unsigned long) {
    VnTraceScope trace("CSC_Profile_Base::ExternalAuthenticate");
    return 0;
}

int CSC_Profile_Base::GetPubKey(std::string, unsigned char, unsigned char*, unsigned long*) { return SC_CMD_FAILED; }
int CSC_Profile_Base::SCEnumerateObjects(unsigned char*, unsigned long*) { return SC_CMD_FAILED; }
int CSC_Profile_Base::EnumerateObjects(unsigned char* out, unsigned long* outLength) {
    return SCEnumerateObjects(out, outLength);
}
int CSC_Profile_Base::SCSelectAID(unsigned char*, unsigned int) { return 0; }
bool CSC_Profile_Base::isSupportedHashAlgo(int, int) { return true; }

int CSC_Profile_Base::InitSM() {
    m_smInitialized = true;
    return 0;
}

bool CSC_Profile_Base::isSmInitialized() { return m_smInitialized; }

int CSC_Profile_Base::SetSMKeys(unsigned char* key1, unsigned short length1, unsigned char* key2,
                                unsigned short length2) {
    vn_secret::cleanse(m_smKey1, sizeof(m_smKey1));
    vn_secret::cleanse(m_smKey2, sizeof(m_smKey2));
    m_smKey1Len = m_smKey2Len = 0;
    if (key1 == nullptr || key2 == nullptr || length1 > sizeof(m_smKey1) || length2 > sizeof(m_smKey2))
        return SC_CMD_FAILED;
    std::memcpy(m_smKey1, key1, length1);
    std::memcpy(m_smKey2, key2, length2);
    m_smKey1Len = length1;
    m_smKey2Len = length2;
    return 0;
}

void CSC_Profile_Base::SetSerialNumber(unsigned char* bytes, int length) {
    if (bytes == nullptr || length < 0)
        length = 0;
    m_serial = hex2str(bytes, static_cast<unsigned long>(length));
    std::memset(m_serialBytes, 0, sizeof(m_serialBytes));
    int n = length < 16 ? length : 16;
    if (n > 0)
        std::memcpy(m_serialBytes + 16 - n, bytes + length - n, static_cast<size_t>(n));
}

bool CSC_Profile_Base::str2hex(const char* text, unsigned char* out, unsigned short* length) {
    if (text == nullptr || out == nullptr || length == nullptr)
        return false;
    unsigned short limit = *length;
    unsigned short count = 0;
    for (size_t i = 0; text[i] != '\0' && text[i + 1] != '\0'; i += 2) {
        if (limit != 0 && count >= limit)
            break;
        int hi = vnhex::digitValue(text[i]), lo = vnhex::digitValue(text[i + 1]);
        if (hi < 0 || lo < 0) {
            *length = count;
            return false;
        }
        out[count++] = static_cast<unsigned char>(hi * 16 + lo);
        if (count == 0xFFFF)
            break;
    }
    *length = count;
    return true;
}

std::string CSC_Profile_Base::hex2str(const unsigned char* data, unsigned long length) {
    static const char kDigits[] = "0123456789abcdef";
    std::string s;
    if (data == nullptr)
        return s;
    s.reserve(length * 2);
    for (unsigned long i = 0; i < length; ++i) {
        s.push_back(kDigits[data[i] >> 4]);
        s.push_back(kDigits[data[i] & 15]);
    }
    return s;
}

std::string CSC_Profile_Base::hexdump(const unsigned char* data, unsigned long length) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string s;
    if (data == nullptr)
        return s;
    for (unsigned long i = 0; i < length; ++i) {
        if (i)
            s.push_back(' ');
        s.push_back(kDigits[data[i] >> 4]);
        s.push_back(kDigits[data[i] & 15]);
    }
    return s;
}
