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
    std::vector<info_code_entry> info_code_list;
    int info_code_count = 0;

    // The first of entries 0 .. info_code_count - 1 whose code, trimmed of
    // blanks, equals `code` trimmed of blanks; nullptr when none does.
    // The index follows changes of the list's size or count by itself; after
    // changing an entry's code in place call rebuild_index().
    const info_code_entry* find(const QString& code) const;

    // Replaces the list (count = number of entries) and indexes it.
    void assign(std::vector<info_code_entry> entries);
    void rebuild_index() const;

private:
    // Open addressing over entry positions (-1 = free), sized to a power of two
    // at least twice the count: one block, no allocation per code.
    mutable std::vector<int> slots_;
    mutable const info_code_entry* indexed_data_ = nullptr;
    mutable size_t indexed_size_ = 0;
    mutable int indexed_count_ = 0;
};

// Loads the list file named by EDI.ini into `list`. Status 0 when the whole
// file was loaded. Status 9 when the file is missing (the list stays as it
// was), when it cannot be read (the list is left empty), or when it has more
// than 32767 lines (the first 32767 stay in the list with their count).
void load_info_code_list(InfoCodeList& list, const SettingsLocation& where, int& status);

}  // namespace k4
