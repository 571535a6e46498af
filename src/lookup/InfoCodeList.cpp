#include "lookup/InfoCodeList.h"

#include "common/text.h"

#include <QHashFunctions>

namespace k4 {

void InfoCodeList::assign(InfoCodeEntries entries)
{
    entries_ = std::move(entries);
    size_t capacity = 16;
    while (capacity < size_t(entries_.size()) * 2)
        capacity *= 2;
    slots_.assign(capacity, -1);
    const size_t mask = capacity - 1;
    for (int i = 0; i < entries_.size(); ++i) {
        const QStringView key = trim_blanks(entries_[i].code);
        for (size_t slot = qHash(key) & mask;; slot = (slot + 1) & mask) {
            int& held = slots_[slot];
            if (held < 0) {
                held = i;
                break;
            }
            if (trim_blanks(entries_[held].code) == key)
                break;   // an earlier entry has this code: the first one wins
        }
    }
}

const InfoCodeEntry* InfoCodeList::find(QStringView code) const
{
    const QStringView key = trim_blanks(code);
    const size_t mask = slots_.size() - 1;
    for (size_t slot = qHash(key) & mask;; slot = (slot + 1) & mask) {
        const int held = slots_[slot];
        if (held < 0)
            return nullptr;
        if (trim_blanks(entries_[held].code) == key)
            return &entries_[held];
    }
}

ListLoad load_info_code_list(InfoCodeList& list, const SettingsLocation& where)
{
    return load_info_code_file(list, locate_info_code_file(where));
}

ListLoad load_info_code_file(InfoCodeList& list, const QString& path)
{
    ListFileRead read = read_info_code_file(path);
    if (!read.exists)
        return {};
    list.assign(std::move(read.entries));
    return {true, read.complete};
}

}  // namespace k4
