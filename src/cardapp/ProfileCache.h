// The process-wide cache of card application profiles: what a profile read found on
// the card in a reader (layout, paths, key and PIN references, certificate files,
// serial), kept while that card stays in. No PIN and no verified state is kept.
#ifndef VN_CARDAPP_PROFILECACHE_H
#define VN_CARDAPP_PROFILECACHE_H

#include <cstddef>
#include <memory>
#include <string>

#include "../card/CardIdentity.h"

class CSC_Profile;
class CSC_Profile_Base;

namespace vn_profile_cache {

// Readers kept at once; the one used longest ago makes room.
constexpr size_t kMaxReaders = 4;

// A copy of the profile kept for this card on cardOs, or null. A reader whose card
// changed (event counter or ATR) or whose card answers another serial is forgotten.
std::unique_ptr<CSC_Profile> restore(const vn_card::CardIdentity& identity, CSC_Profile_Base* cardOs);
// Keeps a copy of a freshly detected profile under identity and the card's serial.
void keep(const vn_card::CardIdentity& identity, const CSC_Profile& found, const std::string& cardSerial);
void forget(const std::string& reader);
void clear();
size_t readers();

}  // namespace vn_profile_cache

#endif
