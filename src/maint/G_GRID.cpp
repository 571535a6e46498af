#include "maint/G_GRID.h"

#include "common/text.h"
#include "ui/Controls.h"
#include "ui/FlexGrid.h"
#include "ui/Form.h"

#include <QAbstractButton>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>

namespace k4 {

namespace {

const QString caption = QStringLiteral("情報区分検索");
const QString code_header = QStringLiteral("情報区分ｺｰﾄﾞ");
const QString name_header = QStringLiteral("情報区分名");
const QString select_caption = QStringLiteral("選択");
const QString stop_caption = QStringLiteral("中止");
const QString grid_font_name = QStringLiteral("ＭＳ ゴシック");
constexpr qreal grid_font_points = 11.25;

// Lengths in twips.
constexpr int window_width = 4600;      // the designed client area is 4635 wide
constexpr int window_height = 5250;
constexpr int grid_width = 4300;        // the designed grid is 4455 wide
constexpr int code_column_width = 1350;
constexpr int name_column_width = 2500;
constexpr int data_row_height = 360;
constexpr int left_aligned = 1;         // left, vertically centred

}  // namespace

G_GRID::G_GRID(QWidget* parent) : QDialog(parent), dpi_(screen_dpi())
{
    setObjectName(QStringLiteral("G_GRID"));
    setWindowTitle(caption);
    setFixedSize(twips_to_pixels(window_width, dpi_), twips_to_pixels(window_height, dpi_));

    grid_ = make_control<FlexGrid>(this, QStringLiteral("MSFLEXGRID"), 90, 150, 4455, 4155, dpi_);
    QFont font(grid_font_name);
    font.setPointSizeF(grid_font_points);
    font.setWeight(QFont::Normal);
    grid_->setFont(font);
    grid_->setCols(2);
    grid_->setRows(2);
    set_tab_index(grid_, 0);

    select_ = make_control<CommandButton>(this, QStringLiteral("SELECT"), 720, 4440, 1245, 435, dpi_);
    select_->setText(select_caption);
    set_tab_index(select_, 1);
    stop_ = make_control<CommandButton>(this, QStringLiteral("STOP"), 2640, 4440, 1245, 435, dpi_);
    stop_->setText(stop_caption);
    set_tab_index(stop_, 2);

    // Neither button is the default or the cancel button: Enter and Esc do
    // not stand for them.
    for (CommandButton* b : {select_, stop_}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    setTabOrder(grid_, select_);
    setTabOrder(select_, stop_);

    connect(select_, &QAbstractButton::clicked, this, &G_GRID::take_info_code_choice);
    connect(stop_, &QAbstractButton::clicked, this, &QDialog::reject);
    connect(grid_, &FlexGrid::DblClick, this, &G_GRID::take_info_code_choice);
    connect(grid_, &FlexGrid::KeyDown, this, &G_GRID::grid_key_down, Qt::DirectConnection);
    connect(grid_, &FlexGrid::RowColChange, this, &G_GRID::highlight_current_row,
            Qt::DirectConnection);

    grid_->setFocus();
}

void G_GRID::set_targets(QWidget* code_target, QWidget* name_target)
{
    code_target_ = code_target;
    name_target_ = name_target;
}

void G_GRID::fill(const InfoCodeEntries& entries)
{
    grid_->setCols(3);
    grid_->setTextMatrix(0, 1, code_header);
    grid_->setColAlignment(1, left_aligned);
    grid_->setTextMatrix(0, 2, name_header);
    grid_->setColAlignment(2, left_aligned);
    grid_->setColWidth(0, 0);
    grid_->setColWidth(1, code_column_width);
    grid_->setColWidth(2, name_column_width);
    grid_->resize(twips_to_pixels(grid_width, dpi_), grid_->height());
    setFixedWidth(twips_to_pixels(window_width, dpi_));

    const int rows = int(entries.size());
    grid_->begin_bulk_update();
    if (rows > 0) {
        grid_->setRows(rows + 1);
        grid_->setRowHeight(1, data_row_height);  // one height for every data row
    }
    for (int n = 1; n <= rows; ++n) {
        const InfoCodeEntry& entry = entries[n - 1];
        grid_->setTextMatrix(n, 1, entry.code.toString());
        grid_->setTextMatrix(n, 2, entry.name.toString());
    }
    grid_->end_bulk_update();
    grid_->Refresh();

    grid_->setRow(1);
    grid_->setCol(0);
    grid_->setRowSel(1);
    grid_->setColSel(2);
}

void G_GRID::highlight_current_row()
{
    if (taking_choice_ || grid_->Row() < 1)
        return;
    if (grid_->Col() != 0)
        grid_->setCol(0);  // raises RowColChange again, which lands below
    grid_->setRowSel(grid_->Row());
    grid_->setColSel(2);
}

void G_GRID::take_info_code_choice()
{
    taking_choice_ = true;
    grid_->setCol(1);
    if (code_target_)
        set_default_value(code_target_, trim_blanks(grid_->Text()));
    grid_->setCol(2);
    if (name_target_)
        set_default_value(name_target_, trim_blanks(grid_->Text()));
    taking_choice_ = false;
    accept();
}

void G_GRID::grid_key_down(int& key_code, int shift)
{
    Q_UNUSED(shift)
    if (key_code == vk::Return) {
        key_code = 0;
        take_info_code_choice();
    } else if (key_code == vk::Escape) {
        key_code = 0;
        reject();
    }
}

void G_GRID::keyPressEvent(QKeyEvent* event)
{
    // Keys the controls leave over. A focused button is pressed with Enter as
    // with Space; there is no default button for Enter and no cancel button
    // for Esc, so neither closes the window by itself.
    const bool plain = event->modifiers() == Qt::NoModifier
                       || event->modifiers() == Qt::KeypadModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (auto* button = qobject_cast<QAbstractButton*>(focusWidget()))
            button->click();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

PopupResult show_info_code_popup(QWidget* code_target, QWidget* name_target,
                                 const SettingsLocation& where, QWidget* parent)
{
    const ListFileRead list = read_info_code_file(locate_info_code_file(where));
    if (!list.exists || !list.complete)
        return PopupResult::no_list;

    G_GRID popup(parent);
    popup.set_targets(code_target, name_target);
    popup.fill(list.entries);
    popup.setWindowModality(Qt::ApplicationModal);
    popup.show();
    popup.activateWindow();
    popup.grid()->setFocus();
    // Only take_info_code_choice accepts; every other way out rejects.
    return popup.exec() == QDialog::Accepted ? PopupResult::chosen : PopupResult::closed;
}

}  // namespace k4
