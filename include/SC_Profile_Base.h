// The card command object: one connected card, its APDU record, file cache and PIN state.
// Each card operating system derives from it and supplies the commands that differ.
#ifndef VN_SC_PROFILE_BASE_H
#define VN_SC_PROFILE_BASE_H

#include <PCSC/reader.h>
#include <PCSC/winscard.h>

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "vn_export.h"

class CSC_Pcsc;
class CPIN_Interface;

// Sizes of the pin-pad structures as sent to the reader: the fixed fields and the
// four bytes CLA INS P1 P2 of abData.
enum : unsigned {
    VN_PIN_VERIFY_HEAD = 19,
    VN_PIN_MODIFY_HEAD = 24,
    VN_PIN_VERIFY_SIZE = VN_PIN_VERIFY_HEAD + 4,
    VN_PIN_MODIFY_SIZE = VN_PIN_MODIFY_HEAD + 4,
};

class VN_EXPORT CSC_Profile_Base {
public:
    enum { SC_CMD_COUNTERFAILED = 6, SC_CMD_AUTH_FAILED = 14, SC_CMD_FAILED = 255 };

    CSC_Profile_Base();
    explicit CSC_Profile_Base(long hCard);

    // ---- virtual operations, in slot order ----
    virtual ~CSC_Profile_Base();
    virtual std::string getCardSerial();
    // The serial as last read from the card, without asking it.
    const std::string& lastSerial() const { return m_serial; }
    // Whether the card carries `serial`, asked right after a call of this process left it
    // at its MF: with as few commands as the card allows, else by getCardSerial.
    bool showsSerial(const std::string& serial);
    // Whether showsSerial selects the serial file relative to the MF.
    bool serialProbeSelects() const { return m_serialProbe == kSerialProbeSelectNoFci; }
    // Whether showsSerial finds the serial file from wherever the card was left.
    bool serialProbeFromAnywhere() const { return m_serialProbe == kSerialProbeSelectPathNoFci; }
    // Bytes one READ BINARY asks for.
    unsigned short readChunk() const { return m_maxRead; }
    virtual int SelectPath(std::string path, bool force, bool reselect, bool isDF, bool isAID);
    // Selects the MF unless the last command sent to the card selected it.
    int SelectMFOnce();
    // Selects the file at path from where this object's own selections left the card: a
    // file below the current directory is selected from there, without the MF again.
    // Without such a selection (a new object, a selection of another kind since, another
    // card object on the card) it selects as SelectPath with force does. With reselect
    // false a file that is already current is not selected again.
    // With sizeFromContent a T=0 card's answer to the file's selection stays on the card
    // (no GET RESPONSE): the caller reads the file's size from its content, and
    // answerLeftOnCard() tells so.
    int SelectPathFromKnown(const std::string& path, bool reselect, bool sizeFromContent = false);
    // Whether the last answer was left on the card (61 xx).
    bool answerLeftOnCard() const { return m_sw1 == 0x61; }
    // Leaves the MF as the current directory: nothing is sent when this object's own
    // selections left it there.
    int SelectMFKnown();
    // Takes the MF as selected without a command (where a session is known to have
    // left the card); the next selection from the MF starts below it.
    void AssumeMasterFile();
    // Forgets which directory and file are selected: the next selection starts at the MF.
    void ForgetCurrentFile();
    virtual int GetFileLen() = 0;
    // The file operations take *length as the capacity of buffer when it is non-zero
    // on entry; the result never exceeds it. On return *length is the count read.
    virtual int ReadFile(unsigned char* buffer, unsigned short* length);
    virtual int ReadFilePart(unsigned char* buffer, unsigned short* length, unsigned short wanted);
    virtual int ReadFileOffset(unsigned char* buffer, unsigned short* length, unsigned short offset,
                               unsigned short wanted);
    virtual int ReadRecord(unsigned char number, unsigned char* buffer, unsigned short* length);
    virtual int ReadAllRecords(unsigned char* buffer, unsigned short* length);
    virtual int UpdateFile(unsigned char* data, unsigned short length);
    virtual int EraseFile();
    virtual int GenRSAKeyPair();
    virtual int Verify(std::string pinPath, std::string label, unsigned char pinRef, bool selectPath, bool usePinPad,
                       void* parent, unsigned long value, std::string pin, int pinGiven, int userValue);
    virtual int ChangeRef(std::string pinPath, std::string labelOld, std::string labelNew, std::string labelRepeat,
                          std::string labelPinPad, unsigned char pinRef, bool usePinPad, void* parent,
                          unsigned long value, std::string oldPin, int oldGiven, std::string newPin, int newGiven,
                          bool selectPath);
    virtual int UnblockRef(std::string pinPath, std::string labelOld, std::string labelNew, std::string labelRepeat,
                           std::string labelPinPad, unsigned char pinRef, bool usePinPad, void* parent,
                           unsigned long value, std::string puk, int pukGiven, std::string newPin, int newGiven,
                           bool selectPath);
    virtual int SignData(std::string keyPath, unsigned char keyRef, int keyBits, unsigned int algId,
                         unsigned char* hash, unsigned long hashLength, unsigned char* signature,
                         unsigned long* signatureLength, int profileType);
    virtual int PreSigning(int profileType, std::string keyPath);
    virtual int PostSigning();
    virtual int InitSM();
    virtual int SetSMKeys(unsigned char* key1, unsigned short length1, unsigned char* key2, unsigned short length2);
    virtual int RSADecrypt(std::string keyPath, unsigned char keyRef, unsigned char* in, unsigned long inLength,
                           unsigned char* out, unsigned long* outLength, int profileType, bool decipherFlag);
    virtual int InternalAuthenticate(unsigned char* in, unsigned long inLength, unsigned char* out,
                                     unsigned long* outLength);
    virtual int ExternalAuthenticate(unsigned char* in, unsigned long inLength);
    virtual int GetChallange(unsigned char* out, unsigned long length);
    virtual int GetData(unsigned char p1, unsigned char p2, unsigned char le, unsigned char* out,
                        unsigned long* outLength) = 0;
    virtual bool isSmInitialized();
    virtual int GetPubKey(std::string keyPath, unsigned char keyRef, unsigned char* out, unsigned long* outLength);
    virtual bool isSupportedHashAlgo(int a, int b);
    virtual int SCSelectMF() = 0;
    virtual int SCSelectDF(unsigned char* id, int length) = 0;
    virtual int SCSelectEF(unsigned char* id) = 0;
    virtual int SCSelectAID(unsigned char* aid, unsigned int length);
    virtual int SCSelect();
    virtual int SCEnumerateObjects(unsigned char* out, unsigned long* outLength);
    virtual int SCReadBinary(unsigned char* out, unsigned short offset, unsigned char length);
    virtual int SCReadRecord(unsigned char number, unsigned char* out);
    virtual int SCWriteBinary(unsigned char* data, unsigned short offset, unsigned char length);
    virtual int SCVerify(unsigned char ref, unsigned char* pin, unsigned char length);
    virtual int SCChangeRef(unsigned char ref, unsigned char* oldPin, unsigned char oldLength, unsigned char* newPin,
                            unsigned char newLength);
    virtual int SCUnblockPin(unsigned char ref, unsigned char* puk, unsigned char pukLength, unsigned char* newPin,
                             unsigned char newLength);
    virtual int SCUnblockPin2(unsigned char ref, unsigned char* puk, unsigned char pukLength);
    virtual int SCSignData(std::string keyPath, unsigned char keyRef, int keyBits, unsigned int algId,
                           unsigned char* hash, unsigned long hashLength, unsigned char* signature,
                           unsigned long* signatureLength, int profileType) = 0;
    virtual int SCRSADecrypt(std::string keyPath, unsigned char keyRef, unsigned char* in, unsigned long inLength,
                             unsigned char* out, unsigned long* outLength, int flag) = 0;
    virtual int startPinPadVerify();
    virtual int stopPinPadVerify();
    virtual int startPinPadModify();
    virtual int stopPinPadModify();
    virtual unsigned char getPinPadKey();
    virtual void ModifyVerifyStruct(std::string pinPath, unsigned char ref, PIN_VERIFY_STRUCTURE* s);
    virtual void ModifyModifyStruct(std::string pinPath, unsigned char ref, PIN_MODIFY_STRUCTURE* s);
    virtual void SetMinMaxPINLength();
    virtual void SetMinMaxKeyLength();
    virtual int GetUnblockMethod();
    virtual void SetUnblockMethod();
    // Each returns a new structure made by NewVerifyStructure/NewModifyStructure.
    virtual PIN_MODIFY_STRUCTURE* InitPart10_Modify() = 0;
    virtual PIN_VERIFY_STRUCTURE* InitPart10_Verify() = 0;
    // The block to sign in a new array (delete[] by the caller); 0 or 255.
    virtual int BuildSignBuffer(unsigned int algId, int keyBits, unsigned char* hash, unsigned long hashLength,
                                unsigned char** out, unsigned long* outLength, bool pad);
    virtual int returnResult();

    // ---- connection ----
    int connectCard(std::string readerName, long context);
    int disconnectCard();
    bool ConnectSCard();
    bool DisconnectSCard();
    bool UpdateSCardHandle(long hCard);
    bool UpdateSCardContext(long context);
    std::string GetReaderName();
    unsigned long GetProtocol();
    void setProtocol(unsigned long protocol);
    void SetCardProfile(int profileType);
    long getCardHandle() const { return m_hScard; }

    // ---- recognition ----
    static int CardType(std::string label);
    int DetermineCardOS(std::string atr);
    bool UpdateSCardType(int type);
    int getCardType() const { return m_cardType; }
    std::string getCardName() const { return m_cardName; }

    // ---- commands ----
    void FormatAPDU(unsigned char form, unsigned char cla, unsigned char ins, unsigned char p1, unsigned char p2,
                    unsigned short lc, unsigned short le, unsigned char* data, unsigned short dataLength);
    bool SendToCard();
    bool SendToCardChained();
    bool TransmitControl(unsigned long controlCode, void* data, unsigned long length);

    // ---- files ----
    bool ConvertPath(std::string path, unsigned char* out, unsigned int* length);
    void GetRequestedPathPart(unsigned char* path, unsigned int* length, bool reselect, bool isDF);
    void setCurrDF(const unsigned char* path, int length);
    void setCurrEF(const unsigned char* file, int length);
    int getCurrDF(unsigned char* out, int size) const;
    int getCurrEF(unsigned char* out, int size) const;
    std::string GetCurrFilePath() const;
    bool isSamePath(std::string path);
    void PushCurrentFile(std::string path);
    int PopCurrentFile();
    int EnumerateObjects(unsigned char* out, unsigned long* outLength);

    // ---- signing helpers ----
    int GetSigAlgOID(unsigned int algId, unsigned char* oid, unsigned long* length);
    static void ExpandBuffer(unsigned char** buffer, unsigned long* length);

    // ---- serial, secure messaging keys, hex text ----
    void SetSerialNumber(unsigned char* bytes, int length);
    static bool str2hex(const char* text, unsigned char* out, unsigned short* length);
    static std::string hex2str(const unsigned char* data, unsigned long length);
    static std::string hexdump(const unsigned char* data, unsigned long length);
    int WriteQuorPubKey();
    bool CheckQuorPubKey();

    // ---- PIN state ----
    bool readerPCSC_Part10();
    void setPinIndex(unsigned char ref);
    void setPart10_Index(unsigned char ref);
    unsigned char getMinPinLength() const { return m_minPinLen; }
    unsigned char getMaxPinLength() const { return m_maxPinLen; }
    bool isPinEntryCancelled() const { return m_pinCancelled; }
    int getRemainingTries() const { return m_remainingTries; }
    void SetNoRSAPSS(bool v) { m_noRsaPss = v; }
    bool IsNoRSAPSS() const { return m_noRsaPss; }
    void SetRSAOAEP(bool v) { m_rsaOaep = v; }
    bool IsRSAOAEP() const { return m_rsaOaep; }
    const CSC_Pcsc* getPcsc() const { return m_pcsc; }
    PIN_VERIFY_STRUCTURE* getVerifyStructure() const { return m_pinVerify; }
    PIN_MODIFY_STRUCTURE* getModifyStructure() const { return m_pinModify; }

    // Zeroed pin-pad structures of the sizes the reader expects; free with the Free functions.
    static PIN_VERIFY_STRUCTURE* NewVerifyStructure();
    static PIN_MODIFY_STRUCTURE* NewModifyStructure();
    static void FreeVerifyStructure(PIN_VERIFY_STRUCTURE* s);
    static void FreeModifyStructure(PIN_MODIFY_STRUCTURE* s);
    static unsigned char* bytesOf(PIN_VERIFY_STRUCTURE* s) { return reinterpret_cast<unsigned char*>(s); }
    static unsigned char* bytesOf(PIN_MODIFY_STRUCTURE* s) { return reinterpret_cast<unsigned char*>(s); }

    // Status word of the last answer as SW1 + SW2 * 65536.
    uint32_t getSW() const { return static_cast<uint32_t>(m_sw1) + static_cast<uint32_t>(m_sw2) * 65536u; }
    unsigned short getResponseLength() const { return m_respLen; }
    const unsigned char* getResponse() const { return m_response.data(); }
    // For the next command only: on T=0 an answer 61 xx stays as it is, without GET
    // RESPONSE (a selection whose control parameters nobody reads).
    void leaveAnswerOnCard() { m_leaveAnswer = true; }

protected:
    // Status word constants in the SW1 + SW2 * 65536 notation.
    static constexpr uint32_t sw(unsigned sw1, unsigned sw2) { return sw1 + sw2 * 65536u; }
    bool isSW(unsigned sw1, unsigned sw2) const { return getSW() == sw(sw1, sw2); }
    // Sends the command bytes and fills the response record (T=0 GET RESPONSE once).
    bool TransmitBytes(const std::vector<unsigned char>& command);
    // The command bytes of the current record, or false for an unusable record.
    bool LayoutCommand(std::vector<unsigned char>& command) const;
    // Pin-pad entry of a verification or change, with its dialog and key loop.
    int PinPadEntry(bool modify, const std::string& pinPath, unsigned char pinRef, const std::string& label,
                    void* parent, unsigned long value, int userValue);
    // Polls the pin pad's keys: 0 entry finished, 1 cancelled, -1 the reader failed or
    // the entry outlasted the pin pad's own timeout plus a margin.
    int RunKeyLoop(CPIN_Interface* dialog, bool useDialog, unsigned int timeoutSeconds);
    // Selects a PIN's path the way the card type wants it, then once more forced.
    int SelectPinPath(const std::string& pinPath);
    void FreePinPad();

    bool m_smInitialized;
    SCARDHANDLE m_hScard;
    SCARDCONTEXT m_hContext;
    uint32_t m_apduForm;
    unsigned char m_cla, m_ins, m_p1, m_p2;
    unsigned short m_lc;
    unsigned short m_le;
    unsigned char* m_data;
    unsigned short m_dataLen;
    std::vector<unsigned char> m_response;
    unsigned short m_respLen;
    unsigned short m_sw1, m_sw2;
    std::string m_serial;
    int m_cardType;
    std::string m_cardName;
    std::string m_readerName;
    unsigned char m_currDF[128];
    int m_currDFLen;
    unsigned char m_currEF[8];
    int m_currEFLen;
    unsigned char m_minPinLen, m_maxPinLen;
    CSC_Pcsc* m_pcsc;
    PIN_VERIFY_STRUCTURE* m_pinVerify;
    PIN_MODIFY_STRUCTURE* m_pinModify;
    int m_profileType;
    int m_profileType2;
    std::string m_keyPath;
    unsigned char m_smKey1[512];
    unsigned char m_smKey2[512];
    unsigned short m_smKey1Len, m_smKey2Len;
    unsigned char m_serialBytes[16];
    uint32_t m_maxKeyLen, m_minKeyLen;
    int m_remainingTries;
    int m_unblockMethod;
    bool m_pinCancelled;
    bool m_t1Allowed;
    unsigned short m_maxRead;
    std::list<std::string> m_fileStack;
    // True while the last command sent selected the MF.
    bool m_mfJustSelected = false;
    // True while the current directory is where this object's own selections from the MF
    // left the card: every other SELECT sent clears it.
    bool m_selectionKnown = false;
    // Set by leaveAnswerOnCard for the next command.
    bool m_leaveAnswer = false;
    // The reader connected to, and the count of commands this process had sent to its card
    // after this object's last one: another object's command in between (another call of
    // the process on the same card) leaves the selection unknown.
    std::string m_connectedReader;
    unsigned long m_readerCommands = 0;
    void NoteCommandSent();
    void ForgetSelectionOfOthers();
    // leaveAnswerOnCard when the card runs T=0; whether it did.
    bool LeaveAnswerOnT0();
    // SelectMFOnce whose answer stays on a T=0 card.
    int SelectMFLeavingAnswer();
    bool m_noRsaPss;
    bool m_rsaOaep;
    // Internal: whether this object made m_hContext, and the outcome of the last
    // reader control call (a failing key poll is told apart from "no key yet").
    bool m_ownContext;
    bool m_lastControlOk;
    // How showsSerial reads the serial file m_serialFile of the MF: as getCardSerial does,
    // selected without its control parameters (from the current directory, or by its path
    // from the MF), or by READ BINARY with its identifier (odd instruction). Only the
    // bytes the serial takes are read.
    enum SerialProbe : unsigned char {
        kSerialProbeRead,
        kSerialProbeSelectNoFci,
        kSerialProbeReadById,
        kSerialProbeSelectPathNoFci
    };
    SerialProbe m_serialProbe = kSerialProbeRead;
    unsigned char m_serialFile[2] = {0, 0};
};

#endif
