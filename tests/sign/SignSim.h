// Simulated cards in in-process readers and a recording PIN dialog callback for the
// key interface and facade tests.
#ifndef VN_TESTS_SIGN_SIGNSIM_H
#define VN_TESTS_SIGN_SIGNSIM_H

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <pcscsim/Simulator.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "ConfigSC.h"
#include "PinInterface.h"
#include "Reader.h"
#include "SCM_Interface.h"
#include "SCUtils.h"
#include "SC_Profile.h"
#include "cardapp/ProfileCache.h"

// What the host callback saw, and what it answers.
struct DialogHost {
    static std::vector<FPINDialogCallBackParams> calls;
    static std::deque<std::string> pins;  // handed out at keyboard dialogs
    static bool retry;                    // answer to message dialogs
    static bool callback(FPINDialogCallBackParams* p) {
        calls.push_back(*p);
        if (p->action == PIN_DLG_SHOW && !p->pinPad) {
            if (pins.empty())
                return false;
            p->pin = pins.front();
            pins.pop_front();
            return true;
        }
        if (p->action == PIN_DLG_MESSAGE)
            return retry;
        return true;
    }
    static void install() {
        calls.clear();
        pins.clear();
        retry = false;
        CSCUtils::SetPINDialogCallbackFunc(callback);
        CSCUtils::SetUsePINDialogCallback(true);
    }
    static std::vector<FPINDialogCallBackParams> messages() {
        std::vector<FPINDialogCallBackParams> out;
        for (const auto& c : calls)
            if (c.action == PIN_DLG_MESSAGE)
                out.push_back(c);
        return out;
    }
};

class SignSim : public ::testing::Test {
protected:
    void SetUp() override {
        pcscsim::reset();
        vn_profile_cache::clear();
        m_saved = gConfigSC;
        gConfigSC.keyboardPIN = false;
        gConfigSC.isService = false;
        gConfigSC.usePINDialogCallback = false;
        gConfigSC.pinDialogCallback = nullptr;
        CSCUtils::InitLogging("/tmp/vn-test-sign.log", 5);
        CSCUtils::SetLanguage(0);
    }
    void TearDown() override {
        gConfigSC = m_saved;
        CSCUtils::SetLanguage(1);
        pcscsim::reset();
        vn_profile_cache::clear();
    }

    // A reader with a card made from the image.
    std::shared_ptr<cardsim::Card> insert(const std::string& image, const std::string& reader = "Virtual PCD 00 00",
                                          bool pinPad = false) {
        pcscsim::addReader(reader, pinPad ? pcscsim::pinPadReader() : pcscsim::plainReader());
        return pcscsim::insertImage(reader, image);
    }

    // The key interface of certificate certIndex in reader 0.
    std::unique_ptr<CSCM_Interface> openKey(int certIndex) {
        CReader r;
        CSC_Profile* p = r.ReadSCProfile(0);
        if (p == nullptr)
            return nullptr;
        return std::make_unique<CSCM_Interface>(p, r.GetBaseProfile(), 0, certIndex, std::to_string(certIndex),
                                                myHinstDLL);
    }

    // Commands with this instruction byte in the card's transcript.
    static size_t count(const cardsim::Card& card, uint8_t ins) {
        size_t n = 0;
        for (const auto& e : card.transcript())
            if (e.kind == cardsim::Exchange::Kind::Apdu && e.command.size() > 1 && e.command[1] == ins)
                ++n;
        return n;
    }
    static size_t apdus(const cardsim::Card& card) { return card.commandCount(); }

    // Public key of a certificate file of the test PKI.
    static EVP_PKEY* pkiKey(const std::string& name) {
        std::string path = std::string(VN_BINARY_DIR) + "/pki/" + name;
        FILE* f = fopen(path.c_str(), "rb");
        if (f == nullptr)
            return nullptr;
        X509* x = d2i_X509_fp(f, nullptr);
        fclose(f);
        if (x == nullptr)
            return nullptr;
        EVP_PKEY* k = X509_get_pubkey(x);
        X509_free(x);
        return k;
    }

    // PKCS#1 v1.5 verification of a bare signature over a digest.
    static bool verifies(EVP_PKEY* key, const EVP_MD* md, const std::vector<unsigned char>& digest,
                         const unsigned char* sig, size_t sigLength) {
        EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key, nullptr);
        bool ok = ctx && EVP_PKEY_verify_init(ctx) == 1 && EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING) == 1 &&
                  EVP_PKEY_CTX_set_signature_md(ctx, md) == 1 &&
                  EVP_PKEY_verify(ctx, sig, sigLength, digest.data(), digest.size()) == 1;
        EVP_PKEY_CTX_free(ctx);
        return ok;
    }

    ConfigSC m_saved;
};

#endif
