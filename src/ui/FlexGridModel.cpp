#include "ui/FlexGridModel.h"

#include "common/text.h"

namespace k4 {

Qt::Alignment qt_alignment(int flex_alignment, const QString& text)
{
    switch (flex_alignment) {
    case 0: return Qt::AlignLeft | Qt::AlignTop;
    case 1: return Qt::AlignLeft | Qt::AlignVCenter;
    case 2: return Qt::AlignLeft | Qt::AlignBottom;
    case 3: return Qt::AlignHCenter | Qt::AlignTop;
    case 4: return Qt::AlignCenter;
    case 5: return Qt::AlignHCenter | Qt::AlignBottom;
    case 6: return Qt::AlignRight | Qt::AlignTop;
    case 7: return Qt::AlignRight | Qt::AlignVCenter;
    case 8: return Qt::AlignRight | Qt::AlignBottom;
    default:
        return (property_number(text) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
    }
}

FlexGridModel::FlexGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void FlexGridModel::set_rows(int rows)
{
    if (rows < cells_.rows())
        data_dirty_ = true;  // rows the views still show are gone
    cells_.set_rows(rows);
}

void FlexGridModel::set_cols(int cols)
{
    cells_.set_cols(cols);
    column_alignments_.resize(std::size_t(cells_.cols()), general_alignment);
}

int FlexGridModel::column_alignment(int col) const
{
    return col >= 0 && std::size_t(col) < column_alignments_.size()
               ? column_alignments_[std::size_t(col)]
               : general_alignment;
}

void FlexGridModel::set_column_alignment(int col, int alignment)
{
    if (col < 0 || std::size_t(col) >= column_alignments_.size())
        return;
    column_alignments_[std::size_t(col)] = alignment;
    data_dirty_ = true;
}

int FlexGridModel::effective_alignment(int row, int col) const
{
    const int own = cells_.alignment(row, col);
    return own != GridCells::unset_alignment ? own : column_alignment(col);
}

bool FlexGridModel::flush()
{
    const int rows = std::max(cells_.rows() - 1, 0);
    const int cols = cells_.cols();
    if (cols != published_cols_) {
        beginResetModel();
        published_rows_ = rows;
        published_cols_ = cols;
        endResetModel();
        data_dirty_ = header_dirty_ = false;
        return true;
    }
    if (rows > published_rows_) {
        beginInsertRows(QModelIndex(), published_rows_, rows - 1);
        published_rows_ = rows;
        endInsertRows();
    } else if (rows < published_rows_) {
        beginRemoveRows(QModelIndex(), rows, published_rows_ - 1);
        published_rows_ = rows;
        endRemoveRows();
    }
    if (data_dirty_) {
        data_dirty_ = false;
        if (published_rows_ > 0 && published_cols_ > 0)
            Q_EMIT dataChanged(index(0, 0), index(published_rows_ - 1, published_cols_ - 1));
    }
    if (header_dirty_) {
        header_dirty_ = false;
        if (published_cols_ > 0)
            Q_EMIT headerDataChanged(Qt::Horizontal, 0, published_cols_ - 1);
    }
    return false;
}

int FlexGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : published_rows_;
}

int FlexGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : published_cols_;
}

QVariant FlexGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int row = index.row() + 1;
    switch (role) {
    case Qt::DisplayRole:
        return cells_.text(row, index.column());
    case Qt::TextAlignmentRole: {
        const int alignment = effective_alignment(row, index.column());
        // Only the general alignment depends on the text.
        return int(qt_alignment(alignment, alignment == general_alignment
                                               ? cells_.text(row, index.column())
                                               : QString()));
    }
    default:
        return {};
    }
}

QVariant FlexGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return cells_.text(0, section);
    case Qt::TextAlignmentRole: {
        const int own = cells_.alignment(0, section);
        return int(own != GridCells::unset_alignment ? qt_alignment(own, cells_.text(0, section))
                                                     : Qt::AlignLeft | Qt::AlignVCenter);
    }
    default:
        return {};
    }
}

Qt::ItemFlags FlexGridModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace k4
