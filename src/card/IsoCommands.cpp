#include "IsoCommands.h"

#include <cctype>
#include <cstring>

#include "vn_log.h"

namespace vn_cardos {

namespace {
const uint32_t kCommonIso[] = {kSwOk, kSwWrongLength, kSwLcInconsistent};
const uint32_t kNotFoundIso[] = {kSwFileNotFound};
const uint32_t kReadBinaryIso[] = {kSwIncompatibleFile, kSwNoCurrentFile, kSwEndReached};
const uint32_t kRecordIso[] = {kSwEndReached};
const uint32_t kSecurityIso[] = {kSwOk, kSwConditionsNotSatisfied, kSwReferenceUnusable, kSwAuthBlocked};
// The base class reads 6300 as an unusable reference: it gives no tries to count down.
const StatusRow kBaseOwn[] = {
    {kSwVerificationFailed, kCardReferenceUnusable, "verification failed (no tries given)"},
};
}  // namespace

const StatusMap kSelectStatus = isoStatusMap(kCommonIso);
const StatusMap kSelectStatusNotFound = isoStatusMap(kNotFoundIso, &kSelectStatus);
const StatusMap kReadBinaryStatus = isoStatusMap(kReadBinaryIso, &kSelectStatus);
const StatusMap kRecordStatus = isoStatusMap(kRecordIso, &kSelectStatus);
const StatusMap kSecurityStatus = isoStatusMap(kSecurityIso);
const StatusMap kBaseStatus = statusMap(kBaseOwn, kSecurityIso);

namespace {
const unsigned char kMasterFile[2] = {0x3F, 0x00};
}  // namespace

bool send(CSC_Profile_Base& card, const Command& command) {
    if (command.data.size() > 0xFFFF)
        return false;
    unsigned short lc = static_cast<unsigned short>(command.data.size());
    card.FormatAPDU(command.form, command.cla, command.ins, command.p1, command.p2, lc, command.le,
                    lc ? const_cast<unsigned char*>(command.data.data()) : nullptr, lc);
    return card.SendToCard();
}

namespace {

// Calls visit(tag, value, valueLength) for each data object of an FCP template (62), or of
// an FCI template (6F) when acceptFci, until visit returns true; false when the template is
// none of these or an object runs past its end (the objects before it are visited).
template <typename Visit>
bool forEachFcpObject(const unsigned char* r, unsigned length, bool acceptFci, Visit visit) {
    if (r == nullptr || length <= 5 || (r[0] != 0x62 && !(acceptFci && r[0] == 0x6F)))
        return false;
    const unsigned end = 2u + r[1] < length ? 2u + r[1] : length;
    for (unsigned i = 2; i + 1 < end;) {
        const unsigned char tag = r[i], len = r[i + 1];
        if (i + 2u + len > end)
            return false;
        if (visit(tag, r + i + 2, len))
            return true;
        i += 2u + len;
    }
    return true;
}

}  // namespace

int fcpFileSize(const unsigned char* r, unsigned length, bool acceptFci) {
    // Tag 80 (data bytes) decides; tag 81 (bytes allocated) serves an FCI that has no 80.
    bool has80 = false;
    int found80 = 0, found81 = -1;
    forEachFcpObject(r, length, acceptFci, [&](unsigned char tag, const unsigned char* value, unsigned char len) {
        if (tag != 0x80 && tag != 0x81)
            return false;
        int v = 0;
        for (unsigned j = 0; j < len && j < 4; ++j)
            v = v * 256 + value[j];
        v = static_cast<int16_t>(v & 0xFFFF);
        has80 = tag == 0x80;
        (has80 ? found80 : found81) = v;
        return has80;
    });
    if (!has80 && !(found81 >= 0 && acceptFci))
        return 0;
    const int size = has80 ? found80 : found81;
    vn_log(3, "value : %d\n", size);
    return size;
}

bool fcpRecordFile(const unsigned char* r, unsigned length, unsigned& records) {
    // File descriptor byte (ISO/IEC 7816-4): bit 8 proprietary, bits 6-4 the EF category
    // (111 a DF), bits 3-1 the structure (001 transparent, 010 to 111 records).
    const unsigned char kProprietary = 0x80, kCategory = 0x38, kDirectory = 0x38, kStructure = 0x07;
    const unsigned char kTransparent = 0x01;
    records = 0;
    bool recordFile = false;
    forEachFcpObject(r, length, true, [&](unsigned char tag, const unsigned char* value, unsigned char len) {
        if (tag != 0x82)
            return false;
        const unsigned char fdb = len >= 1 ? value[0] : 0;
        recordFile =
            len >= 1 && !(fdb & kProprietary) && (fdb & kCategory) != kDirectory && (fdb & kStructure) > kTransparent;
        // descriptor, coding byte, largest record size (2 bytes), number of records (1 or 2 bytes)
        if (recordFile && len == 5)
            records = value[4];
        else if (recordFile && len == 6)
            records = value[4] * 256u + value[5];
        return true;
    });
    return recordFile;
}

int selectResult(uint32_t status, bool notFound) {
    return notFound ? mapStatus(status, kSelectStatusNotFound) : mapStatus(status, kSelectStatus);
}

bool copyResponse(const CSC_Profile_Base& card, unsigned char* out, unsigned long* outLength, unsigned long capacity) {
    unsigned long n = card.getResponseLength();
    if (out == nullptr || outLength == nullptr || (capacity != 0 && n > capacity))
        return false;
    if (n)
        std::memcpy(out, card.getResponse(), n);
    *outLength = n;
    return true;
}

void readSerialFile(CSC_Profile_Base& card, const std::string& path, bool fromKnown) {
    const int selected =
        fromKnown ? card.SelectPathFromKnown(path, true) : card.SelectPath(path, true, true, false, false);
    if (selected != kCardOk) {
        card.SetSerialNumber(nullptr, 0);
        return;
    }
    unsigned char buffer[1024];
    unsigned short length = sizeof(buffer);
    if (card.ReadFile(buffer, &length) != kCardOk) {
        card.SetSerialNumber(nullptr, 0);
        return;
    }
    setSerialFromFile(card, buffer, length);
}

void setSerialFromFile(CSC_Profile_Base& card, unsigned char* content, size_t length) {
    if (content == nullptr || length > 0xFFFF)
        card.SetSerialNumber(nullptr, 0);
    else if (length >= 2 && 2u + content[1] <= length)
        card.SetSerialNumber(content + 2, content[1]);
    else
        card.SetSerialNumber(content, static_cast<int>(length));
}

void oddReadData(const unsigned char* answer, size_t length, size_t& at, size_t& dataLength) {
    at = 0;
    dataLength = 0;
    if (answer != nullptr && length >= 2 && answer[0] == 0x53) {
        if (answer[1] < 0x80) {
            dataLength = answer[1];
            at = 2;
        } else if (answer[1] == 0x81 && length >= 3) {
            dataLength = answer[2];
            at = 3;
        } else if (answer[1] == 0x82 && length >= 4) {
            dataLength = static_cast<size_t>(answer[2]) << 8 | answer[3];
            at = 4;
        }
    }
    if (at == 0 || at + dataLength > length) {
        at = 0;
        dataLength = length;
    }
}

std::string upperPath(const std::string& path) {
    std::string out;
    for (char c : path)
        if (c != '/')
            out.push_back(static_cast<char>(toupper(static_cast<unsigned char>(c))));
    return out;
}

int selectId(CSC_Profile_Base& card, unsigned char form, unsigned char p1, unsigned char p2, const unsigned char* id,
             unsigned short le, bool notFound) {
    if (id == nullptr || !send(card, Command::iso(form, kInsSelect, p1, p2).withData(id, 2).withLe(le)))
        return kCardFailed;
    return selectResult(card.getSW(), notFound);
}

void markMasterFile(CSC_Profile_Base& card) {
    card.setCurrDF(kMasterFile, 2);
    card.setCurrEF(nullptr, 0);
}

int selectMasterFile(CSC_Profile_Base& card, unsigned char form, unsigned char p2, unsigned short le) {
    markMasterFile(card);
    if (!send(card, Command::iso(form, kInsSelect, 0x00, p2).withData(kMasterFile, 2).withLe(le)))
        return kCardFailed;
    return selectResult(card.getSW(), false);
}

int selectFileFcp(CSC_Profile_Base& card, unsigned char* id) {
    if (id == nullptr)
        return kCardFailed;
    card.FormatAPDU(kApduCase4, 0x00, 0xA4, 0x02, 0x04, 2, 0x00, id, 2);
    return card.SCSelect();
}

int getDataNoLe(CSC_Profile_Base& card, unsigned char cla, unsigned char p1, unsigned char p2, unsigned char* out,
                unsigned long* outLength) {
    if (!send(card, Command::iso(kApduRead, kInsGetData, p1, p2).withCla(cla)) || card.getSW() != kSwOk ||
        !copyResponse(card, out, outLength, 0))
        return kCardFailed;
    return kCardOk;
}

int loggedResult(int result) {
    return static_cast<int>(vn_log_dw_return("CSC_Profile_Base::returnResult", static_cast<unsigned>(result)));
}

int sendForResult(CSC_Profile_Base& card, unsigned char form, unsigned char ins, const Bytes& data) {
    if (!send(card, Command::iso(form, ins, 0x00, 0x00).withData(data)))
        return kCardFailed;
    return card.returnResult();
}

int signResult(CSC_Profile_Base& card, unsigned char* signature, unsigned long* signatureLength,
               std::initializer_list<uint32_t> authFailures) {
    if (card.getSW() == kSwOk)
        return copyResponse(card, signature, signatureLength, signatureLength ? *signatureLength : 0) ? kCardOk
                                                                                                      : kCardFailed;
    for (uint32_t s : authFailures)
        if (card.getSW() == s)
            return kCardSecurityNotSatisfied;
    return kCardFailed;
}

int sendSignature(CSC_Profile_Base& card, const Command& command, const Bytes& block, unsigned char* signature,
                  unsigned long* signatureLength, std::initializer_list<uint32_t> authFailures) {
    if (!send(card, command.withData(block)))
        return kCardFailed;
    return signResult(card, signature, signatureLength, authFailures);
}

int signBlock(CSC_Profile_Base& card, const Command& command, int keyBits, unsigned int algId, unsigned char* hash,
              unsigned long hashLength, unsigned char* signature, unsigned long* signatureLength,
              std::initializer_list<uint32_t> authFailures) {
    SignBlock block;
    if (!buildSignBlock(card, algId, keyBits, hash, hashLength, false, block))
        return kCardFailed;
    return sendSignature(card, command, block, signature, signatureLength, authFailures);
}

int signKeepingEnvironment(CSC_Profile_Base& card, bool& seSet, const Bytes& block, unsigned char* signature,
                           unsigned long* signatureLength, std::initializer_list<uint32_t> authFailures) {
    int r = sendSignature(card, psoSignature(kApduCase4, 0x00), block, signature, signatureLength, authFailures);
    if (r == kCardOk)
        seSet = true;
    return r;
}

int decipher(CSC_Profile_Base& card, const Bytes& se, unsigned char prefix, const unsigned char* in,
             unsigned long inLength, unsigned char* out, unsigned long* outLength, bool extended) {
    if (in == nullptr || inLength == 0 || inLength > 0xFFF0 || outLength == nullptr || (!extended && inLength > 254))
        return kCardFailed;
    if (!se.empty() &&
        (!send(card, Command::iso(kApduCase3, kInsManageSe, kMseSetCompute, kTemplateCipher).withData(se)) ||
         card.getSW() != kSwOk))
        return kCardFailed;
    Bytes data(in, in + inLength);
    data.insert(data.begin(), prefix);
    if (!send(card, Command::iso(extended ? kApduCase4Extended : kApduCase4, kInsPso, kPsoPlain, kPsoPaddedCryptogram)
                        .withData(data)
                        .withLe(0x0000)))
        return kCardFailed;
    if (card.getSW() == kSwSecurityNotSatisfied)
        return kCardSecurityNotSatisfied;
    if (card.getSW() != kSwOk || !copyResponse(card, out, outLength, *outLength))
        return kCardFailed;
    return kCardOk;
}

int shortDecipher(CSC_Profile_Base& card, unsigned char seP2, const Bytes& se, const unsigned char* in,
                  unsigned long inLength, unsigned char* out, unsigned long* outLength) {
    if (in == nullptr || inLength == 0 || inLength > 254 || outLength == nullptr)
        return kCardFailed;
    if (!send(card, Command::iso(kApduCase3, kInsManageSe, kMseSetCompute, seP2).withData(se)) || card.getSW() != kSwOk)
        return kCardFailed;
    Bytes data(in, in + inLength);
    data.insert(data.begin(), static_cast<unsigned char>(0x00));
    return sendSignature(card, Command::iso(kApduCase3, kInsPso, kPsoPlain, kPsoPaddedCryptogram), data, out, outLength,
                         {});
}

int internalAuthenticate(CSC_Profile_Base& card, const unsigned char* in, unsigned long inLength, unsigned char* out,
                         unsigned long* outLength) {
    if (in == nullptr || inLength == 0 || inLength > 255 || outLength == nullptr ||
        !send(card,
              Command::iso(kApduCase4, kInsInternalAuthenticate, 0x00, 0x00).withData(in, inLength).withLe(256)) ||
        card.getSW() != kSwOk || !copyResponse(card, out, outLength, *outLength))
        return kCardFailed;
    return kCardOk;
}

int externalAuthenticate(CSC_Profile_Base& card, const unsigned char* in, unsigned long inLength) {
    if (in == nullptr || inLength == 0 || inLength > 255 ||
        !send(card, Command::iso(kApduCase4, kInsExternalAuthenticate, 0x00, 0x00).withData(in, inLength).withLe(256)))
        return kCardFailed;
    return card.getSW() == kSwOk ? kCardOk : kCardFailed;
}

}  // namespace vn_cardos
