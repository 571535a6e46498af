#include "maint/F_K408020.h"

#include "ui/Controls.h"
#include "ui/FlexGrid.h"

#include <QFont>

namespace k4 {

namespace {

const QString gothic = QStringLiteral("ＭＳ ゴシック");

}  // namespace

F_K408020::F_K408020(QWidget* parent) : Form(parent), dpi_(screen_dpi())
{
    setObjectName(QStringLiteral("F_K408020"));
    setWindowTitle(caption);
    setFixedSize(twips_to_pixels(client_width_twips, dpi_),
                 twips_to_pixels(client_height_twips, dpi_));
    create_controls();
    enable_key_preview();
}

void F_K408020::create_controls()
{
    QFont field_font(gothic);
    field_font.setPointSizeF(12);
    QFont title_font(gothic);
    title_font.setPointSizeF(11.25);
    title_font.setBold(true);

    auto title = [&](int index, const QString& text, int l, int t, int w, int h) {
        auto* label = make_control<Label>(this, QStringLiteral("tit_KOUMOKU"), l, t, w, h, dpi_);
        set_control_index(label, index);
        label->setFont(title_font);
        label->setText(text);
        tit_KOUMOKU[std::size_t(index)] = label;
    };
    auto field = [&](const QString& name, int max_length, int l, int t, int w, int h) {
        auto* box = make_control<TextBox>(this, name, l, t, w, h, dpi_);
        box->setMaxLength_(max_length);
        box->setFont(field_font);
        return box;
    };
    auto label = [&](const QString& name, const QString& text, int l, int t, int w, int h) {
        auto* l_ = make_control<Label>(this, name, l, t, w, h, dpi_);
        l_->setText(text);
        return l_;
    };
    auto button = [&](int index, const QString& text, int l, int t, int w, int h) {
        auto* b = make_control<CommandButton>(this, QStringLiteral("CMD"), l, t, w, h, dpi_);
        set_control_index(b, index);
        b->setText(text);
        connect(b, &QPushButton::clicked, this, [this, index] { emit CommandClick(index); });
        CMD[std::size_t(index)] = b;
    };

    // Creation order is the order the styling and clearing visit the controls.
    title(0, QStringLiteral("相手先企業ｺｰﾄﾞ"), 210, 540, 1860, 360);
    KATCD = field(QStringLiteral("KATCD"), 12, 2040, 540, 1590, 360);
    title(8, QStringLiteral("相手先企業ｺｰﾄﾞ"), 180, 1260, 1860, 360);
    title(7, QStringLiteral("送受信種別"), 2040, 1260, 1860, 360);
    title(1, QStringLiteral("情報区分ｺｰﾄﾞ"), 3900, 1260, 3300, 360);
    ATCD = field(QStringLiteral("ATCD"), 12, 180, 1620, 1845, 360);
    SJSHU = field(QStringLiteral("SJSHU"), 1, 2040, 1620, 315, 360);
    lbl_SJNM = label(QStringLiteral("lbl_SJNM"), QString(), 2400, 1620, 1485, 315);
    JKBN = field(QStringLiteral("JKBN"), 4, 3900, 1620, 615, 360);
    lbl_JKBNM = label(QStringLiteral("lbl_JKBNM"), QString(), 4560, 1620, 2625, 315);

    GRID = make_control<FlexGrid>(this, QStringLiteral("GRID"), 180, 2040, 7395, 5925, dpi_);
    GRID->setFont(field_font);

    button(0, QStringLiteral("検索(&F)"), 8400, 480, 1275, 315);
    button(1, QStringLiteral("追加（&A）"), 8400, 1260, 1275, 315);
    button(2, QStringLiteral("削除（&D）"), 8400, 1620, 1275, 315);
    button(3, QStringLiteral("終了（&E）"), 8400, 7800, 1275, 285);

    lbl_PGID = label(QStringLiteral("lbl_PGID"), QString(), 60, 30, 1665, 285);
    lbl_OPTIT = label(QStringLiteral("lbl_OPTIT"), QStringLiteral("ｵﾍﾟﾚｰﾀｺｰﾄﾞ"), 3450, 0, 1545, 255);
    lbl_OP_CD = label(QStringLiteral("lbl_OP_CD"), QString(), 5040, 0, 1125, 255);
    lbl_OP_NM = label(QStringLiteral("lbl_OP_NM"), QString(), 6210, 0, 2055, 255);
    lbl_HIDUKE = label(QStringLiteral("lbl_HIDUKE"), QString(), 8340, 0, 1665, 255);
    SEARCH_KBN = label(QStringLiteral("SEARCH_KBN"), QString(), 8700, 8160, 975, 375);
    SEARCH_KBN->setVisible(false);

    // Design-time keyboard order: the fields first, then the grid and the buttons.
    int tab = 0;
    for (QWidget* w : std::initializer_list<QWidget*>{KATCD, ATCD, SJSHU, JKBN, GRID, CMD[0],
                                                       CMD[1], CMD[2], CMD[3]})
        set_tab_index(w, tab++);
    for (QWidget* w : std::initializer_list<QWidget*>{tit_KOUMOKU[0], tit_KOUMOKU[8],
                                                       tit_KOUMOKU[7], tit_KOUMOKU[1],
                                                       lbl_SJNM, lbl_JKBNM, lbl_PGID,
                                                       lbl_OPTIT, lbl_OP_CD, lbl_OP_NM,
                                                       lbl_HIDUKE, SEARCH_KBN})
        set_tab_index(w, tab++);
    QWidget::setTabOrder(KATCD, ATCD);
    QWidget::setTabOrder(ATCD, SJSHU);
    QWidget::setTabOrder(SJSHU, JKBN);
    QWidget::setTabOrder(JKBN, GRID);
    QWidget::setTabOrder(GRID, CMD[0]);
    QWidget::setTabOrder(CMD[0], CMD[1]);
    QWidget::setTabOrder(CMD[1], CMD[2]);
    QWidget::setTabOrder(CMD[2], CMD[3]);
}

bool F_K408020::is_field(const QWidget* control) const
{
    return control && (control == KATCD || control == ATCD || control == SJSHU || control == JKBN);
}

void F_K408020::form_key_down(int& key_code, int shift)
{
    emit KeyDown(key_code, shift);
}

void F_K408020::control_key_press(QWidget* control, int& key_ascii)
{
    if (is_field(control))
        emit FieldKeyPress(control, key_ascii);
}

void F_K408020::control_key_up(QWidget* control, int key_code, int shift)
{
    if (is_field(control) && control->isEnabled())
        emit FieldKeyUp(control, key_code, shift);
}

void F_K408020::control_got_focus(QWidget* control)
{
    if (is_field(control))
        emit FieldGotFocus(control);
}

void F_K408020::control_lost_focus(QWidget* control)
{
    if (is_field(control))
        emit FieldLostFocus(control);
}

bool F_K408020::query_unload()
{
    bool cancel = false;
    emit QueryUnload(cancel);
    return cancel;
}

}  // namespace k4
