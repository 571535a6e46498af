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

// Loads the list file named by EDI.ini into `list`. Status 0 when the whole
// file was loaded. Status 9 when the file is missing (the list stays as it
// was), when it cannot be opened (the list is left empty), when a read fails
// (the lines read before the failure stay), or when it has more than 32767
// lines (the first 32767 stay in the list with their count; the rest of the
// file is not read).
void load_info_code_list(InfoCodeList& list, const SettingsLocation& where, int& status);
// The same with the list file's path already located. False when no list file
// is found at `path` (status 9, the list stays as it was).
bool load_info_code_file(InfoCodeList& list, const QString& path, int& status);

}  // namespace k4
