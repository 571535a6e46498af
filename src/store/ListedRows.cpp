#include "store/ListedRows.h"

#include "common/text.h"

namespace k4 {

QByteArrayView ListedRows::cell(int row, Column column) const
{
    const std::size_t index = std::size_t(row - 1) * columns + std::size_t(column);
    const std::uint32_t begin = index == 0 ? 0 : ends_[index - 1];
    return QByteArrayView(texts_.data() + begin, qsizetype(ends_[index] - begin));
}

EntryValues ListedRows::stored(int row) const
{
    if (const auto at = exact_.find(row); at != exact_.end())
        return at->second;
    return {QString::fromUtf8(cell(row, partner)), QString::fromUtf8(cell(row, type)),
            QString::fromUtf8(cell(row, code))};
}

void ListedRows::append(const QByteArrayView (&values)[columns])
{
    // The grid shows values trimmed, but a change or deletion must name the
    // row exactly as stored: the few rows whose keys carry edge blanks (written
    // by other programs) keep their stored values apart.
    bool edged = false;
    for (int c = 0; c < columns; ++c) {
        const QByteArrayView value = trim_blanks(values[c]);
        edged = edged || (c != type_name && value.size() != values[c].size());
        texts_.append(value.data(), std::size_t(value.size()));
        ends_.push_back(std::uint32_t(texts_.size()));
    }
    if (edged)
        exact_.emplace(count(),
                       EntryValues{QString::fromUtf8(values[partner]),
                                   QString::fromUtf8(values[type]),
                                   QString::fromUtf8(values[code])});
}

}  // namespace k4
