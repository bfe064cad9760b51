// Certificate holder of the card application layer.
#include "CertInfoSC.h"

#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <cstring>
#include <memory>

#include "ASN1.h"
#include "infra/OpenSslPtr.h"

CCertInfoSC::CCertInfoSC(std::string label, unsigned char* data, unsigned short length)
    : m_label(std::move(label)), m_length(data ? length : 0), m_isCA(false) {
    if (data != nullptr && length > 0)
        m_data.assign(data, data + length);
}

CCertInfoSC::~CCertInfoSC() = default;

bool CCertInfoSC::derHeader(const unsigned char* data, size_t avail, unsigned int* headerLength,
                            unsigned int* totalLength) {
    if (data == nullptr || avail < 2)
        return false;
    unsigned int hdr, content;
    if (data[1] < 0x80) {
        hdr = 2;
        content = data[1];
    } else {
        unsigned int n = data[1] & 0x7Fu;
        if (n == 0 || n > 3 || avail < 2u + n)
            return false;  // indefinite, or longer than any card file
        content = 0;
        for (unsigned int i = 0; i < n; ++i)
            content = content * 256u + data[2 + i];
        hdr = 2 + n;
    }
    *headerLength = hdr;
    *totalLength = hdr + content;
    return true;
}

void CCertInfoSC::CorrectCert(unsigned char* data, unsigned short* length) {
    if (data == nullptr || length == nullptr || *length < 2 || data[0] != 0x30)
        return;
    static const unsigned char userCertificate[] = {0x06, 0x03, 0x55, 0x04, 0x24};
    unsigned int hdr = 0, total = 0;
    if (!derHeader(data, *length, &hdr, &total))
        return;
    if (hdr + sizeof(userCertificate) <= *length &&
        std::memcmp(data + hdr, userCertificate, sizeof(userCertificate)) == 0) {
        const unsigned int certAt = hdr + sizeof(userCertificate);
        std::memmove(data, data + certAt, *length - certAt);
        *length = static_cast<unsigned short>(*length - certAt);
        if (*length < 2 || data[0] != 0x30 || !derHeader(data, *length, &hdr, &total))
            return;
    }
    // The object's own length; a truncated object keeps the bytes that are there.
    if (total < *length)
        *length = static_cast<unsigned short>(total);
}

namespace {
vn_ossl::X509Ptr parse(const std::vector<unsigned char>& der, unsigned short length) {
    const unsigned char* p = der.data();
    const long size = static_cast<long>(der.size() < length ? der.size() : length);
    return vn_ossl::X509Ptr(der.empty() ? nullptr : d2i_X509(nullptr, &p, size));
}
std::string nameText(X509_NAME* name) {
    if (name == nullptr)
        return std::string();
    char buf[1024];
    X509_NAME_oneline(name, buf, sizeof buf);
    return buf;
}
}  // namespace

std::string CCertInfoSC::getSubject() const {
    auto x = parse(m_data, m_length);
    return x ? nameText(X509_get_subject_name(x.get())) : std::string();
}

std::string CCertInfoSC::getIssuer() const {
    auto x = parse(m_data, m_length);
    return x ? nameText(X509_get_issuer_name(x.get())) : std::string();
}

std::string CCertInfoSC::getSerialNum() const {
    auto x = parse(m_data, m_length);
    if (!x)
        return std::string();
    const ASN1_INTEGER* serial = X509_get0_serialNumber(x.get());
    std::string s;
    static const char digits[] = "0123456789ABCDEF";
    for (int i = 0; i < serial->length; ++i) {
        s += digits[serial->data[i] >> 4];
        s += digits[serial->data[i] & 0x0F];
    }
    return s;
}

int CCertInfoSC::getDER(int item, unsigned char* out, unsigned int* length) const {
    if (length == nullptr || m_data.empty() || item < 0 || item > 14)
        return 0;
    DBs rec;
    if (!CASN1::GetCertItem(m_data.data(), m_length, 100 + item, &rec) || rec.data == nullptr)
        return 0;
    if (out == nullptr || *length < rec.length) {
        *length = rec.length;
        return out == nullptr ? 1 : 0;
    }
    std::memcpy(out, rec.data, rec.length);
    *length = rec.length;
    return 1;
}

namespace {
// One number of the certificate's RSA key (the modulus or the exponent).
int rsaNumber(const std::vector<unsigned char>& der, unsigned short length, bool modulus, unsigned char* out,
              unsigned int* outLength, unsigned int* bits) {
    if (outLength == nullptr)
        return 0;
    auto x = parse(der, length);
    if (!x)
        return 0;
    EVP_PKEY* key = X509_get0_pubkey(x.get());
    const RSA* rsa = key != nullptr ? EVP_PKEY_get0_RSA(key) : nullptr;
    if (rsa == nullptr)
        return 0;
    const BIGNUM* n = nullptr;
    const BIGNUM* e = nullptr;
    RSA_get0_key(rsa, &n, &e, nullptr);
    const BIGNUM* value = modulus ? n : e;
    if (value == nullptr)
        return 0;
    const unsigned int size = static_cast<unsigned int>(BN_num_bytes(value));
    if (bits != nullptr)
        *bits = static_cast<unsigned int>(BN_num_bits(value));
    if (out == nullptr) {
        *outLength = size;
        return 1;
    }
    if (*outLength < size) {
        *outLength = size;
        return 0;
    }
    *outLength = static_cast<unsigned int>(BN_bn2bin(value, out));
    return 1;
}
}  // namespace

int CCertInfoSC::GetPublicKeyMod(unsigned char* out, unsigned int* length, unsigned int* bits) const {
    return rsaNumber(m_data, m_length, true, out, length, bits);
}

int CCertInfoSC::GetPublicKeyExp(unsigned char* out, unsigned int* length) const {
    return rsaNumber(m_data, m_length, false, out, length, nullptr);
}

bool CCertInfoSC::IsVistaDummyCert() const { return m_label == "dummy" || m_data.empty() || m_length == 0; }
