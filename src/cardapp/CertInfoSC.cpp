// Certificate holder of the card application layer.
#include "CertInfoSC.h"

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
    if (hdr + sizeof(userCertificate) <= *length && std::memcmp(data + hdr, userCertificate, sizeof(userCertificate)) == 0) {
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
    return vn_ossl::X509Ptr(der.empty() ? nullptr : d2i_X509(nullptr, &p, length));
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
