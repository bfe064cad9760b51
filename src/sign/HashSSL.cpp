// CHashSSL: digests chosen by the OID-derived identifier, and the OID/name tables.
#include "HashSSL.h"

#include <cstdio>
#include <cstring>

#include "crypto/DigestFactory.h"
#include "infra/Loggers.h"

using vn_crypto::DigestKind;

log4cxx::LoggerPtr CHashSSL::m_logger = vnLogger("VornCryptoSSL::CHashSSL");

namespace {

struct HashAlgoRow {
    int id;
    const char* name;
    const char* signatureOid;  // the algorithm with RSA
    const char* digestOid;     // the bare digest
    DigestKind kind;
    const char* logText;
};

// Identifier, name, OIDs that map to it, digest. Id 0 has no digest.
const HashAlgoRow kHashAlgos[] = {
    {1, "SHA1", "1.2.840.113549.1.1.5", "1.3.14.3.2.26", DigestKind::SHA1, "using Algo SHA1"},
    {2, "RIPEMD160", "1.3.36.3.3.1.2", "1.3.36.3.2.1", DigestKind::RIPEMD160, "using Algo RIPEMD 160"},
    {3, "MD5", "1.2.840.113549.1.1.4", "1.2.840.113549.2.5", DigestKind::MD5, "using Algo MD5"},
    {4, "SHA256", "1.2.840.113549.1.1.11", "2.16.840.1.101.3.4.2.1", DigestKind::SHA256, "using Algo SHA256"},
    {5, "SHA384", "1.2.840.113549.1.1.12", "2.16.840.1.101.3.4.2.2", DigestKind::SHA384, "using Algo SHA384"},
    {6, "SHA512", "1.2.840.113549.1.1.13", "2.16.840.1.101.3.4.2.3", DigestKind::SHA512, "using Algo SHA512"},
};

const HashAlgoRow* rowOf(int id) {
    for (const auto& row : kHashAlgos)
        if (row.id == id)
            return &row;
    return nullptr;
}

char g_hashText[257];
unsigned char g_hashBin[128];

// Shared by calculateHash and calculateHashBin: logs, picks the digest and hashes
// into g_hashBin. Returns the digest length, or 0 when nothing was hashed.
int hashById(unsigned char* data, uint32_t length, int id) {
    LOG4CXX_DEBUG(CHashSSL::m_logger, "entering calculateHash ");
    LOG4CXX_DEBUG(CHashSSL::m_logger, " nAlgoID : " << id);
    const HashAlgoRow* row = rowOf(id);
    int result = 0;
    if (!row) {
        LOG4CXX_DEBUG(CHashSSL::m_logger, "using unknown Algo");
    } else {
        LOG4CXX_DEBUG(CHashSSL::m_logger, row->logText);
        if (data || length == 0) {
            vn_crypto::digest_buffer(row->kind, data, length, g_hashBin);
            result = vn_crypto::digest_length(row->kind);
        }
    }
    LOG4CXX_INFO(CHashSSL::m_logger, "leaving calculateHash ");
    return result;
}

}  // namespace

char* CHashSSL::calculateHash(unsigned char* data, uint32_t length, int id) {
    std::memset(g_hashText, 0, sizeof g_hashText);
    std::memset(g_hashBin, 0, sizeof g_hashBin);
    const int n = hashById(data, length, id);
    for (int i = 0; i < n; ++i)
        std::snprintf(g_hashText + 2 * i, 3, "%02X", g_hashBin[i]);
    return g_hashText;
}

unsigned char* CHashSSL::calculateHashBin(unsigned char* data, uint32_t length, int id, unsigned int* digestLength) {
    std::memset(g_hashBin, 0, sizeof g_hashBin);
    const int n = hashById(data, length, id);
    if (n > 0 && digestLength)
        *digestLength = static_cast<unsigned int>(n);
    return g_hashBin;
}

int CHashSSL::getHashAlgo(char* oid) {
    if (!oid)
        return 0;
    for (const auto& row : kHashAlgos)
        if (std::strcmp(oid, row.signatureOid) == 0 || std::strcmp(oid, row.digestOid) == 0)
            return row.id;
    return 0;
}

const char* CHashSSL::getHashAlgoName(int id) {
    if (id == 0)
        return "UKNOWN";
    const HashAlgoRow* row = rowOf(id);
    return row ? row->name : "UNKNOWN";
}

int CHashSSL::HashBlob(unsigned char* data, unsigned int length, int index, unsigned char* digest, int* digestLength) {
    return vn_crypto::hash_blob(data, length, index, digest, digestLength);
}
