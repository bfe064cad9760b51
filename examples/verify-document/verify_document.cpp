// A host program that verifies a detached signature made by sign_document (or any CMS
// signed data) through the library's public interface: signature value, certificate
// chain to the given CA certificates, validity by the shell model, and, when a hashed CRL
// folder is given, revocation from it.
//
//   verify_document SIGNATURE DOCUMENT CA-FILE [CRL-FOLDER]
//
// Exit code 0 when every check passed, 1 otherwise (the result bits are printed).
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include <log4cxx/level.h>
#include <log4cxx/logger.h>

#include "CrlSSL.h"
#include "VerifyMsg.h"

namespace {

std::vector<unsigned char> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The checks asked for and the result bits that tell what failed.
struct Bit {
    unsigned int bit;
    const char* text;
};
const Bit kBits[] = {
    {VERIFY_BAD_SIGNATURE, "the signature value does not verify"},
    {VERIFY_SIGNER_NOT_VALID, "the signer's certificate is not valid at the check time"},
    {VERIFY_REVOKED, "the signer's certificate is revoked"},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: verify_document SIGNATURE DOCUMENT CA-FILE [CRL-FOLDER]\n";
        return 2;
    }
    // The library logs through log4cxx; this host keeps it silent.
    log4cxx::Logger::getRootLogger()->setLevel(log4cxx::Level::getOff());
    const std::vector<unsigned char> signature = readAll(argv[1]);
    const std::vector<unsigned char> document = readAll(argv[2]);
    if (signature.empty()) {
        std::cerr << "cannot read " << argv[1] << "\n";
        return 2;
    }
    // Every network exchange for revocation data ends within 10 seconds.
    CCrlSSL::setTimeout(10000);
    const int detached = 0;
    const char* crlFolder = argc > 4 ? argv[4] : nullptr;
    const int checks = VERIFY_FLAG_SIGNATURE | VERIFY_FLAG_CHAIN | VERIFY_FLAG_VALIDITY |
                       (crlFolder != nullptr ? VERIFY_FLAG_REVOCATION : 0);
    const unsigned int result = CVerifyMsg::CheckSignDetached(
        signature.data(), static_cast<unsigned int>(signature.size()), detached, document.data(),
        static_cast<unsigned int>(document.size()), checks, crlFolder != nullptr ? VERIFY_CRL_DIRECTORY : 0, crlFolder,
        nullptr, nullptr, 0, VERIFY_MODEL_SHELL, argv[3], nullptr);
    if (result == 0) {
        std::cout << "signature, chain and validity" << (crlFolder != nullptr ? " and revocation" : "")
                  << ": all checks passed\n";
        return 0;
    }
    std::cout << "verification failed, result 0x" << std::hex << result << std::dec << "\n";
    for (const Bit& b : kBits)
        if ((result & b.bit) == b.bit)
            std::cout << "  " << b.text << "\n";
    return 1;
}
