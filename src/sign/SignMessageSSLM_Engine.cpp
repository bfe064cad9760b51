// Loading an OpenSSL engine for the host, and the small OpenSSL probes.
#include "SignMessage.h"

#include <openssl/bio.h>
#include <openssl/engine.h>
#include <openssl/err.h>
#include <openssl/objects.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <cstring>

#include "infra/OpenSslPtr.h"

ENGINE* setup_engine(BIO* err, const char* engine, int debug) {
    if (engine == nullptr)
        return nullptr;
    if (std::strcmp(engine, "auto") == 0) {
        BIO_printf(err, "enabling auto ENGINE support\n");
        ENGINE_register_all_complete();
        return nullptr;
    }
    vn_ossl::EnginePtr e(ENGINE_by_id(engine));
    if (!e) {
        // Not a known id: load it as a shared object through the dynamic engine.
        e.reset(ENGINE_by_id("dynamic"));
        if (e && (!ENGINE_ctrl_cmd_string(e.get(), "SO_PATH", engine, 0) ||
                  !ENGINE_ctrl_cmd_string(e.get(), "LOAD", nullptr, 0)))
            e.reset();
        if (!e) {
            BIO_printf(err, "invalid engine \"%s\"\n", engine);
            ERR_print_errors(err);
            return nullptr;
        }
    }
    if (debug)
        ENGINE_ctrl(e.get(), ENGINE_CTRL_SET_LOGSTREAM, 0, err, nullptr);
    ENGINE_ctrl_cmd(e.get(), "SET_USER_INTERFACE", 0, nullptr, nullptr, 1);
    if (!ENGINE_set_default(e.get(), ENGINE_METHOD_ALL)) {
        BIO_printf(err, "can't use that engine\n");
        ERR_print_errors(err);
        return nullptr;
    }
    return e.release();  // the host owns the engine it asked for
}

int test1() { return OPENSSL_init_ssl(0, nullptr); }

namespace {

// OpenSSL's long name of the certificate's signature algorithm, copied to out.
char* signatureAlgorithmName(X509* cert, char* out) {
    if (cert == nullptr || out == nullptr)
        return out;
    const char* name = OBJ_nid2ln(X509_get_signature_nid(cert));
    std::strcpy(out, name != nullptr ? name : "UNDEF");
    return out;
}

}  // namespace

char* test2(X509* cert, char* out) { return signatureAlgorithmName(cert, out); }

char* test3(X509* cert, char* out) { return signatureAlgorithmName(cert, out); }

void test4() {}

void InitSSL() {}
