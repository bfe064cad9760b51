// The maker's public key on TCOS 3.0 cards: written with MANAGE SECURITY ENVIRONMENT
// and compared with record 5 of 3F00/4500. Other cards need nothing written or checked.
#include <cstring>

#include "CardTypes.h"
#include "IsoCommands.h"
#include "SC_Profile_Base.h"
#include "card/tcos/Tcos3MakerKey.h"
#include "vn_log.h"

using namespace vn_cardos;

namespace {
const char kKeyFile[] = "3f004500";
const unsigned char kKeyRecord = 5;

// Answers to the key write: 9000 0, 6985 4, 6982, 6983 and 6984 5, any other 0.
const StatusRow kWriteKeyOwn[] = {
    {kSwSecurityNotSatisfied, kCardReferenceUnusable, "security status not satisfied"},
    {kSwAuthBlocked, kCardReferenceUnusable, "authentication method blocked"},
};
const uint32_t kWriteKeyIso[] = {kSwOk, kSwConditionsNotSatisfied, kSwReferenceUnusable};
const StatusMap kWriteKeyStatus = statusMap(kWriteKeyOwn, kWriteKeyIso, nullptr, kCardOk);
bool hasMakerKey(int cardType) {
    const vn_card::CardTypeRow* row = vn_card::cardType(cardType);
    return row != nullptr && row->makerKey;
}
}  // namespace

int CSC_Profile_Base::WriteQuorPubKey() {
    vn_log(1, "--entering CSC_Profile_Base::WriteQuorPubKey\n");
    if (!hasMakerKey(m_cardType))
        return 0;
    std::vector<unsigned char> block;
    if (!vn_tcos3::maker_key_block(block))
        return SC_CMD_FAILED;
    if (!send(*this, Command::iso(kApduCase3, kInsManageSe, kMseSetVerify, kTemplateAuth).withData(block)))
        return SC_CMD_FAILED;
    return mapStatus(getSW(), kWriteKeyStatus);
}

bool CSC_Profile_Base::CheckQuorPubKey() {
    vn_log(1, "--entering CSC_Profile_Base::CheckQuorPubKey\n");
    if (!hasMakerKey(m_cardType))
        return true;
    std::vector<unsigned char> block;
    if (!vn_tcos3::maker_key_block(block))
        return false;
    if (SCSelectMF() != kCardOk || SelectPath(kKeyFile, true, true, false, false) != kCardOk)
        return false;
    unsigned char record[256];
    unsigned short length = sizeof record;
    if (ReadRecord(kKeyRecord, record, &length) != kCardOk || length < vn_tcos3::kModulusBytes)
        return false;
    return std::memcmp(record, block.data() + vn_tcos3::kModulusOffset, vn_tcos3::kModulusBytes) == 0;
}
