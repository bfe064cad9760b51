// Building blocks shared by the card operating-system classes: PIN blocks, FCP
// parsing, the serial-number file, status mappings and the pin-pad structures.
#ifndef VN_CARD_CARDOSCOMMON_H
#define VN_CARD_CARDOSCOMMON_H

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "SC_Profile_Base.h"

namespace vn_cardos {

using Bytes = std::vector<unsigned char>;

// Status words as CSC_Profile_Base::getSW() reports them (SW1 + SW2 * 65536).
constexpr uint32_t sw(unsigned sw1, unsigned sw2) { return sw1 + sw2 * 65536u; }

// Lays out and sends one command; lc is the data size. False when nothing could be sent.
bool send(CSC_Profile_Base& card, unsigned char form, unsigned char cla, unsigned char ins, unsigned char p1,
          unsigned char p2, const Bytes& data, unsigned short le);

// ISO 9564 format-2 block: 2N, the digits packed in nibbles, F filler. False when the
// PIN is empty, longer than 14 digits or holds anything but decimal digits.
bool format2Block(const unsigned char* pin, unsigned length, unsigned char out[8]);
// The PIN as ASCII, zero-padded to `size` bytes; false when it is longer.
bool paddedBlock(const unsigned char* pin, unsigned length, unsigned size, Bytes& out);

// File size from tag 80 (or 81 when there is no 80) of an FCP (62) or FCI (6F)
// template at the start of `r`; 0 when there is none. The value is read as a signed
// 16-bit number, as the cards report sizes of up to 32767 bytes.
int fcpFileSize(const unsigned char* r, unsigned length, bool acceptFci);

// Answers to SELECT: 9000 0, 6700 1, 6A87 2, with `notFound` 6A82 12, else 255.
int selectResult(uint32_t status, bool notFound);

// Copies the data of the last answer; false when it exceeds `capacity` (0 = unbounded).
bool copyResponse(const CSC_Profile_Base& card, unsigned char* out, unsigned long* outLength,
                  unsigned long capacity);

// Serial number from the first TLV object of a file (EF.GDO); the whole content when
// the file does not start with a complete TLV object. Empty when unreadable.
void readSerialFile(CSC_Profile_Base& card, const std::string& path);

// The status mapping of the STARCOS family: 9000 0, 6985 4, 6984 5, 6983 6,
// with6982 6982 13, else 255; 63Cx sets the remaining tries to x (else -1).
int starcosResult(uint32_t status, bool with6982, int& tries);
// The CardOS mapping: 9000 0, 6300 14, 6983 6, 6401/6402/6403 7, else 255.
int cardosResult(uint32_t status, int& tries);

// Upper-cased key path without separators.
std::string upperPath(const std::string& path);

// Hash reference of the STARCOS algorithm identifiers: 10 SHA-1, 20 RIPEMD-160,
// 30 SHA-256, 40 SHA-384, 50 SHA-512 (tests in this order on the algorithm id).
unsigned char hashRef(unsigned int algId);

// Pin-pad structures (PC/SC part 10, packed little-endian). Field offsets:
namespace pv {  // PIN_VERIFY_STRUCTURE
enum { TimerOut = 0, TimerOut2 = 1, FormatString = 2, BlockString = 3, LengthFormat = 4, MaxExtra = 5,
       Validation = 7, NumberMessage = 8, LangId = 9, MsgIndex = 11, Teo = 12, DataLength = 15, Data = 19 };
}
namespace pm {  // PIN_MODIFY_STRUCTURE
enum { TimerOut = 0, TimerOut2 = 1, FormatString = 2, BlockString = 3, LengthFormat = 4, OffsetOld = 5,
       OffsetNew = 6, MaxExtra = 7, Confirm = 9, Validation = 10, NumberMessage = 11, LangId = 12, MsgIndex1 = 14,
       MsgIndex2 = 15, MsgIndex3 = 16, Teo = 17, DataLength = 20, Data = 24 };
}
void setMaxExtra(unsigned char* at, unsigned minimum, unsigned maximum);
void setDataLength(unsigned char* at, uint32_t length);

// The STARCOS 3.5 structures, as every card operating system creates them.
PIN_VERIFY_STRUCTURE* starcosVerifyStructure(unsigned char minimum, unsigned char maximum);
PIN_MODIFY_STRUCTURE* starcosModifyStructure(unsigned char minimum, unsigned char maximum);
// The STARCOS 3.5 adjustments for a format-2 PIN of reference `ref`.
void starcosAdjustVerify(PIN_VERIFY_STRUCTURE* s, unsigned char ref, unsigned char minimum, unsigned char maximum);
void starcosAdjustModify(PIN_MODIFY_STRUCTURE* s, unsigned char ref, unsigned char minimum, unsigned char maximum,
                         const std::string& readerName);

// The STARCOS start of a pin-pad verification (structure, then Lc 08 and the
// format-2 template) and modification (structure, Lc 10, two templates).
Bytes starcosVerifyMessage(const PIN_VERIFY_STRUCTURE* s);
Bytes starcosModifyMessage(const PIN_MODIFY_STRUCTURE* s);

// Format-2 PIN commands; the status is mapped with the object's returnResult().
// New PINs outside [minNew, maxNew] digits give 255 without a command.
int f2Verify(CSC_Profile_Base& card, unsigned char ref, const unsigned char* pin, unsigned length);
int f2Change(CSC_Profile_Base& card, unsigned char ref, const unsigned char* oldPin, unsigned oldLength,
             const unsigned char* newPin, unsigned newLength, unsigned minNew, unsigned maxNew);
int f2Unblock(CSC_Profile_Base& card, unsigned char ref, const unsigned char* puk, unsigned pukLength,
              const unsigned char* newPin, unsigned newLength, unsigned minNew, unsigned maxNew);
int f2Unblock2(CSC_Profile_Base& card, unsigned char ref, const unsigned char* puk, unsigned pukLength);

// SELECT with a two-byte identifier; the answer mapped with selectResult.
int selectId(CSC_Profile_Base& card, unsigned char form, unsigned char p1, unsigned char p2, const unsigned char* id,
             unsigned short le, bool notFound);

// Sends the STARCOS pin-pad messages under the start code, else the direct code: 0 or 1.
int startStarcosVerify(CSC_Profile_Base& card);
int startStarcosModify(CSC_Profile_Base& card);
// Sends `message` under the verify (or modify) start code, else the direct code: 0 or 1.
int startPinPad(CSC_Profile_Base& card, bool modify, Bytes message);

// MANAGE SECURITY ENVIRONMENT 00 22 41 B8 with `se` (must answer 9000), then
// PERFORM SECURITY OPERATION DECIPHER 00 2A 80 86 with `prefix` and the cryptogram,
// extended (Le 0000) when `extended`, else short (Le 00). 9000 0, 6982 13, else 255.
int decipher(CSC_Profile_Base& card, const Bytes& se, unsigned char prefix, const unsigned char* in,
             unsigned long inLength, unsigned char* out, unsigned long* outLength, bool extended);
// Maps the answer of a signing command: 9000 copies the signature (0); a status in
// `authFailures` gives 13; anything else 255.
int signResult(CSC_Profile_Base& card, unsigned char* signature, unsigned long* signatureLength,
               std::initializer_list<uint32_t> authFailures);

// CardOS: the chip serial number by GET DATA 00 CA 01 81 00; its first 8 bytes
// become the serial number. 0 or 255.
int cardosChipId(CSC_Profile_Base& card);
// CardOS MF selection: 00 A4 00 04 00 (form 2); the MF is recorded as current first.
int cardosSelectMF(CSC_Profile_Base& card);
// CardOS PIN length limits by profile type; `fiveFor41` tells whether profile 41
// also allows five digits (CardOS 4.3b) or not (CardOS 4.4).
void cardosPinLimits(int profileType, bool fiveFor41, unsigned char& minimum, unsigned char& maximum);


// Records the master file as the current directory, with no file selected.
void markMasterFile(CSC_Profile_Base& card);
// SELECT of the master file by its identifier 3F00 (00 A4 00 p2); the answer mapped
// with selectResult. The master file is recorded as current first.
int selectMasterFile(CSC_Profile_Base& card, unsigned char form, unsigned char p2, unsigned short le);
// SELECT EF 00 A4 02 04 with Le 00 (form 5); the FCP is evaluated by SCSelect().
int selectFileFcp(CSC_Profile_Base& card, unsigned char* id);
// GET DATA cla CA p1 p2 with no Le (form 4); 9000 copies the answer (0), else 255.
int getDataNoLe(CSC_Profile_Base& card, unsigned char cla, unsigned char p1, unsigned char p2, unsigned char* out,
                unsigned long* outLength);
// Logs a status mapping as the base class's returnResult and gives it back.
int loggedResult(int result);
// Sends one command; its status is mapped with the object's returnResult().
int sendForResult(CSC_Profile_Base& card, unsigned char form, unsigned char ins, const Bytes& data);

// Format-2 change and unblock with the object's PIN length limits (read again first);
// a new PIN may be `shorter` digits below the minimum.
int f2ChangeLimited(CSC_Profile_Base& card, unsigned char ref, const unsigned char* oldPin, unsigned oldLength,
                    const unsigned char* newPin, unsigned newLength, unsigned shorter);
int f2UnblockLimited(CSC_Profile_Base& card, unsigned char ref, const unsigned char* puk, unsigned pukLength,
                     const unsigned char* newPin, unsigned newLength);

// Pin-pad structures where only the PIN length limits are set (bytes wMaxExtra).
void adjustLimits(PIN_VERIFY_STRUCTURE* s, unsigned char minimum, unsigned char maximum);
void adjustLimits(PIN_MODIFY_STRUCTURE* s, unsigned char minimum, unsigned char maximum);

// CardOS: the key's directory (the key path without its last identifier) is selected;
// the profile type and key path are kept in the given fields.
int cardosSelectKeyDirectory(CSC_Profile_Base& card, int& profileType, int& profileType2, std::string& keyPathField,
                             int newProfileType, const std::string& keyPath);

// SetCOS: environment data 80 01 02 (RSA, PKCS#1 v1.5 by the card) and the key file
// 81 02 <last identifier of the key path>.
Bytes setcosEnvironment(const std::string& keyPath);
// SetCOS: MANAGE SECURITY ENVIRONMENT 00 22 41 B6 with setcosEnvironment; 0 or 255.
int setcosManageSE(CSC_Profile_Base& card, const std::string& keyPath);
// SetCOS: key generation 00 46 00 00 with the modulus size in bits, exponent 65537.
int setcosGenerate(CSC_Profile_Base& card, unsigned modulusBits);
// SetCOS: modulus (GET DATA 01 01) followed by the public exponent (GET DATA 01 02).
int setcosPubKey(CSC_Profile_Base& card, const std::string& keyPath, unsigned char* out, unsigned long* outLength);
// The command that carries the block to sign: layout form, INS P1 P2 and Le.
struct SignCommand {
    unsigned char form, ins, p1, p2;
    unsigned short le;
};
// PSO COMPUTE DIGITAL SIGNATURE 00 2A 9E 9A in `form` with `le`.
constexpr SignCommand psoSignature(unsigned char form, unsigned short le) { return {form, 0x2A, 0x9E, 0x9A, le}; }
// Sends the block of the object's BuildSignBuffer (unpadded) with `command`; the answer
// mapped with signResult.
int signBlock(CSC_Profile_Base& card, const SignCommand& command, int keyBits, unsigned int algId,
              unsigned char* hash, unsigned long hashLength, unsigned char* signature, unsigned long* signatureLength,
              std::initializer_list<uint32_t> authFailures);
// SetCOS: environment, then PSO COMPUTE DIGITAL SIGNATURE over the block, sent in
// `form` with `le`.
int setcosSign(CSC_Profile_Base& card, const std::string& keyPath, int keyBits, unsigned int algId,
               unsigned char* hash, unsigned long hashLength, unsigned char* signature,
               unsigned long* signatureLength, unsigned char form, unsigned short le);

// STARCOS 3.4/3.5 decipherment: 00 22 41 B8 84 01 key (with 89 02 11 31 for OAEP), then 00 2A 80 86 81 || cryptogram
// (extended, Le 0000). 9000 0, 6982 13, else 255.
int starcosDecipher(CSC_Profile_Base& card, unsigned char keyRef, const unsigned char* in, unsigned long inLength,
                    unsigned char* out, unsigned long* outLength);
// STARCOS: PSO COMPUTE DIGITAL SIGNATURE 00 2A 9E 9A (Le 00) over `block`; a signature
// keeps the environment set (seSet true), a status in `authFailures` gives 13.
int starcosSignKeepingSE(CSC_Profile_Base& card, bool& seSet, const Bytes& block, unsigned char* signature,
                         unsigned long* signatureLength, std::initializer_list<uint32_t> authFailures);

// CardOS 5: MANAGE SECURITY ENVIRONMENT RESTORE 00 22 F3 se; 0 on 9000, else 255.
int cardosRestoreSE(CSC_Profile_Base& card, unsigned char se);
// CardOS 5: MANAGE SECURITY ENVIRONMENT 00 22 41 B8 83 01 key; 0 on 9000, else 255.
int cardosSetDecipherKey(CSC_Profile_Base& card, unsigned char keyRef);
// CardOS 5 decipherment: environment `se` restored (a refusal is ignored), the key set,
// then DECIPHER with prefix 81 in extended form.
int cardosDecipher(CSC_Profile_Base& card, unsigned char se, unsigned char keyRef, const unsigned char* in,
                   unsigned long inLength, unsigned char* out, unsigned long* outLength);
// The hash itself, in a new zeroed buffer of keyBits / 4 bytes (the card frames it).
int hashOnlyBlock(int keyBits, const unsigned char* hash, unsigned long hashLength, unsigned char** out,
                  unsigned long* outLength);

// TCOS: INTERNAL AUTHENTICATE 00 88 00 00 (Le 256), the answer copied; 0 or 255.
int tcosInternalAuthenticate(CSC_Profile_Base& card, const unsigned char* in, unsigned long inLength,
                             unsigned char* out, unsigned long* outLength);
// TCOS: EXTERNAL AUTHENTICATE 00 82 00 00 (Le 256); 0 on 9000, else 255.
int tcosExternalAuthenticate(CSC_Profile_Base& card, const unsigned char* in, unsigned long inLength);

// Pin-pad structures for an ASCII PIN: verification with the block size `blockString`
// and `dataLength` bytes of command data; modification with old and new PIN each in an
// 8-byte field (command data 21 bytes). The PIN reference goes to P2.
void asciiAdjustVerify(PIN_VERIFY_STRUCTURE* s, unsigned char ref, unsigned char blockString, uint32_t dataLength,
                       unsigned char minimum, unsigned char maximum);
void asciiAdjustModify(PIN_MODIFY_STRUCTURE* s, unsigned char ref, unsigned char minimum, unsigned char maximum);
// Sends the object's pin-pad structure, then Lc `templateLength` and that many bytes of
// `filler`, under the verify (or modify) start code: 0 or 1 (1 also without a structure).
int startPinPadTemplate(CSC_Profile_Base& card, bool modify, unsigned char templateLength, unsigned char filler);
// Decipherment in short form: MANAGE SECURITY ENVIRONMENT 00 22 41 `seP2` with `se`
// (must answer 9000), then 00 2A 80 86 00 || cryptogram without Le; the answer mapped
// with signResult. Cryptograms of 1 to 254 bytes.
int shortDecipher(CSC_Profile_Base& card, unsigned char seP2, const Bytes& se, const unsigned char* in,
                  unsigned long inLength, unsigned char* out, unsigned long* outLength);

}  // namespace vn_cardos

#endif
