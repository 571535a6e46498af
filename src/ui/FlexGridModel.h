#pragma once
// The item model behind FlexGrid. Grid row 0 (the fixed header row) is the
// view's horizontal header; grid row r >= 1 is model row r - 1.
//
// Writes go to the cell storage at once, but the view is told about them only
// when flush() runs: until then rowCount()/columnCount() keep reporting what
// the view was last told, so that a fill of many rows costs one insertion
// notice and one change notice instead of one per row and cell.

#include "ui/GridCells.h"

#include <QAbstractTableModel>
#include <vector>

namespace k4 {

// Classic cell alignments 0..8 (left/centre/right by top/centre/bottom) and
// 9 "general": text left, numbers right, both vertically centred.
Qt::Alignment qt_alignment(int flex_alignment, const QString& text);
constexpr int general_alignment = 9;

class FlexGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit FlexGridModel(QObject* parent = nullptr);

    GridCells& cells() { return cells_; }
    const GridCells& cells() const { return cells_; }

    // Grid shape, header row included; the views learn of it at the next flush.
    void set_rows(int rows);
    void set_cols(int cols);

    int column_alignment(int col) const;
    void set_column_alignment(int col, int alignment);
    // The alignment a cell is shown with: its own, else its column's.
    int effective_alignment(int row, int col) const;

    // Marks what the next flush must report.
    void mark_data_changed() { data_dirty_ = true; }
    void mark_header_changed() { header_dirty_ = true; }

    // Tells the views everything changed since the last flush; returns true
    // when the model was reset (the column count changed).
    bool flush();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    GridCells cells_;
    std::vector<int> column_alignments_;
    int published_rows_ = 0;   // data rows the views know of
    int published_cols_ = 0;
    bool data_dirty_ = false;
    bool header_dirty_ = false;
};

}  // namespace k4
