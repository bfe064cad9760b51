// The maker key pair of the TCOS 3.0 device authentication, as configuration data.
#include "card/tcos/Tcos3MakerKey.h"

#include <cstring>
#include <iterator>

#include "infra/ConfigGroups.h"
#include "infra/HexDigit.h"
#include "infra/Secrets.h"
#include "vn_log.h"

namespace vn_tcos3 {
namespace {

const char kSettingsFile[] = "settings.cfg";
const char kSettingsGroup[] = "tcos3MakerKey";

// The setting names of the group, in the order of MakerKeyText's fields.
const char* const kNames[] = {"modulus", "publicExponent", "privateExponent", "prime1",
                              "prime2",  "exponent1",      "exponent2",       "coefficient"};
// Hex digits each value must have (the public exponent: at most that many).
const size_t kDigits[] = {256, 6, 256, 128, 128, 128, 128, 128};

// The built-in pair: a 1024-bit test key made for this library's tests and the card
// simulator. A deployment replaces it with the group "tcos3MakerKey" of settings.cfg.
const char* const kBuiltIn[] = {
    // modulus
    "BDE93067F291644DE47D42FC9556B12D6AE7940E3DEFD3C3786844256CD45EEC"
    "78837B2AFF17268396966517208488E24545F3B16DEAFF72BB206E9ADBD7665F"
    "2027F3AF842299BA72D88EE376263AC970FBF4D7A0CD9F87DA3EF21FA4D3C135"
    "EE99349DBD1A7EF3DB3EC0282BB14F49706450ED6C14C7F3AE80D0C539D12359",
    // publicExponent
    "010001",
    // privateExponent
    "3EB2EF555243682F43418BCD226CE5C00DEC78F81EC0C05467BB5CCC525AE720"
    "0145BF735996C61369B32B9AF01471B0EA9806B5CC896A5EF1A2EA815C158869"
    "4BBC87DA0648D6B3E8B93BDE5A2254159769312DBD98D6A84CF7262A8752B8DF"
    "FC534E8DE6DBEA8B61969A0FF816A2555906447DE25FCCB9C047B72B597ED951",
    // prime1
    "E94240A11A115C7EA3F77DCF80A2E27450810EB8B1C3B5F820BBF81B28570104"
    "EDEA21B27CB9DBF5EBF65E1BA5ED4AD777109BB6971C803F45873EC6AE1180A5",
    // prime2
    "D06D0BBA3B221058FAD1EA4F8E0097747986F2C5042FCE4FC786D8108F7F6917"
    "3B29F851AF37CA0E6A1E536B173140DE8C53BFC4235B9AE5DDB324B4880E05A5",
    // exponent1
    "AB485724F57B622C2C43044366F634CBAC81D8498F5F6333FCF58A4E86E4BC7E"
    "DE255AF131DD58C3D0AD6C9568D6426ACDA788701FAE720E040437F8B4C16D71",
    // exponent2
    "913B0AAAEFBD62AABDCB3B7BC7B4FDD3F94261338B214C9F26A6FD333CEA48EE"
    "1919BBA01F79BE5FA0EE14AE5070CF84C33F30269984A1407EE4EF34A48130C9",
    // coefficient
    "167125092BEF3026D5ED4A7312F33AD479451828687B27779408BD2B46C0921E"
    "CD4B1A66824F17A993939892F1D7C525DF56E63E444CA207F89B644B0588FAB8",
};

bool allHex(const std::string& s) {
    for (char c : s)
        if (vnhex::digitValue(c) < 0)
            return false;
    return !s.empty();
}

// Each value has its size, and the modulus uses all of its 1024 bits.
bool wellFormed(const MakerKeyText& k) {
    const std::string* v[] = {&k.n, &k.e, &k.d, &k.p, &k.q, &k.dmp1, &k.dmq1, &k.iqmp};
    for (size_t i = 0; i < 8; ++i) {
        if (!allHex(*v[i]))
            return false;
        if (i == 1 ? v[i]->size() > kDigits[i] : v[i]->size() != kDigits[i])
            return false;
    }
    return vnhex::digitValue(k.n[0]) >= 8;
}

void assign(MakerKeyText& k, const std::vector<std::string>& v) {
    k.n = v[0];
    k.e = v[1];
    k.d = v[2];
    k.p = v[3];
    k.q = v[4];
    k.dmp1 = v[5];
    k.dmq1 = v[6];
    k.iqmp = v[7];
}

}  // namespace

void MakerKeyText::wipe() {
    for (std::string* s : {&n, &e, &d, &p, &q, &dmp1, &dmq1, &iqmp}) {
        vn_secret::wipe(*s);
    }
}

bool maker_key_text(MakerKeyText& out) {
    out.wipe();
    std::vector<std::string> values;
    const std::vector<const char*> names(std::begin(kNames), std::end(kNames));
    switch (vnconfig::readStringGroup(kSettingsFile, kSettingsGroup, names, values)) {
    case vnconfig::GroupRead::Absent:
        assign(out, std::vector<std::string>(std::begin(kBuiltIn), std::end(kBuiltIn)));
        return true;
    case vnconfig::GroupRead::Read:
        assign(out, values);
        for (std::string& s : values)
            vn_secret::wipe(s);
        if (wellFormed(out))
            return true;
        break;
    case vnconfig::GroupRead::Invalid: break;
    }
    vn_log(1, "TCOS 3.0 maker key: the group %s of %s is not a usable key pair\n", kSettingsGroup, kSettingsFile);
    out.wipe();
    return false;
}

bool maker_key_block(std::vector<unsigned char>& block) {
    block.clear();
    MakerKeyText k;
    if (!maker_key_text(k))
        return false;
    unsigned char modulus[kModulusBytes], exponent[kExponentBytes] = {0, 0, 0};
    unsigned short n = 0, e = 0;
    bool ok = hex2bn(k.n.c_str(), modulus, &n) == 0 && n == kModulusBytes;
    unsigned char raw[kExponentBytes];
    ok = ok && hex2bn(k.e.c_str(), raw, &e) == 0 && e >= 1 && e <= kExponentBytes;
    k.wipe();
    if (!ok)
        return false;
    std::memcpy(exponent + kExponentBytes - e, raw, e);
    // Key reference, then the public-key template 7F49 with the modulus (81) and the
    // exponent (82) inside it.
    block = {0x83, 0x01, kKeyReference, 0x7F, 0x49, 0x81, 0x88, 0x81, 0x81, 0x80};
    block.insert(block.end(), modulus, modulus + kModulusBytes);
    block.insert(block.end(), {0x82, 0x03});
    block.insert(block.end(), exponent, exponent + kExponentBytes);
    return block.size() == kKeyBlockBytes;
}

}  // namespace vn_tcos3
