// Wrapping of protected TCOS 3.0 commands and checking of their answers.
#include "card/tcos/Tcos3Messaging.h"

#include <cstring>

#include "Des.h"
#include "Tcos3sm.h"
#include "infra/Secrets.h"

namespace vn_tcos3 {
namespace {

const unsigned char kPlainTag = 0x81;
const unsigned char kLeTag = 0x97;
const unsigned char kMacTag = 0x8E;
const unsigned char kCryptogramTag = 0x87;
const unsigned char kStatusTag = 0x99;
const unsigned char kIsoPadding = 0x01;  // padding-content indicator of 87
const size_t kMacLength = 8;
const size_t kBlock = 8;

// Two DES key schedules from a 16-byte key, wiped when the scope ends.
struct KeyPair {
    DES_key_schedule k1, k2;
    explicit KeyPair(const unsigned char key[16]) {
        DES_cblock a, b;
        std::memcpy(a, key, 8);
        std::memcpy(b, key + 8, 8);
        DES_set_key_unchecked(&a, &k1);
        DES_set_key_unchecked(&b, &k2);
        vn_secret::cleanse(a, sizeof a);
        vn_secret::cleanse(b, sizeof b);
    }
    ~KeyPair() {
        vn_secret::cleanse(&k1, sizeof k1);
        vn_secret::cleanse(&k2, sizeof k2);
    }
    KeyPair(const KeyPair&) = delete;
    KeyPair& operator=(const KeyPair&) = delete;
};

void appendLength(Bytes& out, size_t n) {
    if (n < 0x80) {
        out.push_back(static_cast<unsigned char>(n));
    } else if (n <= 0xFF) {
        out.push_back(0x81);
        out.push_back(static_cast<unsigned char>(n));
    } else {
        out.push_back(0x82);
        out.push_back(static_cast<unsigned char>(n >> 8));
        out.push_back(static_cast<unsigned char>(n));
    }
}

// One data object at data[pos]: single-byte tag, length in one to three bytes, value
// inside the buffer. False when it does not fit.
bool readObject(const unsigned char* data, size_t length, size_t& pos, unsigned char& tag, size_t& valuePos,
                size_t& valueLength) {
    if (pos + 2 > length)
        return false;
    tag = data[pos];
    size_t p = pos + 1;
    size_t n = data[p++];
    if (n == 0x81 || n == 0x82) {
        const size_t bytes = n - 0x80;
        if (p + bytes > length)
            return false;
        n = 0;
        for (size_t i = 0; i < bytes; ++i)
            n = n * 256 + data[p++];
    } else if (n > 0x80) {
        return false;
    }
    if (n > length - p)
        return false;
    valuePos = p;
    valueLength = n;
    pos = p + n;
    return true;
}

}  // namespace

void pad_iso(Bytes& data) {
    data.push_back(0x80);
    while (data.size() % kBlock)
        data.push_back(0x00);
}

void session_mac(const Bytes& data, unsigned char mac[8]) {
    Bytes padded(data);
    pad_iso(padded);
    KeyPair keys(CTcos3sm::m_data.macKey);
    const_DES_cblock iv;
    std::memcpy(iv, CTcos3sm::m_data.ssc, sizeof iv);
    DES_cblock out;
    DES_retail_mac(padded.data(), static_cast<long>(padded.size()), &keys.k1, &keys.k2, &iv, &out);
    std::memcpy(mac, out, kMacLength);
}

Bytes protect_command(const unsigned char header[4], const Bytes& plain, unsigned char le) {
    Bytes objects{kPlainTag};
    appendLength(objects, plain.size());
    objects.insert(objects.end(), plain.begin(), plain.end());
    objects.insert(objects.end(), {kLeTag, 0x01, le});

    CTcos3sm::incIV();
    Bytes macInput(header, header + 4);
    pad_iso(macInput);
    macInput.insert(macInput.end(), objects.begin(), objects.end());
    unsigned char mac[kMacLength];
    session_mac(macInput, mac);
    objects.insert(objects.end(), {kMacTag, static_cast<unsigned char>(kMacLength)});
    objects.insert(objects.end(), mac, mac + kMacLength);
    return objects;
}

Unwrapped unwrap_answer(const unsigned char* data, size_t length, vn_secret::WipedBytes& plain, uint16_t& status) {
    plain.clear();
    status = 0;
    CTcos3sm::incIV();
    if (data == nullptr)
        return Unwrapped::Malformed;
    size_t pos = 0, cryptoPos = 0, cryptoLength = 0, macPos = 0;
    bool haveCrypto = false, haveStatus = false, haveMac = false;
    while (pos < length) {
        unsigned char tag = 0;
        size_t vp = 0, vl = 0;
        const size_t start = pos;
        if (haveMac || !readObject(data, length, pos, tag, vp, vl))
            return Unwrapped::Malformed;
        if (tag == kCryptogramTag && !haveCrypto && !haveStatus) {
            haveCrypto = true;
            cryptoPos = vp;
            cryptoLength = vl;
        } else if (tag == kStatusTag && !haveStatus && vl == 2) {
            haveStatus = true;
            status = static_cast<uint16_t>(data[vp] << 8 | data[vp + 1]);
        } else if (tag == kMacTag && vl == kMacLength && haveStatus) {
            haveMac = true;
            macPos = start;
        } else {
            return Unwrapped::Malformed;
        }
    }
    if (!haveMac)
        return Unwrapped::Malformed;

    unsigned char mac[kMacLength];
    session_mac(Bytes(data, data + macPos), mac);
    if (CRYPTO_memcmp(mac, data + macPos + 2, kMacLength) != 0)
        return Unwrapped::BadMac;

    if (!haveCrypto)
        return Unwrapped::Ok;
    // 01 and whole blocks of cryptogram, at least one.
    if (cryptoLength < 1 + kBlock || (cryptoLength - 1) % kBlock != 0 || data[cryptoPos] != kIsoPadding)
        return Unwrapped::Malformed;
    const size_t n = cryptoLength - 1;
    plain.resize(n);
    KeyPair keys(CTcos3sm::m_data.encKey);
    DES_cblock iv = {0};
    DES_3cbc_encrypt(data + cryptoPos + 1, plain.data(), static_cast<long>(n), &keys.k1, &keys.k2, &iv, DES_DECRYPT);
    size_t end = n;
    while (end > 0 && plain[end - 1] == 0x00)
        --end;
    if (end == 0 || plain[end - 1] != 0x80 || n - end >= kBlock) {
        plain.clear();
        return Unwrapped::Malformed;
    }
    plain.resize(end - 1);
    return Unwrapped::Ok;
}

}  // namespace vn_tcos3
