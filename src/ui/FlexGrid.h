#pragma once
// A grid with the operations of the classic flex grid the screens were designed
// on: Cols, Rows, Row, Col, RowSel, ColSel, TopRow, Text, TextMatrix, ColWidth,
// RowHeight, ColAlignment, CellAlignment, Clear, Refresh, and the events Click,
// DblClick, KeyDown and RowColChange. One fixed header row (row 0, shown as
// the view's header); a column of width 0 is hidden. Lengths are in twips.
//
// Built on QTableView over a model of our own that stores the cells compactly
// (no object per cell) with one uniform data-row height, so that 100,000 rows
// fill quickly and scroll without stalling. The grid's own state (current
// cell, selection, cells) changes at once; the view catches up once per batch
// of changes: at Refresh, at end_bulk_update, or when control returns to the
// event loop.
//
// Current cell and selection: setting Row or Col moves the current cell and
// collapses the selection onto it; RowSel and ColSel then extend it. A
// selection of more than one cell is shown highlighted (so Col = 0, ColSel = 5
// highlights the current row); a single cell shows only its focus frame.
// RowColChange is raised whenever the current cell moves, by the program or
// by the operator.
//
// Out-of-range rows or columns are not errors here: reads give the empty text
// or 0, writes are ignored, and both are logged.

#include <QByteArrayView>
#include <QItemSelection>
#include <QTableView>
#include <cstddef>
#include <memory>
#include <span>
#include <vector>

namespace k4 {

class FlexGridModel;

class FlexGrid : public QTableView {
    Q_OBJECT
public:
    explicit FlexGrid(QWidget* parent = nullptr);
    ~FlexGrid() override;

    int Cols() const;
    void setCols(int cols);    // at least 1
    int Rows() const;          // header row included
    void setRows(int rows);    // at least 1 (the header row)

    int Row() const;           // current cell
    void setRow(int row);
    int Col() const;
    void setCol(int col);
    int RowSel() const;        // the other corner of the selection
    void setRowSel(int row);
    int ColSel() const;
    void setColSel(int col);
    int TopRow() const;        // first data row in view
    void setTopRow(int row);

    QString Text() const;                 // text of the current cell
    void setText(const QString& text);
    QString TextMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString& text);
    // TextMatrix of cells (row, first_col), (row, first_col + 1), ... set at
    // once from UTF-8 texts, the cells' alignments kept: for fills of many
    // rows from data that is UTF-8 already. Nothing is written when a cell
    // is out of range.
    void set_row_texts(int row, int first_col, std::span<const QByteArrayView> utf8_texts);

    int ColWidth(int col) const;          // twips; 0 hides the column
    void setColWidth(int col, int twips); // a negative width restores the default
    // Row 0 is the header's height; every data row shares one height, so
    // setting it for any data row sets it for all of them.
    int RowHeight(int row) const;
    void setRowHeight(int row, int twips);
    int ColAlignment(int col) const;      // 0..8, 9 general
    void setColAlignment(int col, int alignment);
    int CellAlignment() const;            // of the current cell (its column's when unset)
    void setCellAlignment(int alignment);

    void Clear();     // empties every cell; the number of rows and columns stays
    void Refresh();   // brings the view up to date and repaints it

    // Holds the view's catching up while many cells are written; the view is
    // told once at the end. Calls may nest.
    void begin_bulk_update();
    void end_bulk_update();

    qreal dpi() const;
    // Bytes held for the cells (for measurements).
    std::size_t storage_bytes() const;

Q_SIGNALS:
    void Click();
    void DblClick();
    // Before the grid's own handling of the key; setting key_code to 0
    // consumes the key.
    void KeyDown(int& key_code, int shift);
    void RowColChange();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    bool valid_row(int row, const char* what) const;
    bool valid_col(int col, const char* what) const;
    void move_current(int row, int col);
    void user_move(int row, int col);
    int next_visible_col(int from, int step) const;
    int rows_per_page() const;
    int data_cell_at(const QPoint& pos, int* col) const;

    void schedule_sync();
    void sync_now();
    void apply_layout();
    void apply_current_and_selection();
    void scroll_to_current();

    std::unique_ptr<FlexGridModel> model_;
    std::vector<int> col_widths_;   // twips; negative: default width
    int data_row_height_ = -1;      // twips; negative: the style's default
    int header_height_ = -1;
    int row_ = 0, col_ = 0, row_sel_ = 0, col_sel_ = 0;
    int bulk_depth_ = 0;
    bool sync_pending_ = false;
    bool layout_dirty_ = true;
    bool scroll_pending_ = false;
    bool click_after_double_ = false;
    QItemSelection shown_selection_;
};

}  // namespace k4
