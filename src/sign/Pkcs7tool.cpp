// The signing helper: construction, bare signatures and decryption with either key kind.
#include "SignMessage.h"

#include <cstring>
#include <vector>

#include "Asn1Pkcs7.h"
#include "SCM_Interface.h"
#include "sign/SignKeys.h"

using namespace vn_sign;

namespace {

const int kSha256 = 1;
const int32_t kCardFailed = 255;
const int32_t kSignFailed = -24;

}  // namespace

CPkcs7tool::CPkcs7tool()
    : pkcs7(nullptr),
      nAlgoID(kSha256),
      data(nullptr),
      dataLength(0),
      cadesLevel(0),
      keyAlgorithmOid("1.2.840.113549.1.1.1"),
      signMode(0) {}

CPkcs7tool::~CPkcs7tool() { delete pkcs7; }

int32_t CPkcs7tool::signItRaw(unsigned char* input, int inputLength, uint32_t* key, unsigned char* out,
                              uint32_t* outLength, int algo, bool isHash, bool noRSAPSS, bool isP12) {
    if (!isP12) {
        if (key == nullptr || outLength == nullptr)
            return kCardFailed;
        uint32_t length = *outLength;
        if (asCardKey(key)->SignBlob(input, inputLength, out, &length, nullptr, algo, isHash, noRSAPSS) != 0) {
            // The card layer reports the needed length when the buffer is too small.
            *outLength = length;
            return kCardFailed;
        }
        *outLength = length;
        return 0;
    }
    if (key == nullptr || outLength == nullptr || inputLength < 0 || (input == nullptr && inputLength > 0))
        return kSignFailed;
    std::vector<unsigned char> signature;
    const bool ok = isHash ? signDigestP12(asP12Key(key), algo, input, static_cast<size_t>(inputLength), signature)
                           : signDataP12(asP12Key(key), algo, input, static_cast<size_t>(inputLength), signature);
    if (!ok)
        return kSignFailed;
    const uint32_t capacity = *outLength;
    *outLength = static_cast<uint32_t>(signature.size());
    if (out == nullptr || capacity < signature.size())
        return kSignFailed;
    std::memcpy(out, signature.data(), signature.size());
    return 0;
}

int32_t CPkcs7tool::decryptBlob(unsigned char* input, int inputLength, uint32_t* key, unsigned char* out,
                                uint32_t* outLength, bool useOAEP) {
    if (key == nullptr || isP12Key(key))
        return 0xFF;
    return asCardKey(key)->DecryptBlob(input, inputLength, out, outLength, nullptr, useOAEP);
}
