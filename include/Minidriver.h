// The records of the smart-card minidriver interface that the legacy card path speaks:
// the host's card-data block, the container map record, the container information and
// the RSA public-key blob. Types are those of this platform's PC/SC headers
// (DWORD = unsigned long, SCARDCONTEXT/SCARDHANDLE = long, wide characters of 4 bytes).
#ifndef VN_MINIDRIVER_H
#define VN_MINIDRIVER_H

#include <PCSC/winscard.h>

#include <cstddef>
#include <cstdint>

// Result codes of the directory operations (also in pcsclite's headers).
#ifndef SCARD_E_DIR_NOT_FOUND
#define SCARD_E_DIR_NOT_FOUND ((LONG)0x80100023)
#endif
#ifndef SCARD_E_FILE_NOT_FOUND
#define SCARD_E_FILE_NOT_FOUND ((LONG)0x80100024)
#endif

// ---- host memory and cache functions ----
typedef void* (*PFN_CSP_ALLOC)(size_t size);
typedef void* (*PFN_CSP_REALLOC)(void* address, size_t size);
typedef void (*PFN_CSP_FREE)(void* address);
typedef DWORD (*PFN_CSP_CACHE_ADD_FILE)(void* cacheContext, wchar_t* tag, DWORD flags, unsigned char* data,
                                        DWORD length);
typedef DWORD (*PFN_CSP_CACHE_LOOKUP_FILE)(void* cacheContext, wchar_t* tag, DWORD flags, unsigned char** data,
                                           DWORD* length);
typedef DWORD (*PFN_CSP_CACHE_DELETE_FILE)(void* cacheContext, wchar_t* tag, DWORD flags);
typedef DWORD (*PFN_CSP_PAD_DATA)(void* signingInfo, DWORD maxWidth, DWORD* paddedLength, unsigned char** padded);

// An entry point of the card module that the host calls; this library fills none of
// them and reads none of them, so they are kept as untyped slots.
typedef void* PFN_CARD_ENTRY;

// The card-data block the host hands to the card module: its memory and cache functions,
// the PC/SC context and card handle, the card's ATR and the card's name (the label the
// host's card database gives the card).
typedef struct _CARD_DATA {
    DWORD dwVersion;
    unsigned char* pbAtr;
    DWORD cbAtr;
    wchar_t* pwszCardName;
    PFN_CSP_ALLOC pfnCspAlloc;
    PFN_CSP_REALLOC pfnCspReAlloc;
    PFN_CSP_FREE pfnCspFree;
    PFN_CSP_CACHE_ADD_FILE pfnCspCacheAddFile;
    PFN_CSP_CACHE_LOOKUP_FILE pfnCspCacheLookupFile;
    PFN_CSP_CACHE_DELETE_FILE pfnCspCacheDeleteFile;
    void* pvCacheContext;
    PFN_CSP_PAD_DATA pfnCspPadData;
    SCARDCONTEXT hSCardCtx;
    SCARDHANDLE hScard;
    void* pvVendorSpecific;
    // Card module entry points, in the order of the interface (version 4).
    PFN_CARD_ENTRY pfnCardDeleteContext;
    PFN_CARD_ENTRY pfnCardQueryCapabilities;
    PFN_CARD_ENTRY pfnCardDeleteContainer;
    PFN_CARD_ENTRY pfnCardCreateContainer;
    PFN_CARD_ENTRY pfnCardGetContainerInfo;
    PFN_CARD_ENTRY pfnCardAuthenticatePin;
    PFN_CARD_ENTRY pfnCardGetChallenge;
    PFN_CARD_ENTRY pfnCardAuthenticateChallenge;
    PFN_CARD_ENTRY pfnCardUnblockPin;
    PFN_CARD_ENTRY pfnCardChangeAuthenticator;
    PFN_CARD_ENTRY pfnCardDeauthenticate;
    PFN_CARD_ENTRY pfnCardCreateDirectory;
    PFN_CARD_ENTRY pfnCardDeleteDirectory;
    void* pvUnused3;
    void* pvUnused4;
    PFN_CARD_ENTRY pfnCardCreateFile;
    PFN_CARD_ENTRY pfnCardReadFile;
    PFN_CARD_ENTRY pfnCardWriteFile;
    PFN_CARD_ENTRY pfnCardDeleteFile;
    PFN_CARD_ENTRY pfnCardEnumFiles;
    PFN_CARD_ENTRY pfnCardGetFileInfo;
    PFN_CARD_ENTRY pfnCardQueryFreeSpace;
    PFN_CARD_ENTRY pfnCardQueryKeySizes;
    PFN_CARD_ENTRY pfnCardSignData;
    PFN_CARD_ENTRY pfnCardRSADecrypt;
    PFN_CARD_ENTRY pfnCardConstructDHAgreement;
} CARD_DATA, *PCARD_DATA;

// Length of a container name in wide characters, terminator included.
enum : unsigned { VN_CONTAINER_NAME_CHARS = 40 };

// Container flags.
enum : uint8_t { CONTAINER_MAP_VALID_CONTAINER = 1, CONTAINER_MAP_DEFAULT_CONTAINER = 2 };

// One record of the container map file ("cmapfile"): 168 bytes on this platform.
typedef struct _CONTAINERMAPRECORD {
    wchar_t GuidInfo[VN_CONTAINER_NAME_CHARS];
    uint8_t Flags;
    uint8_t RFUPadding;
    uint16_t ui16SigKeySize;
    uint16_t ui16KeyExchangeKeySize;
} CONTAINERMAPRECORD, *PCONTAINERMAPRECORD;

static_assert(sizeof(wchar_t) == 4, "wide characters of 4 bytes");
static_assert(offsetof(CONTAINERMAPRECORD, GuidInfo) == 0, "GuidInfo at 0");
static_assert(offsetof(CONTAINERMAPRECORD, Flags) == 160, "Flags at 160");
static_assert(offsetof(CONTAINERMAPRECORD, RFUPadding) == 161, "RFUPadding at 161");
static_assert(offsetof(CONTAINERMAPRECORD, ui16SigKeySize) == 162, "ui16SigKeySize at 162");
static_assert(offsetof(CONTAINERMAPRECORD, ui16KeyExchangeKeySize) == 164, "ui16KeyExchangeKeySize at 164");
static_assert(sizeof(CONTAINERMAPRECORD) == 168, "container map record of 168 bytes");

enum : DWORD { CONTAINER_INFO_CURRENT_VERSION = 1 };

// The public keys of one container, each a public-key blob in host-allocated memory.
typedef struct _CONTAINER_INFO {
    DWORD dwVersion;
    DWORD dwReserved;
    DWORD cbSigPublicKey;
    unsigned char* pbSigPublicKey;
    DWORD cbKeyExPublicKey;
    unsigned char* pbKeyExPublicKey;
} CONTAINER_INFO, *PCONTAINER_INFO;

// ---- RSA public-key blob ----
// Header (type, version, reserved, algorithm identifier), then the RSA numbers (magic,
// modulus length in bits, public exponent), then the modulus, least significant byte
// first, of bitlen / 8 bytes. The numbers are DWORDs of this platform (8 bytes), so
// the header and the three numbers take 32 bytes and the modulus starts at offset 32.
typedef unsigned int ALG_ID;

enum : uint8_t { PUBLICKEYBLOB = 0x06, CUR_BLOB_VERSION = 0x02 };
enum : ALG_ID { CALG_RSA_KEYX = 0xA400 };
enum : DWORD { VN_RSA1_MAGIC = 0x31415352 };  // "RSA1"

typedef struct _PUBLICKEYSTRUC {
    uint8_t bType;
    uint8_t bVersion;
    uint16_t reserved;
    ALG_ID aiKeyAlg;
} PUBLICKEYSTRUC, BLOBHEADER;

typedef struct _RSAPUBKEY {
    DWORD magic;
    DWORD bitlen;
    DWORD pubexp;
} RSAPUBKEY;

typedef struct _VN_RSA_PUBLIC_BLOB {
    PUBLICKEYSTRUC header;
    RSAPUBKEY rsa;
    // the modulus follows
} VN_RSA_PUBLIC_BLOB;

static_assert(sizeof(PUBLICKEYSTRUC) == 8, "blob header of 8 bytes");
static_assert(offsetof(VN_RSA_PUBLIC_BLOB, rsa) == 8, "RSA numbers after the header");
static_assert(sizeof(VN_RSA_PUBLIC_BLOB) == 32, "header and RSA numbers of 32 bytes");

#endif
