// CRsa: raw RSA over OpenSSL's RSA functions.
#include "Rsa.h"

#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/rsa.h>

#include <memory>
#include <vector>

#include "infra/Loggers.h"
#include "infra/OpenSslPtr.h"
#include "infra/TraceScope.h"

log4cxx::LoggerPtr CRsa::m_logger = vnLogger("VornCryptoSSL.CRsa");

namespace {

using BnPtr = vn_ossl::SecretBignumPtr;

RSA* rsaOf(void* p) { return static_cast<RSA*>(p); }

// The key member (an untyped pointer in the public header) takes over a new key; the old one is freed.
void replaceKey(void*& member, vn_ossl::RsaPtr key) {
    const vn_ossl::RsaPtr old(rsaOf(member));
    member = key.release();
}

void logOpenSSLError(const char* what) {
    char text[256];
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    LOG4CXX_ERROR(CRsa::m_logger, what << ": " << text);
    ERR_clear_error();
}

BnPtr toBn(const unsigned char* data, int length) {
    if (!data || length <= 0)
        return nullptr;
    return BnPtr(BN_bin2bn(data, length, nullptr));
}

int copyBn(const BIGNUM* bn, unsigned char* out, int* length) {
    if (!bn || !out || !length)
        return -1;
    const int needed = BN_num_bytes(bn);
    if (*length < needed) {
        *length = needed;
        return -1;
    }
    *length = BN_bn2bin(bn, out);
    return 0;
}

enum Op { PUB_ENC, PUB_DEC, PRIV_ENC, PRIV_DEC };

}  // namespace

CRsa::CRsa() = default;

CRsa::~CRsa() { const vn_ossl::RsaPtr owned(rsaOf(m_rsa)); }

int CRsa::GenerateKey(int bits, unsigned long exponent) {
    VnLoggerTraceScope trace(m_logger, "CRsa::GenerateKey");
    if (bits < 512 || bits > 16384 || exponent < 3 || (exponent & 1) == 0)
        return -1;
    vn_ossl::RsaPtr rsa(RSA_new());
    BnPtr e(BN_new());
    if (!rsa || !e || !BN_set_word(e.get(), exponent) || !RSA_generate_key_ex(rsa.get(), bits, e.get(), nullptr)) {
        logOpenSSLError("RSA key generation failed");
        return -1;
    }
    replaceKey(m_rsa, std::move(rsa));
    return 0;
}

int CRsa::SetPublicKey(const unsigned char* n, int nLength, const unsigned char* e, int eLength) {
    return SetPrivateKey(n, nLength, e, eLength, nullptr, 0);
}

int CRsa::SetPrivateKey(const unsigned char* n, int nLength, const unsigned char* e, int eLength,
                        const unsigned char* d, int dLength) {
    BnPtr bn = toBn(n, nLength), be = toBn(e, eLength), bd = toBn(d, dLength);
    if (!bn || !be || (d && !bd) || BN_is_zero(bn.get()))
        return -1;
    vn_ossl::RsaPtr rsa(RSA_new());
    if (!rsa || !RSA_set0_key(rsa.get(), bn.get(), be.get(), bd.get())) {
        logOpenSSLError("RSA key set-up failed");
        return -1;
    }
    bn.release();  // the key holds the numbers now
    be.release();
    bd.release();
    replaceKey(m_rsa, std::move(rsa));
    return 0;
}

bool CRsa::HasPrivateKey() const {
    const BIGNUM* d = nullptr;
    if (m_rsa)
        RSA_get0_key(rsaOf(m_rsa), nullptr, nullptr, &d);
    return d != nullptr;
}

int CRsa::GetModulusSize() const { return m_rsa ? RSA_size(rsaOf(m_rsa)) : 0; }

int CRsa::GetModulus(unsigned char* out, int* length) const {
    const BIGNUM* n = nullptr;
    if (m_rsa)
        RSA_get0_key(rsaOf(m_rsa), &n, nullptr, nullptr);
    return copyBn(n, out, length);
}

int CRsa::GetPublicExponent(unsigned char* out, int* length) const {
    const BIGNUM* e = nullptr;
    if (m_rsa)
        RSA_get0_key(rsaOf(m_rsa), nullptr, &e, nullptr);
    return copyBn(e, out, length);
}

int CRsa::GetPrivateExponent(unsigned char* out, int* length) const {
    const BIGNUM* d = nullptr;
    if (m_rsa)
        RSA_get0_key(rsaOf(m_rsa), nullptr, nullptr, &d);
    return copyBn(d, out, length);
}

int CRsa::rawOp(int which, const unsigned char* in, int inLength, unsigned char* out, int outLength) {
    const int size = GetModulusSize();
    if (!m_rsa || !in || !out || inLength < 0 || inLength > size || outLength < size)
        return -1;
    if ((which == PRIV_ENC || which == PRIV_DEC) && !HasPrivateKey())
        return -1;
    // Raw RSA wants exactly the modulus size: left-pad shorter input with zeros.
    std::vector<unsigned char> block(static_cast<size_t>(size), 0);
    std::copy(in, in + inLength, block.begin() + (size - inLength));
    RSA* rsa = rsaOf(m_rsa);
    int rc = -1;
    switch (which) {
    case PUB_ENC: rc = RSA_public_encrypt(size, block.data(), out, rsa, RSA_NO_PADDING); break;
    case PUB_DEC: rc = RSA_public_decrypt(size, block.data(), out, rsa, RSA_NO_PADDING); break;
    case PRIV_ENC: rc = RSA_private_encrypt(size, block.data(), out, rsa, RSA_NO_PADDING); break;
    default: rc = RSA_private_decrypt(size, block.data(), out, rsa, RSA_NO_PADDING); break;
    }
    if (rc < 0) {
        logOpenSSLError("raw RSA operation failed");
        return -1;
    }
    return rc;
}

int CRsa::PublicEncrypt(const unsigned char* in, int inLength, unsigned char* out, int outLength) {
    return rawOp(PUB_ENC, in, inLength, out, outLength);
}
int CRsa::PublicDecrypt(const unsigned char* in, int inLength, unsigned char* out, int outLength) {
    return rawOp(PUB_DEC, in, inLength, out, outLength);
}
int CRsa::PrivateEncrypt(const unsigned char* in, int inLength, unsigned char* out, int outLength) {
    return rawOp(PRIV_ENC, in, inLength, out, outLength);
}
int CRsa::PrivateDecrypt(const unsigned char* in, int inLength, unsigned char* out, int outLength) {
    return rawOp(PRIV_DEC, in, inLength, out, outLength);
}
