#include "settings/ExcludedList.h"

#include <cstring>
#include <memory>

#include "settings/ImageList.h"
#include "settings/SettingsStore.h"

namespace {

constexpr const char* kExcludedListNotice =
    "As you have excluded a large number of pictures, Vellumere will store them in a list on disk "
    "rather than in the registry. Please select a filename for this list.";

const ListFileChoice kExcludedFileChoice = {".excluded", kExcludedListNotice, "Excluded.qx"};

// Calls visit(start, length) for every entry of the list (text after the
// last BEL included, as the dialogs show it).
template <class Visit>
void forEachEntry(const char* list, Visit visit) {
    for (const char* p = list; *p;) {
        const char* bel = std::strchr(p, kEntryTerminator);
        const size_t length = bel ? size_t(bel - p) : std::strlen(p);
        visit(std::string_view(p, length));
        if (!bel) break;
        p = bel + 1;
    }
}

}  // namespace

void appendExcludedKey(std::string* key, std::string_view path) {
    // UTF-8: no byte of a multibyte character looks like a letter.
    const size_t start = key->size();
    key->append(path.data(), path.size());
    for (size_t at = start; at < key->size(); ++at) {
        const char c = (*key)[at];
        if (c >= 'A' && c <= 'Z') (*key)[at] = char(c - 'A' + 'a');
    }
}

std::string excludedKey(std::string_view path) {
    std::string key;
    appendExcludedKey(&key, path);
    return key;
}

Exclusions::Exclusions(const char* list) {
    forEachEntry(list, [&](std::string_view entry) {
        if (!entry.empty()) keys_.insert(excludedKey(entry));
    });
}

bool Exclusions::contains(std::string_view fullPath) const {
    return !keys_.empty() && containsKey(excludedKey(fullPath));
}

bool readExcluded(std::string* list) {
    if (std::unique_ptr<char[]> stored = readSetting(kExcludedSetting)) {
        list->assign(stored.get());
        return true;
    }
    list->clear();
    // Absent, or the marker without a file's path: nothing was excluded.
    return listFilePath(kExcludedSetting) == nullptr;
}

std::shared_ptr<const Exclusions> ExclusionCache::current() {
    // None stored, or a list that cannot be read (the store has said so):
    // nothing is excluded.
    std::unique_ptr<char[]> stored = readSetting(kExcludedSetting);
    const char* text = stored ? stored.get() : "";
    if (text_ != text) {
        exclusions_ = std::make_shared<const Exclusions>(text);
        text_ = text;
    }
    return exclusions_;
}

bool storeExcluded(const std::string& list) {
    return writeSetting(kExcludedSetting, list.c_str(), kExcludedFileChoice);
}

bool addExcluded(const std::string& picture) {
    std::string list;
    if (!readExcluded(&list)) return false;
    if (Exclusions(list.c_str()).contains(picture)) return true;
    // A tail without its BEL is an entry too: end it before adding.
    if (!list.empty() && list.back() != kEntryTerminator) list += kEntryTerminator;
    list += picture;
    list += kEntryTerminator;
    return storeExcluded(list);
}

std::string excludedWithout(const char* list, const std::vector<std::string>& removed) {
    std::unordered_set<std::string> gone;
    for (const std::string& path : removed) gone.insert(excludedKey(path));
    std::string kept;
    forEachEntry(list, [&](std::string_view entry) {
        if (entry.empty() || gone.count(excludedKey(entry)) != 0) return;
        kept.append(entry.data(), entry.size());
        kept += kEntryTerminator;
    });
    return kept;
}
