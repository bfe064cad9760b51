// Opening and closing signing keys, and what a key can sign with.
#include "SignMessage.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/objects.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <memory>

#include "Reader.h"
#include "SCM_Interface.h"
#include "SC_Profile.h"
#include "infra/Loggers.h"
#include "infra/OpenSslPtr.h"
#include "infra/Secrets.h"
#include "sign/P12Key.h"
#include "sign/SignKeys.h"

using namespace vn_sign;

log4cxx::LoggerPtr CSignMessage::m_logger = vnLogger("VornCryptoSSL.CSignMessage");
bool CSignMessage::m_isP12 = false;

CSignMessage::CSignMessage() = default;
CSignMessage::~CSignMessage() = default;

namespace {

const int kSha256 = 1;
const int32_t kNoKey = -37;
const int32_t kOnlySha256 = -88;
const int32_t kNoHash = -89;

uint32_t* cardKeyFailed(const char* why) {
    LOG4CXX_ERROR(CSignMessage::m_logger, "CSignMessage::OpenSSLKey: " << why);
    LOG4CXX_ERROR(CSignMessage::m_logger, "leaving CSignMessage::OpenSSLKey: NULL");
    return nullptr;
}

}  // namespace

uint32_t* CSignMessage::OpenSSLKey(const char* p12File, const char* p12Password, const char* pin, int reader,
                                   int certIndex, const char* certID) {
    VN_TRACE_ENTER(m_logger, "CSignMessage::OpenSSLKey");
    if (p12File != nullptr)
        return OpenSSLKey_P12(p12File, p12Password, pin, reader, certIndex, certID);
    m_isP12 = false;
    if (reader < 0)
        return cardKeyFailed("no reader");
    if (certID == nullptr)
        return cardKeyFailed("no certificate id");
    CReader r;
    if (r.GetCardType(reader) < 0)
        return cardKeyFailed("no card");
    CSC_Profile* profile = r.ReadSCProfile(reader);
    if (profile == nullptr) {
        LOG4CXX_DEBUG(m_logger, "leaving CSignMessage::OpenSSLKey: NULL");
        return nullptr;
    }
    std::unique_ptr<CSCM_Interface> key(
        new CSCM_Interface(profile, r.GetBaseProfile(), reader, certIndex, certID, myHinstDLL));
    vn_secret::SecretText secret(pin);
    if (!key->VerifyPIN(secret.str()))
        return cardKeyFailed("PIN not verified");
    LOG4CXX_DEBUG(m_logger, "leaving CSignMessage::OpenSSLKey: OK");
    return reinterpret_cast<uint32_t*>(key.release());
}

uint32_t* CSignMessage::OpenSSLKey_P12(const char* p12File, const char* p12Password, const char*, int, int,
                                       const char*) {
    VN_TRACE_ENTER(m_logger, "CSignMessage::OpenSSLKey_P12");
    m_isP12 = true;
    if (p12File == nullptr) {
        LOG4CXX_DEBUG(m_logger, "leaving CSignMessage::OpenSSLKey_P12: NULL");
        return nullptr;
    }
    vn_ossl::BioPtr in(BIO_new_file(p12File, "rb"));
    vn_ossl::Pkcs12Ptr p12(in ? d2i_PKCS12_bio(in.get(), nullptr) : nullptr);
    vn_secret::SecretText password(p12Password);
    // The file's certificates are not wanted here, so their safes are not decrypted.
    vn_ossl::EvpPkeyPtr ownedKey = vn_sign::readP12Key(p12.get(), password.str().c_str());
    ERR_clear_error();
    if (!ownedKey) {
        LOG4CXX_ERROR(m_logger, "CSignMessage::OpenSSLKey_P12: cannot read the PKCS#12 file");
        LOG4CXX_DEBUG(m_logger, "leaving CSignMessage::OpenSSLKey_P12: NULL");
        return nullptr;
    }
    uint32_t* key = reinterpret_cast<uint32_t*>(ownedKey.release());
    rememberP12Key(key);
    LOG4CXX_DEBUG(m_logger, "leaving CSignMessage::OpenSSLKey_P12: OK");
    return key;
}

void CSignMessage::CloseSSLKey(uint32_t* key) {
    VN_TRACE_ENTER(m_logger, "CSignMessage::CloseSSLKey");
    if (key == nullptr)
        return;
    if (forgetP12Key(key)) {
        const vn_ossl::EvpPkeyPtr owned(asP12Key(key));
    } else {
        delete asCardKey(key);
    }
    VN_TRACE_LEAVE(m_logger, "CSignMessage::CloseSSLKey");
}

int CSignMessage::getSignAlgoFromPKey(uint32_t* key) {
    VN_TRACE_ENTER(m_logger, "getSignAlgoFromPKey");
    int mode = 0;
    if (key != nullptr)
        mode = isP12Key(key) ? getSignAlgoFromPKeyP12(key) : getSignAlgoFromPKeySCM(key);
    LOG4CXX_DEBUG(m_logger, "leaving getSignAlgoFromPKey: " << mode);
    return mode;
}

int CSignMessage::getSignAlgoFromPKeyP12(uint32_t* key) {
    if (key == nullptr)
        return 0;
    switch (EVP_PKEY_base_id(asP12Key(key))) {
    case EVP_PKEY_EC: return 2;
    case EVP_PKEY_RSA_PSS: return 1;
    default: return 0;
    }
}

int CSignMessage::getSignAlgoFromPKeySCM(uint32_t* key) {
    if (key == nullptr)
        return 0;
    CSC_Profile* profile = asCardKey(key)->GetProfile();
    return profile == nullptr ? 0 : profile->getSignAlgorithm();
}

int32_t CSignMessage::checkSignHashAlgoPKey(uint32_t* key, int nAlgoID) {
    VN_TRACE_ENTER(m_logger, "checkSignHashAlgoPKey");
    int32_t rc = kNoKey;
    if (key != nullptr)
        rc = isP12Key(key) ? 0 : checkSignHashAlgoSCM(key, nAlgoID);
    LOG4CXX_DEBUG(m_logger, "leaving checkSignHashAlgoPKey: " << rc);
    return rc;
}

int32_t CSignMessage::checkSignHashAlgoSCM(uint32_t* key, int nAlgoID) {
    if (key == nullptr)
        return kNoKey;
    CSC_Profile* profile = asCardKey(key)->GetProfile();
    if (profile == nullptr || profile->isSupportedHashAlgo(nAlgoID))
        return 0;
    return profile->isSupportedHashAlgo(kSha256) ? kOnlySha256 : kNoHash;
}

int CSignMessage::InitSignAlgoOID(CPkcs7tool* tool, X509* cert) {
    VN_TRACE_ENTER(m_logger, "InitSignAlgoOID");
    if (tool == nullptr || cert == nullptr)
        return 0;
    ASN1_OBJECT* algorithm = nullptr;
    X509_PUBKEY* pub = X509_get_X509_PUBKEY(cert);
    if (pub == nullptr || X509_PUBKEY_get0_param(&algorithm, nullptr, nullptr, nullptr, pub) != 1 ||
        algorithm == nullptr || OBJ_obj2nid(algorithm) == NID_undef)
        return 0;
    char text[128];
    const int n = OBJ_obj2txt(text, sizeof(text), algorithm, 1);
    if (n > 0 && static_cast<size_t>(n) < sizeof(text))
        tool->keyAlgorithmOid = text;
    LOG4CXX_DEBUG(m_logger, "leaving InitSignAlgoOID: " << tool->keyAlgorithmOid);
    return 0;
}
