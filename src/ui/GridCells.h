#pragma once
// Compact storage of a grid's cells: no object per cell. Each row is one
// packed record (per cell its alignment and length, then its text in UTF-8)
// kept in 64 KiB blocks, and the row table holds one reference per row. A row
// never written holds no record at all. Rewriting the row last written reuses
// its place, so filling a grid row by row leaves no garbage; records left
// behind by other rewrites are reclaimed once they outweigh the live ones.

#include <QByteArrayView>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace k4 {

class GridCells {
public:
    // Cell alignment not set: the column's alignment applies.
    static constexpr int unset_alignment = 15;

    GridCells(int rows = 0, int cols = 0);

    int rows() const { return int(rows_.size()); }
    int cols() const { return cols_; }
    // Growing adds empty rows (amortised constant time per row); shrinking
    // drops the rows beyond.
    void set_rows(int rows);
    // Shrinking drops the texts of the columns beyond; growing adds empty ones.
    void set_cols(int cols);

    // Out-of-range cells read as empty and unset.
    QString text(int row, int col) const;
    int alignment(int row, int col) const;
    bool set_text(int row, int col, const QString& text);        // false when out of range
    bool set_alignment(int row, int col, int alignment);         // 0..9 or unset_alignment
    // Sets the texts of cells first_col, first_col + 1, ... of `row` at once
    // from UTF-8 bytes, keeping their alignments: the same cells as one
    // set_text per cell, built in one step. False (nothing written) when any
    // of the cells is out of range.
    bool set_row_texts(int row, int first_col, std::span<const QByteArrayView> utf8_texts);

    // Empties every cell (texts and alignments); rows and columns stay.
    void clear();

    // Bytes held for the cells: blocks, row table and bookkeeping.
    std::size_t memory_bytes() const;

private:
    // Where a row's record lies: a block (at most 65,535 of them) and an
    // offset inside it. A record larger than a block gets a block of its own
    // and starts at offset 0.
    struct Ref {
        std::uint16_t block = UINT16_MAX;
        std::uint16_t offset = UINT16_MAX;
        bool empty() const { return block == UINT16_MAX; }
    };
    struct CellView {
        const char* data = nullptr;
        int length = 0;
        int alignment = unset_alignment;
    };

    const char* record(int row) const;
    // Cell (row, col) as stored; nothing for a cell out of range or never written.
    std::optional<CellView> cell(int row, int col) const;
    static std::size_t decode(const char* record, int cols, std::vector<CellView>* cells);
    std::size_t record_size(int row) const;
    // Builds the row's record with cell `col` replaced and stores it.
    void rewrite(int row, int col, const QString* text, int alignment);
    void store(int row, const std::string& record);
    char* allocate(std::size_t size, Ref& where);
    void compact();

    std::vector<Ref> rows_;
    int cols_ = 0;
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::vector<std::uint32_t> block_sizes_;
    std::uint32_t tail_used_ = 0;   // bytes used in the last block
    int tail_row_ = -1;             // row whose record ends the last block
    std::size_t live_bytes_ = 0;
    std::size_t garbage_bytes_ = 0;
    std::string scratch_;
    std::vector<CellView> views_;
};

}  // namespace k4
