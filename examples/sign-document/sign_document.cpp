// A host program that signs a document with a signature card through the library's
// public interface: it lists the readers and certificates, opens the key of the
// signature certificate with the PIN, signs the file as CAdES signed data (with an
// RFC 3161 timestamp when a service address is given) and reads facts back from the
// result.
//
//   sign_document DOCUMENT OUTPUT [TIMESTAMP-URL]
//
// The PIN is read from standard input (one line); the first reader with a card is used.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include <log4cxx/level.h>
#include <log4cxx/logger.h>
#include <openssl/crypto.h>
#include <openssl/x509.h>

#include "PKCS7SSL.h"
#include "SCUtils.h"
#include "SignMessage.h"

namespace {

int firstReaderWithCard() {
    for (int i = 0; i < CSCUtils::GetNumReaders(); ++i)
        if (CSignMessage::IsSmartCardPresent(i))
            return i;
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: sign_document DOCUMENT OUTPUT [TIMESTAMP-URL]\n";
        return 2;
    }
    std::string document = argv[1], output = argv[2];
    const std::string tsa = argc > 3 ? argv[3] : "";
    CSCUtils::SetLogLevel(0);
    // The library logs through log4cxx; this host keeps it silent (see SignMessage.h for
    // how to send it to the console or a file instead).
    log4cxx::Logger::getRootLogger()->setLevel(log4cxx::Level::getOff());

    const int reader = firstReaderWithCard();
    if (reader < 0) {
        std::cerr << "no card in any reader\n";
        return 3;
    }
    CSCUtils card;
    std::cout << "reader " << reader << ": " << card.GetReaderName(reader) << "\n";
    std::cout << "card profile type: " << CSignMessage::GetSmartCardProfileType(reader) << "\n";
    card.setReader(reader);
    const int certs = card.GetCertIDs();
    for (int i = 0; i < certs; ++i)
        std::cout << "  certificate " << i << ": " << card.certLabels[i] << "\n";
    const int index = 0;  // the signature certificate comes first
    X509* cert = card.GetX509(index);
    if (cert == nullptr) {
        std::cerr << "no signature certificate\n";
        return 4;
    }
    char subject[256];
    X509_NAME_oneline(X509_get_subject_name(cert), subject, sizeof(subject));
    std::cout << "signer: " << subject << "\n";

    std::string pin;
    std::getline(std::cin, pin);
    uint32_t* key = CSignMessage::OpenSSLKey(nullptr, nullptr, pin.c_str(), reader, index, card.GetCertID(index));
    OPENSSL_cleanse(&pin[0], pin.size());
    if (key == nullptr) {
        std::cerr << "the PIN was not accepted\n";
        CSCUtils::freeX509(cert);
        return 5;
    }

    CSignMessage::setCAdES_Level(0);
    CSignMessage::setTSUrl(tsa);
    const int32_t rc = CSignMessage::SignDetached(&document[0], &output[0], cert, key, VN_SIGN_SHA256, nullptr, 0);
    CSignMessage::CloseSSLKey(key);
    CSCUtils::freeX509(cert);
    if (rc != 0) {
        std::cerr << "signing failed: " << rc << "\n";
        return 1;
    }

    std::ifstream in(output, std::ios::binary);
    std::vector<unsigned char> p7((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const unsigned int length = static_cast<unsigned int>(p7.size());
    std::cout << "signed data: " << output << ", " << length << " bytes\n";
    const time_t signingTime = static_cast<time_t>(CPKCS7SSL::GetSigningTime(p7.data(), length));
    char when[64];
    strftime(when, sizeof(when), "%Y-%m-%d %H:%M:%S UTC", gmtime(&signingTime));
    std::cout << "signing time: " << when << "\n";
    unsigned int signatureSize = 0;
    if (CPKCS7SSL::GetSignatureBlobSize(p7.data(), &signatureSize, 0, true) == 0)
        std::cout << "signature value: " << signatureSize << " bytes\n";
    std::cout << "timestamp: " << (tsa.empty() ? "none" : "from " + tsa) << "\n";
    return 0;
}
