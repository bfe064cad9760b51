// Feeds arbitrary bytes to the reading side of the CAdES levels: the SignedData split into
// its DER items and joined again, each signer's unsigned attributes and their values, the
// level names, the ats-hash-index-v3 and the archive imprint input.
#include <cstdint>
#include <vector>

#include "CadesLevel.h"
#include "sign/CadesInternal.h"

namespace {

volatile size_t sink;
const size_t kMaxInput = 1u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > kMaxInput)
        return 0;
    const std::vector<uint8_t> bytes(data, data + size);
    sink += static_cast<size_t>(vn_cades_level_of(bytes) + 1);
    vn_sign::SignedDataParts parts;
    if (!vn_sign::split_signed_data(bytes.data(), bytes.size(), parts))
        return 0;
    sink += vn_sign::join_signed_data(parts).size();
    const std::vector<uint8_t> none;
    for (size_t i = 0; i < parts.signers.size(); ++i) {
        sink += static_cast<size_t>(vn_sign::level_of_signer(parts, i) + 1);
        for (const vn_sign::Bytes& a : parts.signers[i].unsignedAttrs) {
            sink += vn_sign::attribute_values(a).size();
            sink += vn_sign::unsigned_attribute_hash_input(a).size();
        }
        const vn_sign::Bytes index = vn_sign::ats_hash_index(parts, i);
        vn_sign::Bytes input;
        if (vn_sign::archive_imprint_input(parts, i, index, "", &none, input))
            sink += input.size();
    }
    return 0;
}
