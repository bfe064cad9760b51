// Card file contents are untrusted: every PKCS#15 decoder and the certificate
// unwrapping get arbitrary bytes; what decodes is encoded again and decoded once more.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "CertInfoSC.h"
#include "Pkcs15.h"

namespace {
template <class T>
void roundTrip(const uint8_t* data, size_t size) {
    T first(data, static_cast<unsigned>(size));
    if (first.getError() != 0)
        return;
    std::vector<uint8_t> der = first.encode();
    if (!der.empty())
        T second(der.data(), static_cast<unsigned>(der.size()));
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 10000)
        return 0;
    // A copy of exactly the input size, so that any read beyond it is caught.
    std::vector<uint8_t> in(data, data + size);
    const uint8_t* p = in.data();
    roundTrip<CPkcs15EfDir>(p, size);
    roundTrip<CPkcs15DfOdf>(p, size);
    roundTrip<CPkcs15DfTi>(p, size);
    roundTrip<CPkcs15Cert>(p, size);
    roundTrip<CPkcs15PrKey>(p, size);
    roundTrip<CPkcs15Auth>(p, size);
    roundTrip<CPkcs15Path>(p, size);
    roundTrip<CPkcs15Pin>(p, size);
    roundTrip<CPkcs15CommAttrib>(p, size);
    roundTrip<CPkcs15CommKeyAttrib>(p, size);
    roundTrip<CPkcs15KeyAttrib>(p, size);
    std::vector<uint8_t> cert(in);
    unsigned short n = static_cast<unsigned short>(cert.size());
    CCertInfoSC::CorrectCert(cert.data(), &n);
    if (n > cert.size())
        __builtin_trap();
    if (n > 0) {
        CCertInfoSC c("fuzz", cert.data(), n);
        unsigned char subject[512];
        unsigned int len = sizeof subject;
        c.getDER(1, subject, &len);
    }
    return 0;
}
