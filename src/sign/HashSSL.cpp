// CHashSSL: digests chosen by the OID-derived identifier, and the OID/name tables.
#include "HashSSL.h"

#include <cstdio>
#include <cstring>

#include "crypto/DigestFactory.h"
#include "infra/Loggers.h"

using vn_crypto::Algorithm;

log4cxx::LoggerPtr CHashSSL::m_logger = vnLogger("VornCryptoSSL::CHashSSL");

namespace {

char g_hashText[257];
unsigned char g_hashBin[128];

// Shared by calculateHash and calculateHashBin: logs, picks the digest and hashes
// into g_hashBin. Returns the digest length, or 0 when nothing was hashed.
int hashById(unsigned char* data, uint32_t length, int id) {
    LOG4CXX_DEBUG(CHashSSL::m_logger, "entering calculateHash ");
    LOG4CXX_DEBUG(CHashSSL::m_logger, " nAlgoID : " << id);
    const Algorithm* row = vn_crypto::algorithm_for_hash_id(id);
    int result = 0;
    if (!row) {
        LOG4CXX_DEBUG(CHashSSL::m_logger, "using unknown Algo");
    } else {
        LOG4CXX_DEBUG(CHashSSL::m_logger, row->hashLog);
        if (data || length == 0) {
            vn_crypto::digest_buffer(row->kind, data, length, g_hashBin);
            result = row->digestLength;
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
    const Algorithm* row = vn_crypto::algorithm_for_oid(oid, true);
    return row ? row->hashId : 0;
}

const char* CHashSSL::getHashAlgoName(int id) {
    if (id == 0)
        return "UKNOWN";
    const Algorithm* row = vn_crypto::algorithm_for_hash_id(id);
    return row ? row->hashName : "UNKNOWN";
}

int CHashSSL::HashBlob(unsigned char* data, unsigned int length, int index, unsigned char* digest, int* digestLength) {
    return vn_crypto::hash_blob(data, length, index, digest, digestLength);
}
