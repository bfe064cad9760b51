// Card-OS objects on simulated cards: a reader of the in-process PC/SC service with a
// card image in it, the transcript of the card, and OpenSSL checks of signatures.
#ifndef VN_TESTS_CARD_CARDOSSIM_H
#define VN_TESTS_CARD_CARDOSSIM_H

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <pcscsim/Simulator.h>

#include <memory>
#include <string>
#include <vector>

#include "SC_Profile_CardOS.h"

namespace cardostest {

using Bytes = std::vector<unsigned char>;

// The reader the card is put into (in-process service, or vpcd on pcscd).
extern const char* kReader;

Bytes hex(const std::string& text);
std::string hexOf(const Bytes& b);
std::string hexOf(const unsigned char* p, size_t n);

// Test access to what the card-OS objects keep protected.
template <class T>
class Probe : public T {
public:
    void setReaderName(const std::string& n) { this->m_readerName = n; }
    void setProfile(int t) {
        this->m_profileType = t;
        this->m_profileType2 = t;
    }
    void initPinPad() {
        this->FreePinPad();
        this->m_pinVerify = this->InitPart10_Verify();
        this->m_pinModify = this->InitPart10_Modify();
    }
    const unsigned char* verifyBytes() { return CSC_Profile_Base::bytesOf(this->m_pinVerify); }
    const unsigned char* modifyBytes() { return CSC_Profile_Base::bytesOf(this->m_pinModify); }
};

class CardOsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads an image of tools/cardsim/images into the reader (a pin-pad reader when asked).
    std::shared_ptr<cardsim::Card> insert(const std::string& image, bool pinPad = false,
                                          const std::string& systemName = "");
    // A connected card-OS object of class T on the reader.
    template <class T>
    std::unique_ptr<Probe<T>> open() {
        auto p = std::make_unique<Probe<T>>();
        EXPECT_EQ(p->connectCard(kReader, 0), 0);
        if (m_card)
            m_card->clearTranscript();
        return p;
    }
    // Commands and answers since the last clear, as upper-case hex.
    std::vector<std::string> commands() const;
    std::vector<std::string> answers() const;
    void clear() { m_card->clearTranscript(); }
    // Verifies, signs or deciphers with fixed test values.
    template <class T>
    static int verifyPin(T& card, unsigned char ref, const std::string& pin) {
        return card.SCVerify(ref, reinterpret_cast<unsigned char*>(const_cast<char*>(pin.data())),
                             static_cast<unsigned char>(pin.size()));
    }
    template <class T>
    static int signHash(T& card, const std::string& keyPath, unsigned char keyRef, int bits, unsigned int alg,
                        const Bytes& hash, int profile, Bytes* sig = nullptr) {
        Bytes out(static_cast<size_t>(bits) / 4 + 2);
        unsigned long len = out.size();
        int r = card.SignData(keyPath, keyRef, bits, alg, const_cast<unsigned char*>(hash.data()), hash.size(),
                              out.data(), &len, profile);
        if (sig)
            sig->assign(out.begin(), out.begin() + static_cast<long>(r == 0 ? len : 0));
        return r;
    }
    // The control calls made to the reader since the last clearCalls.
    static std::vector<pcscsim::Call> controls();

    std::shared_ptr<cardsim::Card> m_card;
};

// The public key of a certificate file of the test PKI.
EVP_PKEY* certKey(const std::string& derName);
// Verifies a PKCS#1 v1.5, PSS (salt = hash length) or ECDSA (r || s) signature over a
// hash with the certificate's key; md is "sha1", "sha256", ...
bool verifyPkcs1(const std::string& cert, const std::string& md, const Bytes& hash, const Bytes& sig);
bool verifyPss(const std::string& cert, const std::string& md, const Bytes& hash, const Bytes& sig);
bool verifyEcdsa(const std::string& cert, const Bytes& hash, const Bytes& sig);
// Encrypts to the certificate's key with PKCS#1 v1.5 padding, or with the OpenSSL
// padding given (RSA_PKCS1_OAEP_PADDING: SHA-256 and MGF1-SHA-256; RSA_NO_PADDING: a
// message of the modulus size).
Bytes encryptTo(const std::string& cert, const Bytes& message, int padding = RSA_PKCS1_PADDING);
Bytes sha256(const Bytes& data);

}  // namespace cardostest

#endif
