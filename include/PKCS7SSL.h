// PKCS#7/CMS inspection: each operation takes a DER blob and returns one fact about it
// (content, digest, digest algorithm, certificates, signing time, timestamp facts, the raw
// signature), appends a timestamp token to a signature of this library, and checks a
// signature value alone (no chain, no revocation).
//
// Result codes: 0 success; -1 not found or wrong structure; -22 parse failure,
// verification failure or wrong type. Output buffers with a length in/out take the
// capacity on input and give the written (or, with a null buffer, the needed) length.
// Text and hash results in process-wide buffers stay valid until the next call of the same
// operation; those operations must not run in two threads at once.
#ifndef VN_PKCS7SSL_H
#define VN_PKCS7SSL_H

#include <log4cxx/logger.h>
#include <openssl/types.h>

#include <cstdint>

#include "vn_export.h"

class VN_EXPORT CPKCS7SSL {
public:
    static constexpr int NOT_FOUND = -1;
    static constexpr int FAILED = -22;
    // GetSignatureBlob(Size): no decodable signed data or no such signer.
    static constexpr int NO_SIGNATURE = -94;

    CPKCS7SSL();
    virtual ~CPKCS7SSL();

    // ---- content and digests ----
    // The signed content; with a null out only *outLength is set. 0 or -1.
    static int GetData(unsigned char* blob, unsigned int length, unsigned char* out, unsigned int* outLength);
    // The message digest of the first signer in a new zeroed 256-byte buffer (release with
    // free); null when it cannot be taken.
    static unsigned char* GetHash(unsigned char* blob, unsigned int length, unsigned int* hashLength);
    // Dotted OID of the index-th digest algorithm; null when not signedData or unknown.
    static char* GetHashAlgo(unsigned char* blob, unsigned int length, int index, unsigned int* outLength);
    // Recognises the DigestInfo in a decrypted PKCS#1 block (type 0, 1 or 2); returns the
    // OID of the matching RSA signature algorithm, or "" for an unknown DigestInfo. *index
    // (may be null) gets the offset of the digest, *algo (may be null) the hash id of
    // CHashSSL (1 SHA-1, 2 RIPEMD-160, 3 MD5, 4 SHA-256, 5 SHA-384, 6 SHA-512; 0 unknown).
    static const char* GetHashAlgoPkcs1(unsigned char* block, unsigned int length, unsigned int* index, int* algo);
    // The digest inside a bare PKCS#1 v1.5 signature, decrypted with the certificate's RSA
    // key: a new buffer (release with free) of *hashLength bytes; *algo the CHashSSL id.
    // Null when no digest can be taken.
    static unsigned char* GetHashFromPKCS1Signature(unsigned char* signature, unsigned int length,
                                                    unsigned char* certificate, unsigned int certificateLength,
                                                    unsigned int* hashLength, int* algo);
    // Digest of a buffer by OpenSSL digest name (SHA-256 for an unknown name) into out,
    // which holds *outLength bytes (EVP_MAX_MD_SIZE is enough). 1 on success, 0 otherwise.
    static int getHashfromBlob(unsigned char* data, unsigned int length, unsigned char* out, unsigned int* outLength,
                               const char* digestName);

    // ---- certificates ----
    static int GetVersion(unsigned char* blob, unsigned int length);
    static int GetSignerCertNum(unsigned char* blob, unsigned int length);
    static int GetNCertNum(unsigned char* blob, unsigned int length);
    static int GetCipherCertNum(unsigned char* blob, unsigned int length);
    static int GetSignerCert(unsigned char* blob, unsigned int length, int index, unsigned char* out,
                             unsigned int* outLength);
    static int GetNCert(unsigned char* blob, unsigned int length, int index, unsigned char* out,
                        unsigned int* outLength);
    static int GetCipherCert(unsigned char* blob, unsigned int length, int index, unsigned char* out,
                             unsigned int* outLength);
    // The included certificate whose issuer and serial match the index-th signer's; -1 when none does.
    static int GetSignerCertEx(unsigned char* blob, unsigned int length, int index, unsigned char* out,
                               unsigned int* outLength);
    // The DER SubjectPublicKeyInfo of the index-th signer's certificate, and its key size in bits.
    static int GetSignerRSAKey(unsigned char* blob, unsigned int length, unsigned char* out, unsigned int* outLength,
                               int index);
    static int GetSignerRSAKeySize(unsigned char* blob, unsigned int length, int index);
    // Attribute certificates in the first signer's signed attribute 2.5.4.58.
    static int GetSignedAttrCertNum(unsigned char* blob, unsigned int length);
    static int GetSignedAttrCert(unsigned char* blob, unsigned int length, int index, unsigned char* out,
                                 unsigned int* outLength);
    // Check that the blob is signedData (0) and do nothing else; -22 otherwise.
    static int FindQualifiedSC(unsigned char* blob, unsigned int length);
    static int GetCertChainSize(unsigned char* blob, unsigned int length);
    static int GetCert(unsigned char* blob, unsigned int length, int index, unsigned char* out,
                       unsigned int* outLength);
    static int GetNum(unsigned char* blob, unsigned int length);
    static int GetAttrCertNum(unsigned char* blob, unsigned int length);
    static int GetAttrCert(unsigned char* blob, unsigned int length, int index, unsigned char* out,
                           unsigned int* outLength);
    static int GetCRLNum(unsigned char* blob, unsigned int length);
    static int GetCRL(unsigned char* blob, unsigned int length, int index, unsigned char* out, unsigned int* outLength);
    static int GetParam(unsigned char* blob, unsigned int length, int param);
    // An empty text for signedData, null otherwise.
    static char* GetHashFromSignature(unsigned char* blob, unsigned int length);

    // ---- times and timestamps ----
    // Seconds since 1970 (UTC) of the first signer's signingTime; 0 when there is none.
    static long GetSigningTime(unsigned char* blob, unsigned int length);
    // Seconds since 1970 (UTC) of a UTCTime or GeneralizedTime; 0 when it cannot be read.
    static long getTimeFromASN1(ASN1_TIME* time);
    // 1 for a signedData whose content type is id-ct-TSTInfo, else 0.
    static int IsTimestamp(unsigned char* blob, unsigned int length);
    // The hash of the timestamp's signer as upper-case hex text; null when there is none.
    static char* GetTimestampHash(unsigned char* blob, unsigned int length, unsigned int* textLength);
    // Not offered: -1.
    static int GetTimestampBlob(unsigned char* blob, unsigned int length, unsigned char* out, unsigned int* outLength);
    // Appends the token as the id-aa-timeStampToken unsigned attribute of the first signer
    // of a signature made by this library. *length is the blob's length on entry and its
    // new length on success; capacity is the size of the buffer blob points to. 0 on
    // success; -1, with the blob untouched, when the result would not fit, the enclosing
    // lengths are not all in the two-byte long form, the signer already has unsigned
    // attributes or the blob is not such a signature.
    static int AddTimeStamp(unsigned char* blob, unsigned int* length, unsigned char* token, unsigned int tokenLength,
                            unsigned int capacity);
    // The same without a capacity: the buffer holds the blob and tokenLength + 25 bytes
    // more, the room an insertion with two-byte long-form lengths takes. A result that
    // would need more room is refused (-1, blob untouched).
    static int AddTimeStamp(unsigned char* blob, unsigned int* length, unsigned char* token, unsigned int tokenLength);

    // ---- signature values and verification ----
    // The raw signature value of the index-th signer (asEncoded: as stored; otherwise
    // ECDSA values as r||s). The blob's length is read from its own header; a blobLength
    // other than 0 bounds it (a header that claims more fails). -94 on failure.
    static int GetSignatureBlobSize(unsigned char* blob, unsigned int* size, int index, bool asEncoded,
                                    unsigned int blobLength = 0);
    // Copies it into out, which must hold GetSignatureBlobSize bytes.
    static int GetSignatureBlob(unsigned char* blob, unsigned char* out, int index, bool asEncoded,
                                unsigned int blobLength = 0);
    // The RSA modulus length in bytes of a DER certificate (its length read from its header),
    // the modulus offset through *offset; 0 when the layout is not found.
    static int GetRSAKeySize(unsigned char* certificate, unsigned int* offset);
    // 1 envelopedData, 0 other PKCS#7 types, -22 not parseable.
    static int isEnveloped(unsigned char* blob, unsigned int length);
    // The RSA signature value alone (no chain): 0 valid, -22 otherwise.
    static int Verify(unsigned char* blob, unsigned int length);
    // A detached CMS signature over content, RSA or plain ECDSA: 0 valid, -22 otherwise.
    static int VerifyCMS(unsigned char* blob, unsigned int length, unsigned char* content, unsigned int contentLength);
    // 0 ECDSA (DER values), 1 plain ECDSA (r||s), 2 RSA, 3 RSASSA-PSS, -1 other.
    static int getPublicKeyType(const ASN1_OBJECT* algorithm);

    static log4cxx::LoggerPtr m_logger;
};

#endif
