#pragma once
// The rows of a list read from the master, held the way the grid stores its
// cells: UTF-8, trimmed of blanks, in one buffer, so that tens of thousands of
// rows cost a few allocations and no cell is converted on the way to the grid.

#include "store/EntryValues.h"

#include <QByteArrayView>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace k4 {

class ListedRows {
public:
    // The columns of a listed row, in the list statement's order.
    enum Column { partner = 0, type = 1, type_name = 2, code = 3 };
    static constexpr int columns = 4;

    int count() const { return int(ends_.size() / columns); }
    bool empty() const { return ends_.empty(); }
    // The cell of row `row` (1 .. count()), trimmed of blanks.
    QByteArrayView cell(int row, Column column) const;
    // The row's values exactly as the table holds them (also when its cells
    // carry edge blanks, which the grid does not show).
    EntryValues stored(int row) const;
    // The stored values of the rows whose keys carry edge blanks, by row.
    const std::unordered_map<int, EntryValues>& exact() const { return exact_; }

    // Appends one row: its four values as read (a Null as empty).
    void append(const QByteArrayView (&values)[columns]);

private:
    std::string texts_;
    std::vector<std::uint32_t> ends_;  // where each cell ends in texts_, 4 per row
    std::unordered_map<int, EntryValues> exact_;
};

}  // namespace k4
