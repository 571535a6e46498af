#include "lookup/InfoCodeList.h"

#include <functional>
#include <string_view>

namespace k4 {

namespace {

// The code without its leading and trailing blanks (U+0020 only, as
// trim_blanks does), as a view into the code itself.
std::u16string_view trimmed_key(QStringView code)
{
    const char16_t* begin = code.utf16();
    const char16_t* end = begin + code.size();
    while (begin < end && *begin == u' ')
        ++begin;
    while (end > begin && end[-1] == u' ')
        --end;
    return {begin, size_t(end - begin)};
}

size_t hash_key(std::u16string_view key)
{
    return std::hash<std::u16string_view>{}(key);
}

}  // namespace

void InfoCodeList::assign(InfoCodeEntries entries)
{
    entries_ = std::move(entries);
    size_t capacity = 16;
    while (capacity < size_t(entries_.size()) * 2)
        capacity *= 2;
    slots_.assign(capacity, -1);
    const size_t mask = capacity - 1;
    for (int i = 0; i < entries_.size(); ++i) {
        const std::u16string_view key = trimmed_key(entries_[i].code);
        for (size_t slot = hash_key(key) & mask;; slot = (slot + 1) & mask) {
            int& held = slots_[slot];
            if (held < 0) {
                held = i;
                break;
            }
            if (trimmed_key(entries_[held].code) == key)
                break;   // an earlier entry has this code: the first one wins
        }
    }
}

const info_code_entry* InfoCodeList::find(QStringView code) const
{
    const std::u16string_view key = trimmed_key(code);
    const size_t mask = slots_.size() - 1;
    for (size_t slot = hash_key(key) & mask;; slot = (slot + 1) & mask) {
        const int held = slots_[slot];
        if (held < 0)
            return nullptr;
        if (trimmed_key(entries_[held].code) == key)
            return &entries_[held];
    }
}

void load_info_code_list(InfoCodeList& list, const SettingsLocation& where, int& status)
{
    load_info_code_file(list, locate_info_code_file(where), status);
}

void load_info_code_file(InfoCodeList& list, const QString& path, int& status)
{
    ListFileRead read = read_info_code_file(path);
    if (!read.exists) {
        status = 9;
        return;
    }
    list.assign(std::move(read.entries));
    status = read.complete ? 0 : 9;
}

}  // namespace k4
