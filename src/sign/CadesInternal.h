// Internal pieces of the CAdES baseline levels: the named level of new signatures, the
// SignedData taken apart into its DER items and put together again (the signed part copied
// byte for byte), and the steps that extend a signature.
#ifndef VN_SIGN_CADESINTERNAL_H
#define VN_SIGN_CADESINTERNAL_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "CadesLevel.h"

namespace vn_sign {

using Bytes = std::vector<uint8_t>;

// The named level of new signatures (VN_CADES_LEVEL_NONE: the numeric level alone).
void set_baseline_level(int level);
int baseline_level();
const std::string& cades_ca_file();

// One SignerInfo, each field as its whole DER item.
struct SignerInfoParts {
    Bytes version, sid, digestAlgorithm;
    Bytes signedAttrs;  // [0] IMPLICIT SET, empty when absent
    Bytes signatureAlgorithm, signature;
    std::vector<Bytes> unsignedAttrs;  // each Attribute of [1], in their order
};

// A ContentInfo with SignedData, each part as its whole DER item.
struct SignedDataParts {
    Bytes contentType;  // the ContentInfo's OID
    int version = 1;
    Bytes digestAlgorithms, encapContentInfo;
    std::vector<Bytes> certificates;  // each CertificateChoices
    std::vector<Bytes> crls;          // each RevocationInfoChoice
    std::vector<SignerInfoParts> signers;
};

// False unless data is one definite-length DER ContentInfo of SignedData that parses
// completely (every child inside its parent).
bool split_signed_data(const uint8_t* data, size_t length, SignedDataParts& out);
Bytes join_signed_data(const SignedDataParts& parts);
Bytes join_signer_info(const SignerInfoParts& signer);

// An attribute's OID (the DER of its first child) equals oid (DER 06 ...).
bool attribute_has_oid(const Bytes& attribute, const Bytes& oid);
// The values (each whole DER item) of an attribute.
std::vector<Bytes> attribute_values(const Bytes& attribute);
// SEQUENCE { oid, SET { value } }.
Bytes make_attribute(const Bytes& oid, const Bytes& value);
// tag, length, content.
Bytes tlv(uint8_t tag, const Bytes& content);

// The level the parts carry (first signer, or the one at index).
int level_of(const SignedDataParts& parts);
int level_of_signer(const SignedDataParts& parts, size_t index);

// B-LT evidence: certificates and revocation values of the signer's chain and of the chains
// of every timestamp authority whose tokens the signer carries, added where missing.
int32_t add_long_term_evidence(SignedDataParts& parts, const CCadesExtendOptions& options, CCadesExtendResult& result);

// B-LTA pieces. The hash input of one unsigned attribute in the index: the DER of its type
// followed by the DER of each of its values.
Bytes unsigned_attribute_hash_input(const Bytes& attribute);
// The SHA-256 hashes an ats-hash-index-v3 lists: of each certificate, each revocation value
// and each unsigned attribute of the signer.
struct HashIndexItems {
    std::vector<Bytes> certificates, crls, unsignedAttrs;
};
HashIndexItems hash_index_items(const SignedDataParts& parts, size_t signer);
// ATSHashIndexV3 (SHA-256, the default algorithm) of the signer's SignedData as it stands.
Bytes ats_hash_index(const SignedDataParts& parts, size_t signer);
// The content type (DER of the OID) and, when the content is inside, its octets.
bool content_type_and_octets(const SignedDataParts& parts, Bytes& contentType, Bytes& octets, bool& detached);
// Detached content handed over piece by piece: the feeder calls the sink with each piece
// and stops when it returns false; false when the content cannot be read.
using ContentSink = std::function<bool(const unsigned char*, size_t)>;
using ContentFeeder = std::function<bool(const ContentSink&)>;
ContentFeeder file_content(const std::string& path);
// The bytes the archive timestamp's imprint is the hash of; detached content from
// givenContent, else read from contentFile. False when something is missing.
bool archive_imprint_input(const SignedDataParts& parts, size_t signer, const Bytes& hashIndexAttribute,
                           const std::string& contentFile, const Bytes* givenContent, Bytes& out);
// The SHA-256 of those bytes, detached content from feedContent (read once).
bool archive_imprint_sha256(const SignedDataParts& parts, size_t signer, const Bytes& hashIndexAttribute,
                            const ContentFeeder& feedContent, Bytes& digest);
// An archive-time-stamp-v3 with its ats-hash-index-v3 over the first signer.
int32_t add_archive_timestamp(SignedDataParts& parts, const CCadesExtendOptions& options, CCadesExtendResult& result);

// Signed data just made (with its signature timestamp) extended to the named level B-LT or
// B-LTA (the CA file of CSignMessage::setCAdES_CaFile; the archive timestamp from tsaUrl over
// the content in contentFile); 0 or a VN_CADES_ code.
int32_t add_evidence_to(Bytes& signedData, int level, const std::string& tsaUrl, const std::string& contentFile);

}  // namespace vn_sign

#endif
