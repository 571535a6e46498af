#include "ui/GridCells.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace k4 {

namespace {

constexpr std::uint32_t block_size = 64 * 1024;  // offsets fit in 16 bits
constexpr std::size_t max_blocks = UINT16_MAX;     // block UINT16_MAX marks an empty row
constexpr std::size_t compaction_floor = 256 * 1024;

void put_varint(std::string& out, std::uint32_t value)
{
    while (value >= 0x80) {
        out.push_back(char(std::uint8_t(value) | 0x80));
        value >>= 7;
    }
    out.push_back(char(value));
}

std::uint32_t get_varint(const char*& p)
{
    std::uint32_t value = 0;
    int shift = 0;
    for (;;) {
        const auto byte = std::uint8_t(*p++);
        value |= std::uint32_t(byte & 0x7F) << shift;
        if (!(byte & 0x80))
            return value;
        shift += 7;
    }
}

// UTF-16 to UTF-8, appended; a lone surrogate becomes U+FFFD.
void append_utf8(std::string& out, QStringView text)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = text[i].unicode();
        if (c < 0x80) {
            out.push_back(char(c));
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < n && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(char16_t(c), text[i + 1].unicode());
            ++i;
        } else if (QChar::isSurrogate(c)) {
            c = 0xFFFD;
        }
        if (c < 0x800) {
            out.push_back(char(0xC0 | (c >> 6)));
        } else if (c < 0x10000) {
            out.push_back(char(0xE0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (c >> 18)));
            out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        }
        out.push_back(char(0x80 | (c & 0x3F)));
    }
}

void put_cell_header(std::string& out, std::size_t length, int alignment)
{
    const std::size_t short_length = std::min<std::size_t>(length, 15);
    out.push_back(char((short_length << 4) | std::size_t(alignment & 0x0F)));
    if (short_length == 15)
        put_varint(out, std::uint32_t(length - 15));
}

}  // namespace

GridCells::GridCells(int rows, int cols)
{
    set_cols(cols);
    set_rows(rows);
}

const char* GridCells::record(int row) const
{
    const Ref ref = rows_[std::size_t(row)];
    return ref.empty() ? nullptr : blocks_[ref.block].get() + ref.offset;
}

// Reads a record; fills `cells` (when given) with the first `cols` cells and
// returns the record's size in bytes.
std::size_t GridCells::decode(const char* record, int cols, std::vector<CellView>* cells)
{
    const char* p = record;
    const int count = int(get_varint(p));
    if (cells)
        cells->assign(std::size_t(std::max(cols, 0)), CellView{});
    for (int i = 0; i < count; ++i) {
        const auto header = std::uint8_t(*p++);
        std::size_t length = header >> 4;
        if (length == 15)
            length += get_varint(p);
        if (cells && i < cols)
            (*cells)[std::size_t(i)] = {p, int(length), header & 0x0F};
        p += length;
    }
    return std::size_t(p - record);
}

std::size_t GridCells::record_size(int row) const
{
    const char* r = record(row);
    return r ? decode(r, 0, nullptr) : 0;
}

void GridCells::set_rows(int rows)
{
    rows = std::max(rows, 0);
    const int old = this->rows();
    if (rows < old) {
        for (int r = rows; r < old; ++r) {
            const std::size_t size = record_size(r);
            live_bytes_ -= size;
            garbage_bytes_ += size;
        }
        if (tail_row_ >= rows)
            tail_row_ = -1;
    }
    rows_.resize(std::size_t(rows), Ref{});
    if (garbage_bytes_ > live_bytes_ && garbage_bytes_ > compaction_floor)
        compact();
}

void GridCells::set_cols(int cols)
{
    cols = std::max(cols, 0);
    const int old = cols_;
    cols_ = cols;
    if (cols >= old)
        return;
    for (int r = 0; r < rows(); ++r) {
        const char* rec = record(r);
        if (!rec)
            continue;
        const char* p = rec;
        if (int(get_varint(p)) > cols)
            rewrite(r, -1, nullptr, 0);  // drops the cells beyond the last column
    }
}

std::optional<GridCells::CellView> GridCells::cell(int row, int col) const
{
    if (row < 0 || row >= rows() || col < 0 || col >= cols_)
        return std::nullopt;
    const char* p = record(row);
    if (!p)
        return std::nullopt;
    const int count = int(get_varint(p));
    for (int i = 0; i < count; ++i) {
        const auto header = std::uint8_t(*p++);
        std::size_t length = header >> 4;
        if (length == 15)
            length += get_varint(p);
        if (i == col)
            return CellView{p, int(length), header & 0x0F};
        p += length;
    }
    return std::nullopt;
}

QString GridCells::text(int row, int col) const
{
    const std::optional<CellView> c = cell(row, col);
    return c ? QString::fromUtf8(c->data, c->length) : QString();
}

int GridCells::alignment(int row, int col) const
{
    const std::optional<CellView> c = cell(row, col);
    return c ? c->alignment : unset_alignment;
}

bool GridCells::set_text(int row, int col, const QString& text)
{
    if (row < 0 || row >= rows() || col < 0 || col >= cols_)
        return false;
    if (text.isEmpty() && !record(row))
        return true;  // already empty
    rewrite(row, col, &text, -1);
    return true;
}

bool GridCells::set_alignment(int row, int col, int alignment)
{
    if (row < 0 || row >= rows() || col < 0 || col >= cols_)
        return false;
    if (alignment < 0 || alignment > 9)
        alignment = unset_alignment;
    if (alignment == unset_alignment && !record(row))
        return true;
    rewrite(row, col, nullptr, alignment);
    return true;
}

bool GridCells::set_row_texts(int row, int first_col, std::span<const QByteArrayView> utf8_texts)
{
    const auto n = std::ptrdiff_t(utf8_texts.size());
    if (row < 0 || row >= rows() || first_col < 0 || first_col + n > cols_)
        return false;
    const char* old = record(row);
    if (old)
        decode(old, cols_, &views_);
    else
        views_.assign(std::size_t(cols_), CellView{});
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        CellView& v = views_[std::size_t(first_col + i)];
        v.data = utf8_texts[std::size_t(i)].data();
        v.length = int(utf8_texts[std::size_t(i)].size());
    }
    int count = 0;
    for (int i = 0; i < cols_; ++i) {
        const CellView& v = views_[std::size_t(i)];
        if (v.length > 0 || v.alignment != unset_alignment)
            count = i + 1;
    }
    if (count == 0 && !old)
        return true;  // stays empty
    scratch_.clear();
    put_varint(scratch_, std::uint32_t(count));
    for (int i = 0; i < count; ++i) {
        const CellView& v = views_[std::size_t(i)];
        put_cell_header(scratch_, std::size_t(v.length), v.alignment);
        scratch_.append(v.data, std::size_t(v.length));
    }
    store(row, scratch_);
    return true;
}

void GridCells::rewrite(int row, int col, const QString* text, int alignment)
{
    const char* old = record(row);
    if (old)
        decode(old, cols_, &views_);
    else
        views_.assign(std::size_t(cols_), CellView{});

    // New alignment of the changed cell (-1: keep).
    if (col >= 0 && alignment >= 0)
        views_[std::size_t(col)].alignment = alignment;

    // Cells after the last one holding anything are left out of the record.
    int count = 0;
    for (int i = 0; i < cols_; ++i) {
        const CellView& v = views_[std::size_t(i)];
        const bool has_text = (i == col && text) ? !text->isEmpty() : v.length > 0;
        if (has_text || v.alignment != unset_alignment)
            count = i + 1;
    }

    scratch_.clear();
    put_varint(scratch_, std::uint32_t(count));
    for (int i = 0; i < count; ++i) {
        const CellView& v = views_[std::size_t(i)];
        if (i == col && text) {
            // Encode after the header, then patch the header once the length is known.
            const std::size_t header_at = scratch_.size();
            scratch_.push_back('\0');
            const std::size_t text_at = scratch_.size();
            append_utf8(scratch_, *text);
            const std::size_t length = scratch_.size() - text_at;
            if (length < 15) {
                scratch_[header_at] = char((length << 4) | std::size_t(v.alignment & 0x0F));
            } else {
                std::string header;
                put_cell_header(header, length, v.alignment);
                scratch_.replace(header_at, 1, header);
            }
        } else {
            put_cell_header(scratch_, std::size_t(v.length), v.alignment);
            scratch_.append(v.data, std::size_t(v.length));
        }
    }
    store(row, scratch_);
}

char* GridCells::allocate(std::size_t size, Ref& where)
{
    if (blocks_.empty() || tail_used_ + size > block_sizes_.back()) {
        if (blocks_.size() >= max_blocks)
            throw std::length_error("grid cells exceed the storage's addressable size");
        if (!blocks_.empty())
            garbage_bytes_ += block_sizes_.back() - tail_used_;  // the old block's unused tail
        const auto capacity = std::uint32_t(std::max<std::size_t>(block_size, size));
        blocks_.push_back(std::make_unique<char[]>(capacity));
        block_sizes_.push_back(capacity);
        tail_used_ = 0;
        tail_row_ = -1;
    }
    where = {std::uint16_t(blocks_.size() - 1), std::uint16_t(tail_used_)};
    tail_used_ += std::uint32_t(size);
    return blocks_.back().get() + where.offset;
}

void GridCells::store(int row, const std::string& rec)
{
    Ref& ref = rows_[std::size_t(row)];
    const std::size_t old_size = ref.empty() ? 0 : decode(record(row), 0, nullptr);
    const bool at_tail = !ref.empty() && row == tail_row_ && ref.block == blocks_.size() - 1
                         && ref.offset + old_size == tail_used_;
    live_bytes_ -= old_size;

    if (rec.size() == 1 && rec[0] == '\0') {  // nothing left in the row
        if (at_tail) {
            tail_used_ = ref.offset;
            tail_row_ = -1;
        } else {
            garbage_bytes_ += old_size;
        }
        ref = Ref{};
        return;
    }

    if (at_tail && ref.offset + rec.size() <= block_sizes_.back()) {
        std::memcpy(blocks_.back().get() + ref.offset, rec.data(), rec.size());
        tail_used_ = ref.offset + std::uint32_t(rec.size());
    } else {
        if (at_tail)
            tail_used_ = ref.offset;  // give the old place back before moving on
        else
            garbage_bytes_ += old_size;
        Ref where;
        char* place = allocate(rec.size(), where);
        std::memcpy(place, rec.data(), rec.size());
        ref = where;
        tail_row_ = row;
    }
    live_bytes_ += rec.size();

    if (garbage_bytes_ > live_bytes_ && garbage_bytes_ > compaction_floor)
        compact();
}

void GridCells::compact()
{
    std::vector<std::unique_ptr<char[]>> old_blocks;
    old_blocks.swap(blocks_);
    block_sizes_.clear();
    tail_used_ = 0;
    tail_row_ = -1;
    garbage_bytes_ = 0;
    live_bytes_ = 0;
    for (int r = 0; r < rows(); ++r) {
        Ref& ref = rows_[std::size_t(r)];
        if (ref.empty())
            continue;
        const char* rec = old_blocks[ref.block].get() + ref.offset;
        const std::size_t size = decode(rec, 0, nullptr);
        Ref where;
        std::memcpy(allocate(size, where), rec, size);
        ref = where;
        tail_row_ = r;
        live_bytes_ += size;
    }
}

void GridCells::clear()
{
    blocks_.clear();
    block_sizes_.clear();
    tail_used_ = 0;
    tail_row_ = -1;
    live_bytes_ = 0;
    garbage_bytes_ = 0;
    std::fill(rows_.begin(), rows_.end(), Ref{});
}

std::size_t GridCells::memory_bytes() const
{
    std::size_t bytes = sizeof(*this);
    for (std::uint32_t size : block_sizes_)
        bytes += size;
    bytes += rows_.capacity() * sizeof(Ref);
    bytes += blocks_.capacity() * sizeof(std::unique_ptr<char[]>);
    bytes += block_sizes_.capacity() * sizeof(std::uint32_t);
    bytes += scratch_.capacity() + views_.capacity() * sizeof(CellView);
    return bytes;
}

}  // namespace k4
