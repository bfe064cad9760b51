// The first byte chooses the input kind; the rest is what a server or file would deliver:
//   0  a CRL (PEM or DER) judged for a fixed certificate (CCrlSSL::FindCertInCrl, and the
//      rule that the CRL must come from the issuer)
//   1  an OCSP response judged for a fixed request, certificate id and issuer
//   2  a proxy's answer to CONNECT
//   3  an address text for ParseURL
#include <log4cxx/logger.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "CrlSSL.h"
#include "verify/CrlInternal.h"

namespace {

X509* makeCert(const char* cn, EVP_PKEY* key, X509* issuer, EVP_PKEY* issuerKey) {
    X509* x = X509_new();
    X509_set_version(x, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(x), issuer ? 2 : 1);
    X509_gmtime_adj(X509_getm_notBefore(x), 0);
    X509_gmtime_adj(X509_getm_notAfter(x), 3600);
    X509_NAME_add_entry_by_txt(X509_get_subject_name(x), "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(cn),
                               -1, -1, 0);
    X509_set_issuer_name(x, issuer ? X509_get_subject_name(issuer) : X509_get_subject_name(x));
    X509_set_pubkey(x, key);
    X509_sign(x, issuerKey ? issuerKey : key, EVP_sha256());
    return x;
}

struct Fixture {
    EVP_PKEY* caKey = EVP_EC_gen("P-256");
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* ca = makeCert("Fuzz CA", caKey, nullptr, nullptr);
    X509* cert = makeCert("Fuzz Signer", key, ca, caKey);
    OCSP_CERTID* id = OCSP_cert_to_id(nullptr, cert, ca);
    OCSP_REQUEST* request = OCSP_REQUEST_new();
    std::vector<unsigned char> certDer;
    Fixture() {
        log4cxx::Logger::getRootLogger()->setLevel(log4cxx::Level::getOff());
        OCSP_request_add0_id(request, OCSP_CERTID_dup(id));
        OCSP_request_add1_nonce(request, nullptr, -1);
        const int n = i2d_X509(cert, nullptr);
        certDer.resize(static_cast<size_t>(n));
        unsigned char* p = certDer.data();
        i2d_X509(cert, &p);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture f;
    if (size < 1 || size > 60000)
        return 0;
    const uint8_t kind = data[0] % 4;
    ++data;
    --size;
    if (kind == 0) {
        time_t when = 0;
        CCrlSSL::FindCertInCrl(f.certDer.data(), static_cast<unsigned int>(f.certDer.size()), data,
                               static_cast<unsigned int>(size), &when);
        vn_ossl::CrlPtr crl = vn_crl::parseCrl(data, size);
        if (crl)
            vn_crl::crlIssuedBy(crl.get(), f.cert, f.ca);
    } else if (kind == 1) {
        const unsigned char* p = data;
        vn_ossl::OcspResponsePtr response(d2i_OCSP_RESPONSE(nullptr, &p, static_cast<long>(size)));
        time_t when = 0;
        if (response)
            vn_crl::judgeOcspResponse(response.get(), f.request, f.id, f.ca, &when);
    } else if (kind == 2) {
        int sv[2];
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0)
            return 0;
        if (size > 0 && write(sv[0], data, size) != static_cast<ssize_t>(size)) {
            close(sv[0]);
            close(sv[1]);
            return 0;
        }
        close(sv[0]);
        vn_crl::tunnelAccepted(sv[1]);
        close(sv[1]);
    } else {
        std::vector<char> text(data, data + size);
        text.push_back('\0');
        const int n = CCrlSSL::ParseURL(text.data());
        if (n < 0 || static_cast<size_t>(n) > size || text[static_cast<size_t>(n)] != '\0')
            __builtin_trap();
    }
    return 0;
}
