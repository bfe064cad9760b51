#include "card/setcos/SetCosFamily.h"

#include <cstring>

namespace vn_cardos {

Bytes setcosEnvironment(const std::string& keyPath) {
    const unsigned char algPkcs1 = 0x02;
    Bytes fid(2, 0x00);
    std::string p = upperPath(keyPath);
    if (p.size() >= 4) {
        unsigned short n = 2;
        CSC_Profile_Base::str2hex(p.substr(p.size() - 4).c_str(), fid.data(), &n);
    }
    return Bytes{0x80, 0x01, algPkcs1, 0x81, 0x02, fid[0], fid[1]};
}

int setcosManageSE(CSC_Profile_Base& card, const std::string& keyPath) {
    if (!send(card, Command::iso(kApduCase3, kInsManageSe, kMseSetCompute, kTemplateSign)
                        .withData(setcosEnvironment(keyPath))) ||
        card.getSW() != kSwOk)
        return kCardFailed;
    return kCardOk;
}

int setcosGenerate(CSC_Profile_Base& card, unsigned modulusBits) {
    // 80 02 <modulus bits>, 81 03 01 00 01 (public exponent 65537).
    const Bytes data = {0x80,
                        0x02,
                        static_cast<unsigned char>(modulusBits >> 8),
                        static_cast<unsigned char>(modulusBits),
                        0x81,
                        0x03,
                        0x01,
                        0x00,
                        0x01};
    return sendForResult(card, kApduCase3, 0x46, data);
}

int setcosPubKey(CSC_Profile_Base& card, const std::string& keyPath, unsigned char* out, unsigned long* outLength) {
    if (out == nullptr || outLength == nullptr || card.SelectPath(keyPath, false, false, false, false) != kCardOk)
        return kCardFailed;
    unsigned long capacity = *outLength;
    unsigned char part[258];
    unsigned long modulus = 0, exponent = 0;
    if (card.GetData(0x01, 0x01, 0x00, part, &modulus) != kCardOk || (capacity && modulus > capacity))
        return kCardFailed;
    std::memcpy(out, part, modulus);
    if (card.GetData(0x01, 0x02, 0x00, part, &exponent) != kCardOk || (capacity && modulus + exponent > capacity))
        return kCardFailed;
    std::memcpy(out + modulus, part, exponent);
    *outLength = modulus + exponent;
    return kCardOk;
}

int setcosSign(CSC_Profile_Base& card, const std::string& keyPath, int keyBits, unsigned int algId, unsigned char* hash,
               unsigned long hashLength, unsigned char* signature, unsigned long* signatureLength, unsigned char form,
               unsigned short le) {
    if (setcosManageSE(card, keyPath) != kCardOk)
        return kCardFailed;
    return signBlock(card, psoSignature(form, le), keyBits, algId, hash, hashLength, signature, signatureLength, {});
}

}  // namespace vn_cardos
