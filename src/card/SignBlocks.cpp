#include "SignBlocks.h"

#include <cstring>
#include <memory>

#include "CardResults.h"
#include "crypto/Algorithms.h"
#include "infra/TraceScope.h"
#include "vn_log.h"

namespace vn_cardos {

namespace {

const int kMaxKeyBits = 16384;
// EMSA-PKCS1-v1_5 needs 00 01, at least eight FF bytes and 00 around T.
const unsigned long kPaddingOverhead = 11;
// A DigestInfo with one-byte lengths: L + H + 4 must stay below 128.
const unsigned long kShortLengthLimit = 127;

// 00 01 FF..FF 00 T in k bytes; false when T leaves no room for eight FF bytes.
bool padBlock(SignBlock& t, unsigned long k) {
    if (k < t.size() + kPaddingOverhead)
        return false;
    SignBlock out(k, 0xFF);
    out[0] = 0x00;
    out[1] = 0x01;
    out[k - t.size() - 1] = 0x00;
    std::memcpy(out.data() + (k - t.size()), t.data(), t.size());
    t.swap(out);
    return true;
}

// The AlgorithmIdentifier content of a card algorithm code: its row, SHA-256 for codes
// outside the table.
const vn_crypto::Algorithm& cardAlgorithm(unsigned int algId) {
    const vn_crypto::Algorithm* a = vn_crypto::algorithm_for_card_id(algId);
    return a != nullptr && a->cardAlgId == algId ? *a : vn_crypto::algorithm_of(vn_crypto::DigestKind::SHA256);
}

}  // namespace

bool digestInfoBlock(unsigned int algId, int keyBits, const unsigned char* hash, unsigned long hashLength, bool pad,
                     SignBlock& block) {
    VnTraceScope trace("CSC_Profile_Base::BuildSignBuffer");
    block.clear();
    if ((hash == nullptr && hashLength > 0) || keyBits < 0 || keyBits > kMaxKeyBits)
        return false;
    if (algId == vn_crypto::kCardAlgRaw || algId == vn_crypto::kCardAlgMd5Sha1) {
        block.assign(hash, hash + hashLength);
    } else {
        const vn_crypto::Algorithm& a = cardAlgorithm(algId);
        const unsigned long l = vn_crypto::algorithm_identifier_length(a);
        if (hashLength + l + 4 > kShortLengthLimit)
            return false;
        const unsigned char* id = vn_crypto::algorithm_identifier(a);
        block = {0x30, static_cast<unsigned char>(l + hashLength + 4), 0x30, static_cast<unsigned char>(l)};
        block.insert(block.end(), id, id + l);
        block.push_back(0x04);
        block.push_back(static_cast<unsigned char>(hashLength));
        block.insert(block.end(), hash, hash + hashLength);
    }
    if (pad && !padBlock(block, static_cast<unsigned long>(keyBits) / 8)) {
        block.clear();
        return false;
    }
    return true;
}

bool buildSignBlock(CSC_Profile_Base& card, unsigned int algId, int keyBits, unsigned char* hash,
                    unsigned long hashLength, bool pad, SignBlock& block) {
    block.clear();
    unsigned char* raw = nullptr;
    unsigned long rawLength = 0;
    const int r = card.BuildSignBuffer(algId, keyBits, hash, hashLength, &raw, &rawLength, pad);
    std::unique_ptr<unsigned char[]> owned(raw);
    if (r != kCardOk || (raw == nullptr && rawLength > 0))
        return false;
    if (rawLength > 0)
        block.assign(raw, raw + rawLength);
    return true;
}

int handOut(const SignBlock& block, unsigned char** out, unsigned long* outLength) {
    if (out == nullptr || outLength == nullptr)
        return kCardFailed;
    *out = new unsigned char[block.empty() ? 1 : block.size()];
    if (!block.empty())
        std::memcpy(*out, block.data(), block.size());
    *outLength = static_cast<unsigned long>(block.size());
    return kCardOk;
}

void prependZero(SignBlock& block) { block.insert(block.begin(), static_cast<unsigned char>(0x00)); }

}  // namespace vn_cardos
