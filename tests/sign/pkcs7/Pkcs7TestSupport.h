// Helpers of the PKCS#7 tests: files of the test PKI, running the openssl command,
// signing the signed attributes of a model with OpenSSL, and building signed data.
#ifndef VN_TESTS_PKCS7_SUPPORT_H
#define VN_TESTS_PKCS7_SUPPORT_H

#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Asn1Pkcs7.h"
#include "support/Command.h"
#include "support/TempDir.h"

typedef std::vector<unsigned char> Bytes;

inline std::string pkiFile(const std::string& name) { return std::string(VN_BINARY_DIR) + "/pki/" + name; }
inline std::string materialFile(const std::string& name) {
    return std::string(VN_BINARY_DIR) + "/pkcs7-material/" + name;
}
// A signer's file: from the test PKI, or from the extra material for P-384 and P-521.
inline std::string signerFile(const std::string& name) {
    return name.find("ec384") != std::string::npos || name.find("ec521") != std::string::npos ? materialFile(name)
                                                                                              : pkiFile(name);
}

// Output (stdout and stderr) of a shell command run without the system's OpenSSL
// configuration, and its exit status.
inline std::string commandOutput(const std::string& cmd, int* status = nullptr) {
    const CommandResult r = runCommand("OPENSSL_CONF=/dev/null " + cmd);
    if (status)
        *status = r.status;
    return r.output;
}

struct PkeyDeleter {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
typedef std::unique_ptr<EVP_PKEY, PkeyDeleter> PkeyPtr;

inline PkeyPtr loadKey(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f)
        return nullptr;
    EVP_PKEY* k = PEM_read_PrivateKey(f, nullptr, nullptr, nullptr);
    std::fclose(f);
    return PkeyPtr(k);
}

inline const EVP_MD* mdForAlgo(int nAlgoID) {
    switch (nAlgoID) {
    case 0: return EVP_sha1();
    case 2: return EVP_sha384();
    case 3: return EVP_sha512();
    case 4: return EVP_ripemd160();
    case 5: return EVP_md5();
    default: return EVP_sha256();
    }
}

// Signs bytes as the signing side does: PKCS#1 v1.5, PSS (salt = digest length, MGF1 with
// the same digest) or ECDSA given back as raw r||s of the curve's size.
inline Bytes signBytes(EVP_PKEY* key, int mode, int nAlgoID, const Bytes& data) {
    const EVP_MD* md = mdForAlgo(nAlgoID);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    EVP_PKEY_CTX* pctx = nullptr;
    if (EVP_DigestSignInit(ctx.get(), &pctx, md, nullptr, key) != 1)
        return Bytes();
    if (mode == CAsn1_Pkcs7::SIG_RSA_PSS) {
        EVP_PKEY_CTX_set_rsa_padding(pctx, RSA_PKCS1_PSS_PADDING);
        EVP_PKEY_CTX_set_rsa_pss_saltlen(pctx, EVP_MD_size(md));
        EVP_PKEY_CTX_set_rsa_mgf1_md(pctx, md);
    }
    size_t n = 0;
    if (EVP_DigestSign(ctx.get(), nullptr, &n, data.data(), data.size()) != 1)
        return Bytes();
    Bytes sig(n);
    if (EVP_DigestSign(ctx.get(), sig.data(), &n, data.data(), data.size()) != 1)
        return Bytes();
    sig.resize(n);
    if (EVP_PKEY_base_id(key) != EVP_PKEY_EC)
        return sig;
    const size_t half = static_cast<size_t>((EVP_PKEY_bits(key) + 7) / 8);
    const unsigned char* p = sig.data();
    ECDSA_SIG* es = d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(sig.size()));
    Bytes raw(2 * half);
    BN_bn2binpad(ECDSA_SIG_get0_r(es), raw.data(), static_cast<int>(half));
    BN_bn2binpad(ECDSA_SIG_get0_s(es), raw.data() + half, static_cast<int>(half));
    ECDSA_SIG_free(es);
    return raw;
}

// The bytes that are signed: the signed attributes with the tag of a SET.
inline Bytes attributesToSign(const CAsn1_Pkcs7& p7) {
    const CAsn1_AuthAttributes* a = p7.getAuthAttributes(0);
    if (!a || !a->getDER())
        return Bytes();
    Bytes b(a->getDER(), a->getDER() + a->getDERlength());
    b[0] = 0x31;
    return b;
}

struct Built {
    Bytes der;
    unsigned int placeholderLength = 0;
};

// Builds and signs signed data with the model and a key of the test PKI.
inline Built buildSigned(const std::string& signer, int mode, int nAlgoID, const Bytes& data, bool attach,
                         int cadesLevel, const std::string& keyAlgorithmOid = "1.2.840.113549.1.1.1",
                         std::list<CAsn1_Cert*>* moreCerts = nullptr) {
    Built out;
    Bytes cert = readBytes(signerFile(signer + ".der"));
    PkeyPtr key = loadKey(signerFile(signer + ".key"));
    if (cert.empty() || !key)
        return out;
    CAsn1_Pkcs7 p7;
    p7.setContentType(2);
    p7.setSigAlgo(mode);
    Bytes content(data);
    if (!p7.setContent_SignedData(cert.data(), static_cast<unsigned int>(cert.size()), nAlgoID, content.data(),
                                  static_cast<int>(content.size()), nullptr, attach, cadesLevel, keyAlgorithmOid,
                                  moreCerts))
        return out;
    out.placeholderLength = p7.getDERlength();
    Bytes sig = signBytes(key.get(), p7.getSigAlgo(), nAlgoID, attributesToSign(p7));
    if (sig.empty() || !p7.setSignature(0, sig.data(), static_cast<unsigned int>(sig.size())))
        return out;
    out.der.assign(p7.getDER(), p7.getDER() + p7.getDERlength());
    return out;
}

// openssl cms -verify of a DER file (with the content file when detached): true on success.
inline bool cmsVerify(const std::string& derPath, const std::string& contentPath = std::string()) {
    int status = -1;
    const std::string out =
        commandOutput("openssl cms -verify -binary -inform DER -in '" + derPath + "' -CAfile '" + pkiFile("chain.pem") +
                          "'" + (contentPath.empty() ? "" : " -content '" + contentPath + "'") + " -out /dev/null",
                      &status);
    return status == 0 && out.find("Verification successful") != std::string::npos;
}

// A timestamp token over the SHA-256 of the given bytes, from openssl ts -reply. The
// authority's configuration and serial file live in the caller's directory.
inline Bytes timestampToken(const TempDir& dir, const Bytes& signature) {
    std::ofstream(dir.file("ts.cnf")) << "[tsa]\ndefault_tsa = tsa_config\n[tsa_config]\n"
                                      << "serial = " << dir.file("tsaserial") << "\n"
                                      << "crypto_device = builtin\nsigner_digest = sha256\n"
                                      << "default_policy = 1.3.6.1.4.1.99999.2.1\n"
                                      << "digests = sha1, sha256, sha384, sha512\naccuracy = secs:1\n"
                                      << "ess_cert_id_alg = sha256\n";
    std::ofstream(dir.file("tsaserial")) << "01\n";
    writeBytes(dir.file("sig.bin"), signature);
    commandOutput("openssl ts -query -data " + dir.file("sig.bin") + " -sha256 -cert -out " + dir.file("q.tsq"));
    commandOutput("openssl ts -reply -config " + dir.file("ts.cnf") + " -queryfile " + dir.file("q.tsq") + " -inkey " +
                  pkiFile("tsa.key") + " -signer " + pkiFile("tsa.pem") + " -token_out -out " + dir.file("token.der"));
    return readBytes(dir.file("token.der"));
}

#endif
