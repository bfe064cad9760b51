// ISO/IEC 7816-4 commands as the card operating systems send them, with the values in
// which they differ passed in: sending, selection, GET DATA, FCP sizes, the serial
// file, signature and decipherment answers, and the status mappings they share.
#ifndef VN_CARD_ISOCOMMANDS_H
#define VN_CARD_ISOCOMMANDS_H

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "CardResults.h"
#include "SC_Profile_Base.h"
#include "SignBlocks.h"
#include "infra/Secrets.h"

namespace vn_cardos {

using Bytes = std::vector<unsigned char>;

// Status mappings: SELECT (9000 6700 6A87; with "file not found" also 6A82), READ
// BINARY (also 6981 6986 6282), READ RECORD and UPDATE BINARY (also 6282), the answers
// to security commands (9000 6985 6984 6983), and the base class's returnResult (those,
// with 6300 read as an unusable reference), all as the ISO table gives them.
extern const StatusMap kSelectStatus;
extern const StatusMap kSelectStatusNotFound;
extern const StatusMap kReadBinaryStatus;
extern const StatusMap kRecordStatus;
extern const StatusMap kSecurityStatus;
extern const StatusMap kBaseStatus;

// Instruction bytes of the interindustry commands the card classes send.
enum IsoIns : unsigned char {
    kInsVerify = 0x20,
    kInsManageSe = 0x22,
    kInsChangeReference = 0x24,
    kInsPso = 0x2A,
    kInsResetRetryCounter = 0x2C,
    kInsExternalAuthenticate = 0x82,
    kInsGetChallenge = 0x84,
    kInsInternalAuthenticate = 0x88,
    kInsSelect = 0xA4,
    kInsReadBinary = 0xB0,
    kInsReadBinaryOdd = 0xB1,
    kInsGetResponse = 0xC0,
    kInsGetData = 0xCA,
};

// P1 of MANAGE SECURITY ENVIRONMENT: SET for computation, decipherment and internal
// authentication (b7), for verification, encipherment and external authentication (b8),
// for both, or plain; RESTORE of a stored environment.
enum MseP1 : unsigned char {
    kMseSet = 0x01,
    kMseSetCompute = 0x41,
    kMseSetVerify = 0x81,
    kMseSetBoth = 0xC1,
    kMseRestore = 0xF3,
};
// P2 of MANAGE SECURITY ENVIRONMENT SET: the control reference template.
enum MseTemplate : unsigned char {
    kTemplateAuth = 0xA4,
    kTemplateHash = 0xAA,
    kTemplateSign = 0xB6,
    kTemplateCipher = 0xB8,
};
// P1 (the answer's tag) and P2 (the data's tag) of PERFORM SECURITY OPERATION.
enum PsoTag : unsigned char {
    kPsoPlain = 0x80,             // plain value
    kPsoCryptogram = 0x84,        // cryptogram
    kPsoPaddedCryptogram = 0x86,  // padding indicator and cryptogram
    kPsoHash = 0x90,              // hash code
    kPsoToBeSigned = 0x9A,        // data to be signed
    kPsoSignature = 0x9E,         // digital signature
    kPsoHashInput = 0xA0,         // input template for the hash
};

// One command as FormatAPDU lays it out: the form (which of Lc and Le go out), the
// header, the data (its size is Lc) and the expected length. The data may carry a PIN
// block, so its copy is wiped when the command goes.
struct Command {
    unsigned char form = kApduCase1;
    unsigned char cla = 0x00, ins = 0x00, p1 = 0x00, p2 = 0x00;
    vn_secret::WipedBytes data;
    unsigned short le = 0;

    // CLA 00 (interindustry) INS P1 P2 in `form`, no data, Le 0.
    static Command iso(unsigned char form, unsigned char ins, unsigned char p1, unsigned char p2) {
        Command c;
        c.form = form;
        c.ins = ins;
        c.p1 = p1;
        c.p2 = p2;
        return c;
    }
    Command withCla(unsigned char value) const {
        Command c = *this;
        c.cla = value;
        return c;
    }
    Command withData(const Bytes& value) const { return withData(value.data(), value.size()); }
    Command withData(const unsigned char* value, size_t length) const {
        Command c = *this;
        if (value != nullptr && length != 0)
            c.data.assign(value, value + length);
        else
            c.data.clear();
        return c;
    }
    Command withLe(unsigned short value) const {
        Command c = *this;
        c.le = value;
        return c;
    }
};

// Lays out and sends one command. False when nothing could be sent (data over 65535
// bytes, or a transmission failure).
bool send(CSC_Profile_Base& card, const Command& command);

// File size from tag 80 (or 81 when there is no 80) of an FCP (62) or FCI (6F)
// template at the start of `r`; 0 when there is none. The value is read as a signed
// 16-bit number, as the cards report sizes of up to 32767 bytes.
int fcpFileSize(const unsigned char* r, unsigned length, bool acceptFci);

// Whether the file descriptor (tag 82) of an FCP (62) or FCI (6F) template at the start
// of `r` names a record structure; `records` is the number of records it gives, 0 when
// it gives none.
bool fcpRecordFile(const unsigned char* r, unsigned length, unsigned& records);

// Answers to SELECT: 9000 0, 6700 1, 6A87 2, with `notFound` 6A82 12, else 255.
int selectResult(uint32_t status, bool notFound);

// Copies the data of the last answer; false when it exceeds `capacity` (0 = unbounded).
bool copyResponse(const CSC_Profile_Base& card, unsigned char* out, unsigned long* outLength, unsigned long capacity);

// Serial number from the first TLV object of a file (EF.GDO); the whole content when
// the file does not start with a complete TLV object. Empty when unreadable.
// With fromKnown the file is selected from where the card object's own selections left
// the card (SelectPathFromKnown), else from the MF.
void readSerialFile(CSC_Profile_Base& card, const std::string& path, bool fromKnown = false);
// Sets the card's serial from the content of its serial file, as readSerialFile does.
void setSerialFromFile(CSC_Profile_Base& card, unsigned char* content, size_t length);

// The data of an answer to READ BINARY with the odd instruction (B1), wrapped in a 53
// object (one- or two-byte length forms); an answer without it is the data itself.
// Sets where the data starts and how long it is within the answer's `length` bytes.
void oddReadData(const unsigned char* answer, size_t length, size_t& at, size_t& dataLength);

// Upper-cased key path without separators.
std::string upperPath(const std::string& path);

// SELECT with a two-byte identifier; the answer mapped with selectResult.
int selectId(CSC_Profile_Base& card, unsigned char form, unsigned char p1, unsigned char p2, const unsigned char* id,
             unsigned short le, bool notFound);
// Records the master file as the current directory, with no file selected.
void markMasterFile(CSC_Profile_Base& card);
// SELECT of the master file by its identifier 3F00 (00 A4 00 p2); the answer mapped
// with selectResult. The master file is recorded as current first.
int selectMasterFile(CSC_Profile_Base& card, unsigned char form, unsigned char p2, unsigned short le);
// SELECT EF 00 A4 02 04 with Le 00 (case 4); the FCP is evaluated by SCSelect().
int selectFileFcp(CSC_Profile_Base& card, unsigned char* id);
// GET DATA cla CA p1 p2 with no Le (read form); 9000 copies the answer (0), else 255.
int getDataNoLe(CSC_Profile_Base& card, unsigned char cla, unsigned char p1, unsigned char p2, unsigned char* out,
                unsigned long* outLength);

// Logs a status mapping as the base class's returnResult and gives it back.
int loggedResult(int result);
// Sends one command 00 ins 00 00; its status is mapped with the object's returnResult().
int sendForResult(CSC_Profile_Base& card, unsigned char form, unsigned char ins, const Bytes& data);

// Maps the answer of a signing command: 9000 copies the signature (0); a status in
// `authFailures` gives 13; anything else 255.
int signResult(CSC_Profile_Base& card, unsigned char* signature, unsigned long* signatureLength,
               std::initializer_list<uint32_t> authFailures);

// PSO COMPUTE DIGITAL SIGNATURE 00 2A 9E 9A in `form` with `le`.
inline Command psoSignature(unsigned char form, unsigned short le) {
    return Command::iso(form, kInsPso, kPsoSignature, kPsoToBeSigned).withLe(le);
}
// Sends `block` with `command`; the answer mapped with signResult.
int sendSignature(CSC_Profile_Base& card, const Command& command, const Bytes& block, unsigned char* signature,
                  unsigned long* signatureLength, std::initializer_list<uint32_t> authFailures);
// Sends the block of the object's BuildSignBuffer (unpadded) with `command`; the answer
// mapped with signResult.
int signBlock(CSC_Profile_Base& card, const Command& command, int keyBits, unsigned int algId, unsigned char* hash,
              unsigned long hashLength, unsigned char* signature, unsigned long* signatureLength,
              std::initializer_list<uint32_t> authFailures);
// PSO COMPUTE DIGITAL SIGNATURE 00 2A 9E 9A (Le 00) over `block` for cards that keep
// their security environment: a signature leaves it set (seSet true).
int signKeepingEnvironment(CSC_Profile_Base& card, bool& seSet, const Bytes& block, unsigned char* signature,
                           unsigned long* signatureLength, std::initializer_list<uint32_t> authFailures);

// MANAGE SECURITY ENVIRONMENT 00 22 41 B8 with `se` (must answer 9000; none when
// empty), then PERFORM SECURITY OPERATION DECIPHER 00 2A 80 86 with `prefix` and the
// cryptogram, extended (Le 0000) when `extended`, else short (Le 00). 9000 0, 6982 13,
// else 255.
int decipher(CSC_Profile_Base& card, const Bytes& se, unsigned char prefix, const unsigned char* in,
             unsigned long inLength, unsigned char* out, unsigned long* outLength, bool extended);
// Decipherment in short form: MANAGE SECURITY ENVIRONMENT 00 22 41 `seP2` with `se`
// (must answer 9000), then 00 2A 80 86 00 || cryptogram without Le; the answer mapped
// with signResult. Cryptograms of 1 to 254 bytes.
int shortDecipher(CSC_Profile_Base& card, unsigned char seP2, const Bytes& se, const unsigned char* in,
                  unsigned long inLength, unsigned char* out, unsigned long* outLength);

// INTERNAL AUTHENTICATE 00 88 00 00 (Le 256), the answer copied; 0 or 255.
int internalAuthenticate(CSC_Profile_Base& card, const unsigned char* in, unsigned long inLength, unsigned char* out,
                         unsigned long* outLength);
// EXTERNAL AUTHENTICATE 00 82 00 00 (Le 256); 0 on 9000, else 255.
int externalAuthenticate(CSC_Profile_Base& card, const unsigned char* in, unsigned long inLength);

}  // namespace vn_cardos

#endif
