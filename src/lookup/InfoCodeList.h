#pragma once
// The in-memory information-classification list, loaded once at start-up. It
// names the codes of the main grid and checks the code typed into JKBN.
// Codes compare with their leading and trailing blanks removed on both sides,
// and the first entry with a code wins; an index built at load makes a lookup
// take constant time however long the list is.

#include "lookup/InfoCodeFile.h"

#include <vector>

namespace k4 {

class InfoCodeList {
public:
    // Entries 0 .. info_code_count() - 1, in file order.
    const InfoCodeEntries& info_code_list() const { return entries_; }
    int info_code_count() const { return int(entries_.size()); }

    // The first entry whose code, trimmed of blanks, equals `code` trimmed of
    // blanks; nullptr when none does. The entry lives as long as the list
    // holds its current entries.
    const InfoCodeEntry* find(QStringView code) const;

    // Replaces the list and indexes it.
    void assign(InfoCodeEntries entries);

private:
    InfoCodeEntries entries_;
    // Open addressing over entry positions (-1 = free), sized to a power of two
    // at least twice the count: one block, no allocation per code.
    std::vector<int> slots_ = std::vector<int>(16, -1);
};

// What loading the list file came to.
struct [[nodiscard]] ListLoad {
    // A plain file was at the list file's path, and the list now holds what
    // was read from it. False when the path names no such file (a missing or
    // empty path, a folder, a hidden file): the list stays as it was.
    bool found = false;
    // The whole file was read: it opened, no read failed, and it has at most
    // 32767 lines.
    bool complete = false;
};

// Loads the list file named by EDI.ini into `list`. When the file is not
// found the list stays as it was. When it is found but not complete, the list
// is left empty if the file cannot be opened, holds the lines read before the
// failure if a read fails, and holds the first 32767 lines with their count if
// the file has more (the rest of the file is not read).
ListLoad load_info_code_list(InfoCodeList& list, const SettingsLocation& where);
// The same with the list file's path already located.
ListLoad load_info_code_file(InfoCodeList& list, const QString& path);

}  // namespace k4
