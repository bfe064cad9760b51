// CAdES baseline levels (ETSI EN 319 122-1) by name, and extending an existing signature
// to a higher level:
//   B-B   signed attributes with signing-certificate-v2 (the numeric CAdES level 0)
//   B-T   B-B with a signature timestamp (an unsigned attribute over the signature value)
//   B-LT  B-T with the certificates of the signer's and the timestamp authority's chains in
//         SignedData.certificates and their CRLs and OCSP responses in SignedData.crls
//         (OCSP responses as "other" revocation information, RFC 5940)
//   B-LTA B-LT with an archive-time-stamp-v3 and its ats-hash-index-v3
// Extending never changes the signed part: the signed attributes and the signature value
// stay byte for byte as they were.
#ifndef VN_CADESLEVEL_H
#define VN_CADESLEVEL_H

#include <cstdint>
#include <string>
#include <vector>

#include "vn_export.h"

// Level numbers of the names; VN_CADES_LEVEL_NONE for a name that is none of them.
#define VN_CADES_LEVEL_NONE (-1)
#define VN_CADES_B_B 0
#define VN_CADES_B_T 1
#define VN_CADES_B_LT 2
#define VN_CADES_B_LTA 3

// Results of extending (and of signing at a named level) besides those of the timestamp
// (-91, -92) and of CSignMessage::addTimestamp.
#define VN_CADES_NO_TSA (-95)           // B-T and above need a timestamp service address
#define VN_CADES_NOT_SIGNED_DATA (-96)  // the input is no DER CMS SignedData with one signer
#define VN_CADES_NO_EVIDENCE (-97)      // a certificate's revocation status could not be obtained
#define VN_CADES_NO_CHAIN (-98)         // an issuer of the chain was not found
#define VN_CADES_LOWER_LEVEL (-99)      // the signature is already above the level asked for
#define VN_CADES_NOT_BUILT (-100)       // the level is not made by this build
#define VN_CADES_NO_CONTENT (-101)      // detached content needed but not readable

// The level of a name ("B-B", "B-T", "B-LT", "B-LTA"); VN_CADES_LEVEL_NONE otherwise.
VN_EXPORT int vn_cades_level_from_name(const char* name);
// The name of a level; "" for any other number.
VN_EXPORT const char* vn_cades_level_name(int level);

// What extending needs besides the signature.
struct VN_EXPORT CCadesExtendOptions {
    std::string tsaUrl;                           // timestamp service (B-T and above)
    std::string caFile;                           // PEM file of issuers for the chain walks
    std::vector<std::vector<uint8_t>> moreCerts;  // further issuer certificates (DER)
    std::string contentFile;                      // the detached content (B-LTA of a detached signature)
    int timeoutMs = 0;                            // deadline of each exchange; 0: the HTTP client's default
};

// What extending did.
struct VN_EXPORT CCadesExtendResult {
    int32_t code = 0;
    int levelBefore = VN_CADES_LEVEL_NONE;
    int levelAfter = VN_CADES_LEVEL_NONE;
    int certificatesAdded = 0;
    int crlsAdded = 0;
    int ocspResponsesAdded = 0;
    std::vector<std::string> notes;  // each evidence fetch that failed or was not possible, in words
    std::string message;             // the failure in words; empty on success
};

// Extends the DER signed data in (one signer) to level toLevel into out. A signature
// already at that level gets what the level adds once more (B-LT: evidence not yet there;
// B-LTA: a renewing archive timestamp). 0 or a code above; never throws.
VN_EXPORT int32_t vn_cades_extend(const std::vector<uint8_t>& in, int toLevel, const CCadesExtendOptions& options,
                                  std::vector<uint8_t>& out, CCadesExtendResult* result);

// The level a DER signed data has by what it carries (first signer): an archive timestamp
// B-LTA, a signature timestamp and revocation values B-LT, a signature timestamp B-T, else
// B-B; VN_CADES_LEVEL_NONE when it cannot be read.
VN_EXPORT int vn_cades_level_of(const std::vector<uint8_t>& signedData);

#endif
