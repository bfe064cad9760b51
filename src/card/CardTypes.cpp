// Lookups over the card type rows of the built-in families and of the families registered
// beyond them.
#include "CardTypes.h"

#include <mutex>

#include "CardFamilies.h"

namespace vn_card {

namespace {
std::mutex& registeredMutex() {
    static std::mutex m;
    return m;
}
std::vector<const CardFamily*>& registered() {
    static std::vector<const CardFamily*> families;
    return families;
}

// Every family, built-in first; the caller holds the lock.
std::vector<const CardFamily*> familiesLocked() {
    size_t count = 0;
    const CardFamily* const* builtIn = builtInFamilies(&count);
    std::vector<const CardFamily*> all(builtIn, builtIn + count);
    all.insert(all.end(), registered().begin(), registered().end());
    return all;
}

// Every family, taken under the lock; the rows themselves never change.
std::vector<const CardFamily*> families() {
    std::lock_guard<std::mutex> lock(registeredMutex());
    return familiesLocked();
}

bool hasLabel(const CardTypeRow& row, const std::string& label) {
    for (const char* l : row.labels)
        if (l != nullptr && label == l)
            return true;
    return false;
}
}  // namespace

const CardTypeRow* cardType(int code) {
    for (const CardFamily* f : families())
        for (size_t i = 0; i < f->typeCount; ++i)
            if (f->types[i].code == code)
                return &f->types[i];
    return nullptr;
}

int cardTypeOfLabel(const std::string& label) {
    for (const CardTypeRow* row : cardTypeRows())
        if (hasLabel(*row, label))
            return row->code;
    return kUnknownCard;
}

bool hasCardOs(int code) {
    const CardTypeRow* row = cardType(code);
    return row != nullptr && row->create != nullptr;
}

std::vector<const CardTypeRow*> cardTypeRows() {
    std::vector<const CardTypeRow*> rows;
    for (const CardFamily* f : families())
        for (size_t i = 0; i < f->typeCount; ++i)
            rows.push_back(&f->types[i]);
    return rows;
}

std::vector<AtrRow> atrRows() {
    std::vector<AtrRow> rows;
    for (const CardFamily* f : families())
        rows.insert(rows.end(), f->atrs, f->atrs + f->atrCount);
    return rows;
}

bool registerCardFamily(const CardFamily& family) {
    // Its ATRs come after the prescribed table, whatever position they name.
    for (size_t i = 0; i < family.atrCount; ++i)
        if (family.atrs[i].position != kAfterAtrList)
            return false;
    // Checked and added under one lock, so that two registrations cannot take one code.
    std::lock_guard<std::mutex> lock(registeredMutex());
    const std::vector<const CardFamily*> known = familiesLocked();
    for (size_t i = 0; i < family.typeCount; ++i) {
        const CardTypeRow& row = family.types[i];
        if (row.code <= kUnknownCard)
            return false;
        for (const CardFamily* f : known)
            for (size_t j = 0; j < f->typeCount; ++j) {
                if (f->types[j].code == row.code)
                    return false;
                for (const char* l : row.labels)
                    if (l != nullptr && hasLabel(f->types[j], l))
                        return false;
            }
    }
    registered().push_back(&family);
    return true;
}

}  // namespace vn_card
