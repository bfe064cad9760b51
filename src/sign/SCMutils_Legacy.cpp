// Operations kept for hosts written against older versions of the facade. The card
// engine, TCOS initialisation and the secure-messaging helpers moved elsewhere long
// ago; these answer the constants the hosts expect.
#include "SCUtils.h"

#include "infra/Loggers.h"
#include "infra/TraceScope.h"

int CSCUtils::ResetCard() { return 0; }
int CSCUtils::InitSCardEngine() { return 0; }
int CSCUtils::ExitSCardEngine() { return 0; }
int CSCUtils::CheckReader(int) { return 0; }
int CSCUtils::GetCardType(int) { return 0; }
int CSCUtils::EstablishContext() { return 0; }
int CSCUtils::SendAPDU(char*, int) { return 0; }
int CSCUtils::CheckTCOSStausSigPW(int) { return 0; }
int CSCUtils::CheckTCOSStausPW(int) { return 0; }
int CSCUtils::InitTCOSCard(char*, char*) { return 0; }
int CSCUtils::InitTCOSCardSig(char*, char*) { return 0; }
int CSCUtils::DES_cbc_cksum_3des(unsigned char*, unsigned char*, long, unsigned char*, unsigned char*, unsigned char*) {
    return 0;
}
int CSCUtils::DES_retail_mac(unsigned char*, unsigned char*, long, unsigned char*, unsigned char*, unsigned char*) {
    return 0;
}
void CSCUtils::setMODULE_PATH(char*) {}
void CSCUtils::setSO_PATH(char*) {}
void CSCUtils::setSlot(int) {}
void CSCUtils::setCertID(const char*) {}
void CSCUtils::InitCerts() {}

int CSCUtils::ReleaseContext() {
    VnLoggerTraceScope trace(m_logger, "ReleaseContext()");
    return 0;
}

int CSCUtils::ConnectCard() {
    VnLoggerTraceScope trace(m_logger, "ConnectCard()");
    return 0;
}

int CSCUtils::DisconnectCard() {
    VnLoggerTraceScope trace(m_logger, "DisconnectCard()");
    return 0;
}

int CSCUtils::GetSessionKeys(unsigned char*, unsigned char*, unsigned char*) {
    VnLoggerTraceScope trace(m_logger, "GetSessionKeys()");
    return 0;
}

int CSCUtils::WriteTCOSIFDPubkey() {
    VnLoggerTraceScope trace(m_logger, "WriteTCOSIFDPubkey()");
    return 1;
}

int CSCUtils::FreeTCOSCardObject(unsigned char*) {
    VnLoggerTraceScope trace(m_logger, "FreeTCOSCardObject()");
    return 1;
}

int CSCUtils::ReadTCOSCardCert(unsigned char**, int*) {
    VnLoggerTraceScope trace(m_logger, "ReadTCOSCardCert()");
    return 1;
}

int CSCUtils::ReadTCOSCardPubkey(unsigned char**, int*) {
    VnLoggerTraceScope trace(m_logger, "ReadTCOSCardPubkey()");
    return 1;
}

int CSCUtils::Tmp() {
    VnLoggerTraceScope trace(m_logger, "Tmp()");
    return 1;
}

int CSCUtils::CheckTCOSIFDPubkey() {
    VN_TRACE_ENTER(m_logger, "CheckTCOSIFDPubkey()");
    return 1;
}
