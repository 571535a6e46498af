#include "ui/FlexGrid.h"

#include "ui/Controls.h"
#include "ui/FlexGridModel.h"
#include "ui/Form.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <algorithm>

namespace k4 {

namespace {

Q_LOGGING_CATEGORY(lcGrid, "k4.ui.grid")

constexpr int default_cols = 2;
constexpr int default_rows = 2;  // the header row and one data row

}  // namespace

FlexGrid::FlexGrid(QWidget* parent)
    : QTableView(parent), model_(std::make_unique<FlexGridModel>())
{
    model_->set_cols(default_cols);
    model_->set_rows(default_rows);
    col_widths_.assign(std::size_t(default_cols), -1);
    setModel(model_.get());

    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The grid keeps its own current cell and selection and shows them; the
    // view's own selection handling stays out of the way.
    setSelectionMode(QAbstractItemView::NoSelection);
    setTabKeyNavigation(false);
    setAutoScroll(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(1);
    rows->setSectionResizeMode(QHeaderView::Fixed);

    QHeaderView* header = horizontalHeader();
    header->setMinimumSectionSize(1);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);

    // The highlight of a selected row stays visible when the focus is elsewhere.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);

    sync_now();
}

FlexGrid::~FlexGrid()
{
    setModel(nullptr);
}

// Shape.

int FlexGrid::Cols() const { return model_->cells().cols(); }
int FlexGrid::Rows() const { return model_->cells().rows(); }

void FlexGrid::setCols(int cols)
{
    cols = std::max(cols, 1);
    if (cols == Cols())
        return;
    model_->set_cols(cols);
    col_widths_.resize(std::size_t(cols), -1);
    layout_dirty_ = true;
    col_sel_ = std::min(col_sel_, cols - 1);
    schedule_sync();
    if (col_ > cols - 1) {
        col_ = cols - 1;
        Q_EMIT RowColChange();
    }
}

void FlexGrid::setRows(int rows)
{
    rows = std::max(rows, 1);
    if (rows == Rows())
        return;
    model_->set_rows(rows);
    row_sel_ = std::min(row_sel_, rows - 1);
    schedule_sync();
    if (row_ > rows - 1) {
        row_ = rows - 1;
        Q_EMIT RowColChange();
    }
}

bool FlexGrid::valid_row(int row, const char* what) const
{
    if (row >= 0 && row < Rows())
        return true;
    qCWarning(lcGrid) << objectName() << what << "row" << row << "is outside 0 to" << Rows() - 1;
    return false;
}

bool FlexGrid::valid_col(int col, const char* what) const
{
    if (col >= 0 && col < Cols())
        return true;
    qCWarning(lcGrid) << objectName() << what << "column" << col << "is outside 0 to" << Cols() - 1;
    return false;
}

// Current cell and selection.

int FlexGrid::Row() const { return row_; }
int FlexGrid::Col() const { return col_; }
int FlexGrid::RowSel() const { return row_sel_; }
int FlexGrid::ColSel() const { return col_sel_; }

void FlexGrid::setRow(int row)
{
    if (valid_row(row, "Row"))
        move_current(row, col_);
}

void FlexGrid::setCol(int col)
{
    if (valid_col(col, "Col"))
        move_current(row_, col);
}

void FlexGrid::setRowSel(int row)
{
    if (!valid_row(row, "RowSel"))
        return;
    row_sel_ = row;
    schedule_sync();
}

void FlexGrid::setColSel(int col)
{
    if (!valid_col(col, "ColSel"))
        return;
    col_sel_ = col;
    schedule_sync();
}

void FlexGrid::move_current(int row, int col)
{
    const bool moved = row != row_ || col != col_;
    row_ = row_sel_ = row;
    col_ = col_sel_ = col;
    schedule_sync();
    if (moved)
        Q_EMIT RowColChange();
}

void FlexGrid::user_move(int row, int col)
{
    QPointer<FlexGrid> guard(this);
    move_current(row, col);
    if (!guard)
        return;
    scroll_pending_ = true;
    sync_now();
}

int FlexGrid::TopRow() const
{
    auto* self = const_cast<FlexGrid*>(this);
    self->sync_now();
    const int top = rowAt(0);
    return top >= 0 ? top + 1 : std::min(1, Rows() - 1);
}

void FlexGrid::setTopRow(int row)
{
    if (row < 1 || row >= Rows()) {
        qCWarning(lcGrid) << objectName() << "TopRow" << row << "is not a data row";
        return;
    }
    sync_now();
    updateGeometries();
    verticalScrollBar()->setValue(row - 1);
}

// Cells.

QString FlexGrid::Text() const { return model_->cells().text(row_, col_); }
void FlexGrid::setText(const QString& text) { setTextMatrix(row_, col_, text); }

QString FlexGrid::TextMatrix(int row, int col) const
{
    if (!valid_row(row, "TextMatrix") || !valid_col(col, "TextMatrix"))
        return {};
    return model_->cells().text(row, col);
}

void FlexGrid::setTextMatrix(int row, int col, const QString& text)
{
    if (!valid_row(row, "TextMatrix") || !valid_col(col, "TextMatrix"))
        return;
    model_->cells().set_text(row, col, text);
    if (row == 0)
        model_->mark_header_changed();
    else
        model_->mark_data_changed();
    schedule_sync();
}

void FlexGrid::set_row_texts(int row, int first_col, std::span<const QByteArrayView> utf8_texts)
{
    if (utf8_texts.empty())
        return;
    if (!valid_row(row, "TextMatrix") || !valid_col(first_col, "TextMatrix")
        || !valid_col(first_col + int(utf8_texts.size()) - 1, "TextMatrix"))
        return;
    model_->cells().set_row_texts(row, first_col, utf8_texts);
    if (row == 0)
        model_->mark_header_changed();
    else
        model_->mark_data_changed();
    schedule_sync();
}

int FlexGrid::ColWidth(int col) const
{
    if (!valid_col(col, "ColWidth"))
        return 0;
    const int width = col_widths_[std::size_t(col)];
    return width >= 0 ? width : pixels_to_twips(horizontalHeader()->defaultSectionSize(), dpi());
}

void FlexGrid::setColWidth(int col, int twips)
{
    if (!valid_col(col, "ColWidth"))
        return;
    int& width = col_widths_[std::size_t(col)];
    const int wanted = std::max(twips, -1);
    if (width == wanted)
        return;
    width = wanted;
    layout_dirty_ = true;
    schedule_sync();
}

int FlexGrid::RowHeight(int row) const
{
    if (!valid_row(row, "RowHeight"))
        return 0;
    const qreal dpi_y = logicalDpiY();
    if (row == 0)
        return header_height_ >= 0 ? header_height_
                                   : pixels_to_twips(horizontalHeader()->sizeHint().height(), dpi_y);
    return data_row_height_ >= 0 ? data_row_height_
                                 : pixels_to_twips(verticalHeader()->defaultSectionSize(), dpi_y);
}

void FlexGrid::setRowHeight(int row, int twips)
{
    if (!valid_row(row, "RowHeight"))
        return;
    int& height = row == 0 ? header_height_ : data_row_height_;
    const int wanted = std::max(twips, -1);
    if (height == wanted)
        return;
    height = wanted;
    layout_dirty_ = true;
    schedule_sync();
}

int FlexGrid::ColAlignment(int col) const
{
    return valid_col(col, "ColAlignment") ? model_->column_alignment(col) : 0;
}

void FlexGrid::setColAlignment(int col, int alignment)
{
    if (!valid_col(col, "ColAlignment"))
        return;
    model_->set_column_alignment(col, std::clamp(alignment, 0, general_alignment));
    schedule_sync();
}

int FlexGrid::CellAlignment() const
{
    return model_->effective_alignment(row_, col_);
}

void FlexGrid::setCellAlignment(int alignment)
{
    model_->cells().set_alignment(row_, col_, std::clamp(alignment, 0, general_alignment));
    if (row_ == 0)
        model_->mark_header_changed();
    else
        model_->mark_data_changed();
    schedule_sync();
}

void FlexGrid::Clear()
{
    model_->cells().clear();
    model_->mark_data_changed();
    model_->mark_header_changed();
    schedule_sync();
}

void FlexGrid::Refresh()
{
    sync_now();
    viewport()->update();
    horizontalHeader()->viewport()->update();
}

void FlexGrid::begin_bulk_update() { ++bulk_depth_; }

void FlexGrid::end_bulk_update()
{
    if (bulk_depth_ > 0 && --bulk_depth_ == 0)
        sync_now();
}

qreal FlexGrid::dpi() const { return logicalDpiX(); }

std::size_t FlexGrid::storage_bytes() const { return model_->cells().memory_bytes(); }

// Bringing the view up to date.

void FlexGrid::schedule_sync()
{
    if (sync_pending_ || bulk_depth_ > 0)
        return;
    sync_pending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (sync_pending_ && bulk_depth_ == 0)
                sync_now();
        },
        Qt::QueuedConnection);
}

void FlexGrid::sync_now()
{
    sync_pending_ = false;
    // The data-row height goes first, so that rows inserted below take it
    // without a resize per row.
    if (data_row_height_ >= 0) {
        const int px = twips_to_pixels(data_row_height_, logicalDpiY());
        if (verticalHeader()->defaultSectionSize() != px)
            verticalHeader()->setDefaultSectionSize(std::max(px, 1));
    }
    if (model_->flush())
        layout_dirty_ = true;  // a reset forgets widths and hidden columns
    if (layout_dirty_)
        apply_layout();
    apply_current_and_selection();
    if (scroll_pending_)
        scroll_to_current();
}

void FlexGrid::apply_layout()
{
    layout_dirty_ = false;
    QHeaderView* header = horizontalHeader();
    const qreal dpi_x = logicalDpiX();
    const int cols = std::min<int>(model_->columnCount(), int(col_widths_.size()));
    for (int c = 0; c < cols; ++c) {
        const int width = col_widths_[std::size_t(c)];
        if (width == 0) {
            if (!isColumnHidden(c))
                setColumnHidden(c, true);
            continue;
        }
        if (isColumnHidden(c))
            setColumnHidden(c, false);
        const int px = width < 0 ? header->defaultSectionSize() : twips_to_pixels(width, dpi_x);
        if (header->sectionSize(c) != px)
            header->resizeSection(c, std::max(px, 1));
    }
    if (header_height_ >= 0) {
        header->setFixedHeight(twips_to_pixels(header_height_, logicalDpiY()));
    } else {
        header->setMinimumHeight(0);
        header->setMaximumHeight(QWIDGETSIZE_MAX);
    }
}

void FlexGrid::apply_current_and_selection()
{
    QItemSelectionModel* selection = selectionModel();
    if (!selection)
        return;
    const int data_rows = model_->rowCount();
    const int cols = model_->columnCount();
    QModelIndex current;
    if (row_ >= 1 && row_ - 1 < data_rows && col_ < cols)
        current = model_->index(row_ - 1, col_);
    if (selection->currentIndex() != current)
        selection->setCurrentIndex(current, QItemSelectionModel::NoUpdate);

    QItemSelection shown;
    const int top = std::max(std::min(row_, row_sel_), 1);
    const int bottom = std::min(std::max(row_, row_sel_), data_rows);
    const int left = std::min(col_, col_sel_);
    const int right = std::min(std::max(col_, col_sel_), cols - 1);
    if ((row_ != row_sel_ || col_ != col_sel_) && top <= bottom && left <= right)
        shown.select(model_->index(top - 1, left), model_->index(bottom - 1, right));
    if (selection->selection() != shown)
        selection->select(shown, QItemSelectionModel::ClearAndSelect);
}

int FlexGrid::rows_per_page() const
{
    const int row_height = std::max(verticalHeader()->defaultSectionSize(), 1);
    return std::max(viewport()->height() / row_height, 1);
}

void FlexGrid::scroll_to_current()
{
    scroll_pending_ = false;
    if (row_ < 1 || row_ - 1 >= model_->rowCount() || col_ >= model_->columnCount())
        return;
    updateGeometries();
    if (!isColumnHidden(col_)) {
        scrollTo(model_->index(row_ - 1, col_));
        return;
    }
    // A hidden column cannot be scrolled to; keep the row in view.
    QScrollBar* bar = verticalScrollBar();
    const int r = row_ - 1;
    const int page = rows_per_page();
    if (r < bar->value())
        bar->setValue(r);
    else if (r >= bar->value() + page)
        bar->setValue(r - page + 1);
}

// Operator input.

int FlexGrid::next_visible_col(int from, int step) const
{
    for (int c = from + step; c >= 0 && c < Cols(); c += step) {
        if (col_widths_[std::size_t(c)] != 0)
            return c;
    }
    return -1;
}

int FlexGrid::data_cell_at(const QPoint& pos, int* col) const
{
    const QModelIndex index = indexAt(pos);
    if (!index.isValid())
        return -1;
    *col = index.column();
    return index.row() + 1;
}

void FlexGrid::keyPressEvent(QKeyEvent* event)
{
    QPointer<FlexGrid> guard(this);
    int key_code = vb_key_code(event);
    if (key_code != 0) {
        Q_EMIT KeyDown(key_code, vb_shift_state(event->modifiers()));
        if (!guard)
            return;
        if (key_code == 0) {
            event->accept();
            return;
        }
    }

    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const int last_row = Rows() - 1;
    const int first_col = next_visible_col(-1, 1);
    const int last_col = next_visible_col(Cols(), -1);
    const int page = rows_per_page();
    switch (event->key()) {
    case Qt::Key_Up:
        if (row_ > 1)
            user_move(row_ - 1, col_);
        break;
    case Qt::Key_Down:
        if (row_ < last_row)
            user_move(row_ + 1, col_);
        break;
    case Qt::Key_PageUp:
        if (row_ > 1)
            user_move(std::max(row_ - page, 1), col_);
        break;
    case Qt::Key_PageDown:
        if (row_ < last_row)
            user_move(std::min(std::max(row_, 0) + page, last_row), col_);
        break;
    case Qt::Key_Left:
        if (const int c = next_visible_col(col_, -1); c >= 0)
            user_move(row_, c);
        break;
    case Qt::Key_Right:
        if (const int c = next_visible_col(col_, 1); c >= 0)
            user_move(row_, c);
        break;
    case Qt::Key_Home:
        if (first_col >= 0)
            user_move(ctrl && last_row >= 1 ? 1 : row_, first_col);
        break;
    case Qt::Key_End:
        if (last_col >= 0)
            user_move(ctrl && last_row >= 1 ? last_row : row_, last_col);
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
}

void FlexGrid::mousePressEvent(QMouseEvent* event)
{
    click_after_double_ = false;
    if ((focusPolicy() & Qt::ClickFocus) && !hasFocus())
        setFocus(Qt::MouseFocusReason);
    int col = 0;
    if (event->button() == Qt::LeftButton) {
        if (const int row = data_cell_at(event->position().toPoint(), &col); row >= 1)
            user_move(row, col);
    }
    event->accept();
}

void FlexGrid::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    if (click_after_double_) {
        click_after_double_ = false;  // the double click stood for this click
        return;
    }
    int col = 0;
    if (data_cell_at(event->position().toPoint(), &col) >= 1)
        Q_EMIT Click();
}

void FlexGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    int col = 0;
    const int row = data_cell_at(event->position().toPoint(), &col);
    if (row < 1)
        return;
    QPointer<FlexGrid> guard(this);
    user_move(row, col);
    if (!guard)
        return;
    click_after_double_ = true;
    Q_EMIT DblClick();
}

void FlexGrid::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();  // no drag selection: the program decides what is selected
}

void FlexGrid::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    // The view picks a first cell of its own on entry; show the grid's.
    apply_current_and_selection();
}

}  // namespace k4
