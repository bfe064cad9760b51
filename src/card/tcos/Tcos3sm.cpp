// CTcos3sm: the RSA device authentication with key transport of TCOS 3.0 cards and the
// session state it leaves for secure messaging.
//
// Blocks (ISO/IEC 9796-2 with SHA-1), 128 bytes, for both directions:
//
//   6A | PRND (74 random bytes) | K (32-byte key part) | SHA-1 (20) | BC
//   SHA-1 over PRND || K || RND || SN (122 bytes), where RND is the challenge the
//   receiver of the block chose (the library's for the card's block, the card's for the
//   library's) and SN the 8-byte card serial number.
//
// The sender signs the block with its private key (s = block^d mod n), sends
// min(s, n - s) (so the value is below any other 1024-bit modulus) enciphered with the
// receiver's public key. The receiver deciphers with its private key, raises to the
// sender's public exponent and takes n - v when v does not end in BC.
//
//   1. INTERNAL AUTHENTICATE 00 88 00 00 with RND.IFD (8) || SN (8): the card's block
//      carries K.ICC; hashed with RND.IFD and SN.
//   2. GET CHALLENGE: RND.ICC (8 bytes).
//   3. EXTERNAL AUTHENTICATE 00 82 00 00 with the library's block carrying K.IFD;
//      hashed with RND.ICC and SN.
//   4. K = K.ICC xor K.IFD; encryption key = SHA-1(K || 00000001)[0..16), MAC key =
//      SHA-1(K || 00000002)[0..16); counter = RND.ICC[4..8) || RND.IFD[4..8).
#include "Tcos3sm.h"

#include <openssl/rand.h>

#include <cstring>

#include "MpArith.h"
#include "RsaSmall.h"
#include "SC_Profile_Base.h"
#include "card/tcos/Tcos3MakerKey.h"
#include "crypto/DigestFactory.h"
#include "infra/Secrets.h"
#include "vn_log.h"

TcosSmData CTcos3sm::m_data = {};

namespace {

using vn_secret::WipedBytes;

const int kAttempts = 12;         // attempts 0 to 11
const int kLastBlockAttempt = 9;  // a block without 6A..BC is retried up to this attempt
const size_t kBlockLength = 128;
const size_t kPadLength = 74;
const size_t kKeyPartLength = 32;
const size_t kHashLength = 20;
const size_t kRandomLength = 8;
const size_t kSerialLength = 8;
const size_t kKeyLength = 16;
const unsigned char kHeader = 0x6A;
const unsigned char kTrailer = 0xBC;
const size_t kDigits = kBlockLength / 4;

const CSC_Profile_Base* g_owner = nullptr;  // the card object whose session m_data holds

enum class Step { Done, Retry, BadBlock, Failed };

void sha1(const unsigned char* data, size_t length, unsigned char out[kHashLength]) {
    vn_crypto::digest_buffer(vn_crypto::DigestKind::SHA1, data, length, out);
}

bool randomBytes(unsigned char* out, size_t n) { return RAND_bytes(out, static_cast<int>(n)) == 1; }

// The library's challenge: random bytes, none of them 7F.
bool drawChallenge(unsigned char out[kRandomLength]) {
    for (size_t i = 0; i < kRandomLength; ++i) {
        do {
            if (!randomBytes(out + i, 1))
                return false;
        } while (out[i] == 0x7F);
    }
    return true;
}

// SHA-1 over PRND || K || RND || SN.
void blockHash(const unsigned char* prnd, const unsigned char* keyPart, const unsigned char* rnd,
               const unsigned char* serial, unsigned char out[kHashLength]) {
    WipedBytes in;
    in.insert(in.end(), prnd, prnd + kPadLength);
    in.insert(in.end(), keyPart, keyPart + kKeyPartLength);
    in.insert(in.end(), rnd, rnd + kRandomLength);
    in.insert(in.end(), serial, serial + kSerialLength);
    sha1(in.data(), in.size(), out);
}

// n - v for 128-byte big-endian numbers.
void complement(const unsigned char* n, unsigned char* v) {
    DIGIT_T a[kDigits], b[kDigits];
    mpConvFromOctets(a, kDigits, n, kBlockLength);
    mpConvFromOctets(b, kDigits, v, kBlockLength);
    mpSubtract(a, a, b, kDigits);
    mpConvToOctets(a, kDigits, v, kBlockLength);
    vn_secret::cleanse(a, sizeof a);
    vn_secret::cleanse(b, sizeof b);
}

// The modulus of a loaded key as exactly 128 bytes (a 1024-bit key).
bool modulus1024(CRsaSmall& key, unsigned char out[kBlockLength]) {
    int n = static_cast<int>(kBlockLength);
    return key.PubKeyGetModulus(out, &n) == 0 && n == static_cast<int>(kBlockLength) && (out[0] & 0x80);
}

struct Keys {
    CRsaSmall maker, card;
    unsigned char makerN[kBlockLength], cardN[kBlockLength];
};

// Block to the card: signed with the maker key, enciphered for the card.
bool toCard(Keys& k, const unsigned char* block, unsigned char* out) {
    WipedBytes s(kBlockLength);
    if (k.maker.PrivateKeyEncrypt(const_cast<unsigned char*>(block), static_cast<int>(kBlockLength), s.data(),
                                  static_cast<int>(kBlockLength)) != 0)
        return false;
    WipedBytes other(s.begin(), s.end());
    complement(k.makerN, other.data());
    unsigned char* smaller = std::memcmp(other.data(), s.data(), kBlockLength) < 0 ? other.data() : s.data();
    return k.card.PublicKeyEncrypt(smaller, static_cast<int>(kBlockLength), out, static_cast<int>(kBlockLength)) == 0;
}

// Block from the card: deciphered with the maker key, opened with the card key. False
// when the block is no number below the moduli; a block without 6A..BC is returned
// as it is for the caller to judge.
bool fromCard(Keys& k, const unsigned char* in, unsigned char* block) {
    WipedBytes s(kBlockLength);
    if (k.maker.PrivateKeyDecrypt(const_cast<unsigned char*>(in), static_cast<int>(kBlockLength), s.data(),
                                  static_cast<int>(kBlockLength)) != 0)
        return false;
    if (k.card.PublicKeyDecrypt(s.data(), static_cast<int>(kBlockLength), block, static_cast<int>(kBlockLength)) != 0)
        return false;
    if (block[kBlockLength - 1] != kTrailer)
        complement(k.cardN, block);
    return true;
}

bool framed(const unsigned char* block) { return block[0] == kHeader && block[kBlockLength - 1] == kTrailer; }

// The session keys and counter of one successful agreement, committed at the end.
struct Session {
    unsigned char encKey[kKeyLength], macKey[kKeyLength], ssc[8];
    ~Session() { vn_secret::cleanse(this, sizeof *this); }
};

void deriveKeys(const unsigned char* kIcc, const unsigned char* kIfd, Session& out) {
    unsigned char in[kKeyPartLength + 4], hash[kHashLength];
    for (size_t i = 0; i < kKeyPartLength; ++i)
        in[i] = kIcc[i] ^ kIfd[i];
    in[kKeyPartLength] = in[kKeyPartLength + 1] = in[kKeyPartLength + 2] = 0;
    in[kKeyPartLength + 3] = 1;
    sha1(in, sizeof in, hash);
    std::memcpy(out.encKey, hash, kKeyLength);
    in[kKeyPartLength + 3] = 2;
    sha1(in, sizeof in, hash);
    std::memcpy(out.macKey, hash, kKeyLength);
    vn_secret::cleanse(in, sizeof in);
    vn_secret::cleanse(hash, sizeof hash);
}

Step attempt(CSC_Profile_Base& card, Keys& keys, const unsigned char* serial, Session& session) {
    // 1. INTERNAL AUTHENTICATE with the library's challenge and the serial number.
    unsigned char rndIfd[kRandomLength], command[kRandomLength + kSerialLength];
    if (!drawChallenge(rndIfd))
        return Step::Failed;
    std::memcpy(command, rndIfd, kRandomLength);
    std::memcpy(command + kRandomLength, serial, kSerialLength);
    WipedBytes answer(256);
    unsigned long answerLength = answer.size();
    if (card.InternalAuthenticate(command, sizeof command, answer.data(), &answerLength) != 0) {
        vn_log(1, "CTcos3sm: INTERNAL AUTHENTICATE failed\n");
        return Step::Retry;
    }
    if (answerLength != kBlockLength) {
        vn_log(1, "CTcos3sm: the card's block has %lu bytes\n", answerLength);
        return Step::Retry;
    }
    WipedBytes block(kBlockLength);
    if (!fromCard(keys, answer.data(), block.data()) || !framed(block.data())) {
        vn_log(1, "CTcos3sm: the card's block is not framed 6A..BC\n");
        return Step::BadBlock;
    }
    unsigned char hash[kHashLength];
    const unsigned char* prnd = block.data() + 1;
    const unsigned char* kIcc = prnd + kPadLength;
    blockHash(prnd, kIcc, rndIfd, serial, hash);
    if (CRYPTO_memcmp(hash, kIcc + kKeyPartLength, kHashLength) != 0) {
        vn_log(1, "CTcos3sm: the hash in the card's block does not match\n");
        return Step::Failed;
    }

    // 2. The card's challenge.
    unsigned char rndIcc[kRandomLength];
    if (card.GetChallange(rndIcc, kRandomLength) != 0) {
        vn_log(1, "CTcos3sm: GET CHALLENGE failed\n");
        return Step::Retry;
    }

    // 3. EXTERNAL AUTHENTICATE with the library's block.
    WipedBytes own(kBlockLength), sent(kBlockLength);
    unsigned char* p = own.data();
    p[0] = kHeader;
    p[kBlockLength - 1] = kTrailer;
    if (!randomBytes(p + 1, kPadLength + kKeyPartLength))
        return Step::Failed;
    blockHash(p + 1, p + 1 + kPadLength, rndIcc, serial, p + 1 + kPadLength + kKeyPartLength);
    if (!toCard(keys, own.data(), sent.data()))
        return Step::Failed;
    if (card.ExternalAuthenticate(sent.data(), kBlockLength) != 0) {
        vn_log(1, "CTcos3sm: EXTERNAL AUTHENTICATE failed\n");
        return Step::Retry;
    }

    // 4. Keys and counter.
    deriveKeys(kIcc, p + 1 + kPadLength, session);
    std::memcpy(session.ssc, rndIcc + 4, 4);
    std::memcpy(session.ssc + 4, rndIfd + 4, 4);
    return Step::Done;
}

}  // namespace

int CTcos3sm::set_card_key(CRsaSmall& key, unsigned char* modulus, unsigned short modulusLength,
                           unsigned char* exponent, unsigned short exponentLength) {
    if (modulus == nullptr || exponent == nullptr || modulusLength == 0 || exponentLength == 0 ||
        modulusLength > sizeof m_data.cardModulus || exponentLength > sizeof m_data.cardExponent)
        return -1;
    return key.Set_n(modulus, modulusLength) == 0 && key.Set_e(exponent, exponentLength) == 0 ? 0 : -1;
}

int CTcos3sm::set_quorvel_key(CRsaSmall& key) {
    vn_tcos3::MakerKeyText text;
    if (!vn_tcos3::maker_key_text(text))
        return -1;
    // Plain functions rather than pointers to members: a call through an array of
    // pointers to member functions trips GCC's bounds instrumentation.
    using Setter = int (*)(CRsaSmall&, unsigned char*, unsigned short);
    struct Part {
        const std::string& text;
        Setter set;
    };
    // clang-format off
    const Part parts[] = {
        {text.n,    [](CRsaSmall& k, unsigned char* b, unsigned short l) { return k.Set_n(b, l); }},
        {text.e,    [](CRsaSmall& k, unsigned char* b, unsigned short l) { return k.Set_e(b, l); }},
        {text.d,    [](CRsaSmall& k, unsigned char* b, unsigned short l) { return k.Set_d(b, l); }},
        {text.p,    [](CRsaSmall& k, unsigned char* b, unsigned short l) { return k.Set_p(b, l); }},
        {text.q,    [](CRsaSmall& k, unsigned char* b, unsigned short l) { return k.Set_q(b, l); }},
        {text.dmp1, [](CRsaSmall& k, unsigned char* b, unsigned short l) { return k.Set_dmp1(b, l); }},
        {text.dmq1, [](CRsaSmall& k, unsigned char* b, unsigned short l) { return k.Set_dmq1(b, l); }},
        {text.iqmp, [](CRsaSmall& k, unsigned char* b, unsigned short l) { return k.Set_iqmp(b, l); }},
    };
    // clang-format on
    unsigned char bytes[kBlockLength];
    vn_secret::WipeOnExit wipe(bytes, sizeof bytes);
    for (const Part& part : parts) {
        unsigned short length = 0;
        if (part.text.size() > 2 * sizeof bytes || hex2bn(part.text.c_str(), bytes, &length) != 0 ||
            part.set(key, bytes, length) != 0)
            return -1;
    }
    return 0;
}

int CTcos3sm::set_quorvel_key_pk(CRsaSmall&) { return 0; }

int CTcos3sm::tocs_get_session_keys(CSC_Profile_Base* card, unsigned char* serial) {
    vn_log(1, "--entering CTcos3sm::tocs_get_session_keys\n");
    if (card == nullptr || serial == nullptr)
        return -1;
    Keys keys;
    if (set_quorvel_key(keys.maker) != 0 ||
        set_card_key(keys.card, m_data.cardModulus, m_data.modulusLength, m_data.cardExponent, m_data.exponentLength) !=
            0 ||
        !modulus1024(keys.maker, keys.makerN) || !modulus1024(keys.card, keys.cardN)) {
        vn_log(1, "CTcos3sm: the maker key and the card key must be 1024-bit RSA keys\n");
        return -1;
    }
    for (int n = 0; n < kAttempts; ++n) {
        Session session;
        switch (attempt(*card, keys, serial, session)) {
        case Step::Done:
            std::memcpy(m_data.encKey, session.encKey, kKeyLength);
            std::memcpy(m_data.macKey, session.macKey, kKeyLength);
            std::memcpy(m_data.ssc, session.ssc, sizeof m_data.ssc);
            g_owner = card;
            vn_log(1, "--leaving CTcos3sm::tocs_get_session_keys (attempt %d)\n", n);
            return 0;
        case Step::Retry: break;
        case Step::BadBlock:
            if (n + 1 > kLastBlockAttempt)
                return -1;
            break;
        case Step::Failed: return -1;
        }
    }
    vn_log(1, "CTcos3sm: no agreement after %d attempts\n", kAttempts);
    return -1;
}

int CTcos3sm::incIV() {
    DIGIT_T counter[2];
    mpConvFromOctets(counter, 2, m_data.ssc, sizeof m_data.ssc);
    mpShortAdd(counter, counter, 1, 2);  // the carry out of the 64 bits is dropped
    mpConvToOctets(counter, 2, m_data.ssc, sizeof m_data.ssc);
    return 0;
}

bool CTcos3sm::session_of(const CSC_Profile_Base* card) { return card != nullptr && g_owner == card; }

void CTcos3sm::end_session(const CSC_Profile_Base* card) {
    if (card != nullptr && g_owner != card)
        return;
    vn_secret::cleanse(&m_data, sizeof m_data);
    g_owner = nullptr;
}
