// TCOS 2.0: selection with FCI answers, ASCII PINs, 1024-bit keys. Keys of the signature
// directories sign the DigestInfo directly; the others first get an environment and
// sign the padded block.
#include "SC_Profile_CardOS.h"
#include "card/IsoCommands.h"
#include "card/PinPadStructures.h"
#include "vn_log.h"

using namespace vn_cardos;

namespace {
// Key paths whose keys sign by PSO COMPUTE DIGITAL SIGNATURE without an environment.
const char* const kDirectKeyDirs[] = {"3F00DF01", "3F00DF06", "3F008000"};

bool signsDirectly(const std::string& keyPath) {
    if (keyPath.size() < 8)
        return true;
    for (const char* p : kDirectKeyDirs)
        if (keyPath.compare(0, 8, p) == 0)
            return true;
    return false;
}
}  // namespace

void CSC_Profile_TCOS20::SetMinMaxKeyLength() {
    m_maxKeyLen = 1024;
    m_minKeyLen = 1024;
}

int CSC_Profile_TCOS20::SCSelectMF() { return selectMasterFile(*this, kApduCase4, 0x00, 0xFF); }

int CSC_Profile_TCOS20::SCSelectDF(unsigned char* id, int) {
    return selectId(*this, kApduCase4, 0x01, 0x00, id, 0xFF, false);
}
int CSC_Profile_TCOS20::SCSelectEF(unsigned char* id) {
    return selectId(*this, kApduCase4, 0x02, 0x00, id, 0xFF, true);
}
int CSC_Profile_TCOS20::GetFileLen() { return fcpFileSize(m_response.data(), m_respLen, true); }

int CSC_Profile_TCOS20::GetData(unsigned char p1, unsigned char p2, unsigned char, unsigned char* out,
                                unsigned long* outLength) {
    return getDataNoLe(*this, 0x00, p1, p2, out, outLength);
}

void CSC_Profile_TCOS20::ReadCardSerial() { readSerialFile(*this, "3f002f02"); }

std::string CSC_Profile_TCOS20::getCardSerial() {
    ReadCardSerial();
    return m_serial;
}

int CSC_Profile_TCOS20::SCManageSE(std::string, unsigned char keyRef, unsigned int) {
    if (!send(*this, Command::iso(kApduCase3, kInsManageSe, kMseSetBoth, kTemplateCipher)
                         .withData(Bytes{0x80, 0x01, 0x10, 0x84, 0x01, keyRef})) ||
        !isSW(0x90, 0x00))
        return SC_CMD_FAILED;
    return 0;
}

int CSC_Profile_TCOS20::SCSignData(std::string keyPath, unsigned char keyRef, int keyBits, unsigned int algId,
                                   unsigned char* hash, unsigned long hashLength, unsigned char* signature,
                                   unsigned long* signatureLength, int) {
    vn_log(1, "--entering CSC_Profile_TCOS20::SCSignData\n");
    keyPath = upperPath(keyPath);
    const bool direct = signsDirectly(keyPath);
    if (!direct && SCManageSE(keyPath, keyRef, algId) != 0)
        return SC_CMD_FAILED;
    SignBlock block;
    if (!buildSignBlock(*this, algId, keyBits, hash, hashLength, !direct, block))
        return SC_CMD_FAILED;
    if (!send(*this, Command::iso(kApduCase4, kInsPso, direct ? kPsoSignature : kPsoPlain,
                                  direct ? kPsoToBeSigned : kPsoCryptogram)
                         .withData(block)
                         .withLe(0x00)))
        return SC_CMD_FAILED;
    return signResult(*this, signature, signatureLength, {});
}

int CSC_Profile_TCOS20::SCRSADecrypt(std::string, unsigned char, unsigned char* in, unsigned long inLength,
                                     unsigned char* out, unsigned long* outLength, int) {
    if (in == nullptr || inLength == 0 || inLength > 255 || outLength == nullptr ||
        !send(*this, Command::iso(kApduCase4, kInsPso, kPsoPlain, kPsoCryptogram).withData(in, inLength).withLe(0x00)))
        return SC_CMD_FAILED;
    return signResult(*this, out, outLength, {});
}

PIN_VERIFY_STRUCTURE* CSC_Profile_TCOS20::InitPart10_Verify() {
    return defaultVerifyStructure(m_minPinLen, m_maxPinLen);
}

PIN_MODIFY_STRUCTURE* CSC_Profile_TCOS20::InitPart10_Modify() {
    return defaultModifyStructure(m_minPinLen, m_maxPinLen);
}
