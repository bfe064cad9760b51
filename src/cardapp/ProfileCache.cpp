// The process-wide cache of card application profiles.
#include "ProfileCache.h"

#include <cstdint>
#include <list>
#include <mutex>

#include "SC_Profile.h"
#include "SC_Profile_Base.h"
#include "vn_log.h"

namespace vn_profile_cache {
namespace {

struct Entry {
    vn_card::CardIdentity identity;
    std::string serial;
    std::unique_ptr<CSC_Profile> found;  // without a card-OS object
};

std::mutex g_mutex;
std::list<Entry> g_entries;  // the most recently used first

std::list<Entry>::iterator findReader(const std::string& reader) {
    for (auto it = g_entries.begin(); it != g_entries.end(); ++it)
        if (it->identity.reader == reader)
            return it;
    return g_entries.end();
}

}  // namespace

std::unique_ptr<CSC_Profile> restore(const vn_card::CardIdentity& identity, CSC_Profile_Base* cardOs) {
    if (cardOs == nullptr)
        return nullptr;
    std::unique_ptr<CSC_Profile> copy;
    std::string serial;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        auto it = findReader(identity.reader);
        if (it == g_entries.end())
            return nullptr;
        if (it->identity != identity) {
            vn_log(3, "profile cache: the card in the reader changed\n");
            g_entries.erase(it);
            return nullptr;
        }
        g_entries.splice(g_entries.begin(), g_entries, it);
        copy = it->found->copyFor(cardOs);
        serial = it->serial;
    }
    // Counter and ATR are the same after a restart of the service or for another reader
    // of the same name: the card's serial tells. The call that kept the profile left the
    // card at its MF, and a reset selects it too: the serial is read from there first,
    // and from a fresh selection when that fails.
    cardOs->AssumeMasterFile();
    bool same = cardOs->showsSerial(serial);
    if (!same) {
        cardOs->ForgetCurrentFile();
        same = cardOs->getCardSerial() == serial;
    }
    if (!same) {
        vn_log(3, "profile cache: another card of the same kind\n");
        forget(identity.reader);
        copy->m_card = nullptr;
        return nullptr;
    }
    vn_log(3, "profile cache: profile of the card kept since an earlier call\n");
    return copy;
}

void keep(const vn_card::CardIdentity& identity, const CSC_Profile& found, const std::string& cardSerial) {
    std::unique_ptr<CSC_Profile> copy = found.copyFor(nullptr);
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = findReader(identity.reader);
    if (it != g_entries.end())
        g_entries.erase(it);
    while (g_entries.size() >= kMaxReaders)
        g_entries.pop_back();
    g_entries.push_front(Entry{identity, cardSerial, std::move(copy)});
}

void forget(const std::string& reader) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = findReader(reader);
    if (it != g_entries.end())
        g_entries.erase(it);
}

void clear() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_entries.clear();
}

size_t readers() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_entries.size();
}

}  // namespace vn_profile_cache
