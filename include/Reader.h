// PC/SC readers of the machine and recognition of the card in each.
#ifndef VN_READER_H
#define VN_READER_H

#include <PCSC/winscard.h>
#include <string>
#include "vn_export.h"

class CSC_Profile_Base;
class CSC_Profile;
namespace vn_card {
struct CardIdentity;
}

class VN_EXPORT CReader {
public:
    CReader();
    virtual ~CReader();

    void ConnectCtx();
    void DisconnectCtx();

    int GetReaderNum();
    int GetReaderIndex(const char* name);
    std::string GetReaderName(int index);
    long GetReaderStatus();
    SCARD_READERSTATE GetReaderState(int index);
    std::string GetReaderATR(int index);
    bool isCard(int index);
    bool hasPinPad(int index);
    int GetCardType(int index);
    CSC_Profile* ReadSCProfile(int index);
    CSC_Profile_Base* GetBaseProfile();

private:
    void FreeReaderStates();
    bool ValidIndex(int index) const;
    bool CardIdentityOf(int index, vn_card::CardIdentity& out);

    SCARDCONTEXT m_hContext;
    SCARD_READERSTATE* m_readerStates;
    char* m_readerList;
    int m_readerCount;
    CSC_Profile_Base* m_sc;
    CSC_Profile* m_profile;
    int m_stateCount;  // entries in m_readerStates
};

#endif
