#pragma once
// A grid with the operations of the classic flex grid the screens were designed
// on: Cols, Rows, Row, Col, RowSel, ColSel, TopRow, Text, TextMatrix, ColWidth,
// RowHeight, ColAlignment, CellAlignment, Clear, Refresh, and the events Click,
// DblClick, KeyDown and RowColChange. One fixed header row (row 0); a column of
// width 0 is hidden. Lengths are in twips.
//
// Built on QTableView over a model of our own that stores the cells compactly
// (no object per cell) with one uniform data-row height, so that 100,000 rows
// fill quickly and scroll without stalling.

#include <QTableView>
#include <memory>

namespace k4 {

class FlexGridModel;

class FlexGrid : public QTableView {
    Q_OBJECT
public:
    explicit FlexGrid(QWidget* parent = nullptr);
    ~FlexGrid() override;

    int Cols() const;
    void setCols(int cols);
    int Rows() const;          // header row included
    void setRows(int rows);

    int Row() const;           // current cell
    void setRow(int row);      // raises RowColChange when the current cell moves
    int Col() const;
    void setCol(int col);
    int RowSel() const;
    void setRowSel(int row);
    int ColSel() const;
    void setColSel(int col);
    int TopRow() const;
    void setTopRow(int row);

    QString Text() const;                 // text of the current cell
    void setText(const QString& text);
    QString TextMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString& text);

    int ColWidth(int col) const;          // twips
    void setColWidth(int col, int twips);
    int RowHeight(int row) const;         // twips
    void setRowHeight(int row, int twips);
    int ColAlignment(int col) const;
    void setColAlignment(int col, int alignment);
    int CellAlignment() const;            // of the current cell
    void setCellAlignment(int alignment);

    void Clear();     // empties every cell; the number of rows and columns stays
    void Refresh();

    // Coalesces model notifications while many cells are written; the view is
    // told once at the end.
    void begin_bulk_update();
    void end_bulk_update();

    qreal dpi() const;

Q_SIGNALS:
    void Click();
    void DblClick();
    void KeyDown(int& key_code, int shift);
    void RowColChange();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    std::unique_ptr<FlexGridModel> model_;
    // further state private to the implementation
};

}  // namespace k4
