#include "ui/Controls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QPalette>
#include <QScreen>
#include <QShortcutEvent>
#include <QValidator>
#include <algorithm>
#include <cmath>

namespace k4 {

namespace {

constexpr quint32 system_color_flag = 0x80000000u;
constexpr quint32 last_system_color = 0x18;

// The palette role standing for a classic system colour index.
QPalette::ColorRole system_color_role(quint32 index)
{
    switch (index) {
    case 5: return QPalette::Base;              // window background
    case 6: return QPalette::Dark;              // window frame
    case 7: return QPalette::Text;              // menu text
    case 8: return QPalette::Text;              // window text
    case 9: return QPalette::HighlightedText;   // active caption text
    case 13: return QPalette::Highlight;        // selected item background
    case 14: return QPalette::HighlightedText;  // selected item text
    case 16: return QPalette::Mid;              // button shadow
    case 17: return QPalette::PlaceholderText;  // disabled text
    case 18: return QPalette::ButtonText;       // button text
    case 20: return QPalette::Light;            // button highlight
    case 21: return QPalette::Shadow;           // dark shadow
    case 22: return QPalette::Midlight;         // light 3-D face
    case 23: return QPalette::ToolTipText;      // tip text
    case 24: return QPalette::ToolTipBase;      // tip background
    default: return QPalette::Window;           // 15 button face and the rest
    }
}

}  // namespace

QColor color_from_ole(quint32 bgr)
{
    if (bgr & system_color_flag)
        return QApplication::palette().color(system_color_role(bgr & 0xFF));
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

bool is_valid_ole_color(quint32 value)
{
    if ((value & 0xFF000000u) == 0)
        return true;
    return (value & 0xFFFFFF00u) == system_color_flag && (value & 0xFF) <= last_system_color;
}

quint32 ole_from_color(const QColor& color)
{
    return quint32(color.red()) | (quint32(color.green()) << 8) | (quint32(color.blue()) << 16);
}

int tab_index(const QWidget* control)
{
    const QVariant v = control ? control->property("TabIndex") : QVariant();
    return v.isValid() ? v.toInt() : -1;
}

void set_tab_index(QWidget* control, int index)
{
    control->setProperty("TabIndex", index);
}

int control_index(const QWidget* control)
{
    const QVariant v = control ? control->property("index") : QVariant();
    return v.isValid() ? v.toInt() : -1;
}

void set_control_index(QWidget* control, int index)
{
    control->setProperty("index", index);
}

QString default_value(const QWidget* control)
{
    if (auto* box = qobject_cast<const QLineEdit*>(control))
        return box->text();
    if (auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (auto* combo = qobject_cast<const QComboBox*>(control))
        return combo->currentText();
    if (auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    return {};
}

void set_default_value(QWidget* control, const QString& value)
{
    if (auto* text_box = qobject_cast<TextBox*>(control))
        text_box->set_program_text(value);
    else if (auto* box = qobject_cast<QLineEdit*>(control))
        box->setText(value);
    else if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(value);
    else if (auto* combo = qobject_cast<QComboBox*>(control))
        combo->setCurrentText(value);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(value);
}

bool holds_operator_text(const QLineEdit* box)
{
    if (auto* text_box = qobject_cast<const TextBox*>(box))
        return text_box->holds_operator_text();
    return box && box->isModified();
}

void replace_operator_text(QLineEdit* box, const QString& text)
{
    if (auto* text_box = qobject_cast<TextBox*>(box)) {
        text_box->replace_operator_text(text);
    } else if (box) {
        box->setText(text);
        box->setModified(true);
    }
}

namespace {

QPalette::ColorRole back_role(const QWidget* control)
{
    if (qobject_cast<const QLineEdit*>(control) || qobject_cast<const QComboBox*>(control))
        return QPalette::Base;
    return QPalette::Window;
}

QPalette::ColorRole fore_role(const QWidget* control)
{
    if (qobject_cast<const QLineEdit*>(control) || qobject_cast<const QComboBox*>(control))
        return QPalette::Text;
    if (qobject_cast<const QAbstractButton*>(control))
        return QPalette::ButtonText;
    return QPalette::WindowText;
}

}  // namespace

void set_back_color(QWidget* control, quint32 bgr)
{
    const QPalette::ColorRole role = back_role(control);
    if (role == QPalette::Window)
        control->setAutoFillBackground(true);
    QPalette p = control->palette();
    p.setColor(role, color_from_ole(bgr));
    control->setPalette(p);
}

quint32 back_color(const QWidget* control)
{
    return ole_from_color(control->palette().color(back_role(control)));
}

void set_fore_color(QWidget* control, quint32 bgr)
{
    QPalette p = control->palette();
    p.setColor(fore_role(control), color_from_ole(bgr));
    control->setPalette(p);
}

int sel_start(const QLineEdit* box)
{
    return box->hasSelectedText() ? box->selectionStart() : box->cursorPosition();
}

int sel_length(const QLineEdit* box)
{
    return box->hasSelectedText() ? box->selectionLength() : 0;
}

int max_length(const QLineEdit* box)
{
    if (auto* text_box = qobject_cast<const TextBox*>(box))
        return text_box->MaxLength();
    return box->maxLength() >= 32767 ? 0 : box->maxLength();
}

qreal screen_dpi()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchX() : 96.0;
}

int twips_to_pixels(int twips, qreal dpi)
{
    return int(std::lround(twips * dpi / 1440.0));
}

int pixels_to_twips(int pixels, qreal dpi)
{
    return int(std::lround(pixels * 1440.0 / dpi));
}

namespace {

constexpr int qt_no_limit = 32767;

quint32 role_color(const QWidget* w, QPalette::ColorRole role)
{
    return ole_from_color(w->palette().color(role));
}

void set_role_color(QWidget* w, QPalette::ColorRole role, quint32 bgr)
{
    QPalette p = w->palette();
    p.setColor(role, color_from_ole(bgr));
    w->setPalette(p);
}

}  // namespace

TextBox::TextBox(QWidget* parent) : QLineEdit(parent)
{
    QLineEdit::setMaxLength(qt_no_limit);
    // Qt tells an edit of the operator's (textEdited) just before the change
    // itself (textChanged); a change without it is the program's.
    connect(this, &QLineEdit::textEdited, this, [this] { edited_ = true; });
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (program_change_depth_ == 0 && edited_ && text != accepted_text_)
            operator_text_ = true;
        else if (program_change_depth_ == 0 && !edited_)
            operator_text_ = false;  // QLineEdit::setText or clear() by the program
        edited_ = false;
        accepted_text_ = text;
    });
}

int TextBox::MaxLength() const { return max_length_; }

void TextBox::setMaxLength_(int length)
{
    max_length_ = std::max(length, 0);
    // Qt's own limit stops typing and pasting at MaxLength characters; it is
    // never set below the text already held, which Qt would cut.
    const int limit = max_length_ > 0 ? std::max<int>(max_length_, int(text().size())) : qt_no_limit;
    if (limit != maxLength()) {
        const int cursor = cursorPosition();
        QLineEdit::setMaxLength(limit);
        setCursorPosition(cursor);
    }
}

void TextBox::set_program_text(const QString& text) { put_text(text, false); }

void TextBox::replace_operator_text(const QString& text) { put_text(text, true); }

void TextBox::put_text(const QString& text, bool operator_text)
{
    ++program_change_depth_;
    if (max_length_ <= 0) {
        QLineEdit::setText(text);
    } else {
        const int limit = std::max<int>(max_length_, int(text.size()));
        if (limit > maxLength())
            QLineEdit::setMaxLength(limit);  // before the text, or Qt would cut it
        QLineEdit::setText(text);
        if (limit < maxLength())
            QLineEdit::setMaxLength(limit);  // after: the new text already fits
    }
    --program_change_depth_;
    operator_text_ = operator_text;
    accepted_text_ = text;
    edited_ = false;
}

quint32 TextBox::BackColor() const { return role_color(this, QPalette::Base); }
void TextBox::setBackColor(quint32 bgr) { set_role_color(this, QPalette::Base, bgr); }
quint32 TextBox::ForeColor() const { return role_color(this, QPalette::Text); }
void TextBox::setForeColor(quint32 bgr) { set_role_color(this, QPalette::Text, bgr); }

int TextBox::SelStart() const
{
    return hasSelectedText() ? selectionStart() : cursorPosition();
}

int TextBox::SelLength() const
{
    return hasSelectedText() ? int(selectedText().size()) : 0;
}

void TextBox::setSelection_(int start, int length)
{
    if (length <= 0)
        setCursorPosition(start);
    else
        setSelection(start, length);
}

// Applies a text box's edit filter to whatever a change inserts, judged
// against the text the box held before the change. Qt validates every change
// of the text, so typing, pasting (keys, the box's menu, the middle button),
// dropping and input methods all pass here; only the program's own settings
// of the text are let through.
class EditFilterValidator : public QValidator {
public:
    explicit EditFilterValidator(TextBox* box) : QValidator(box), box_(box) {}

    State validate(QString& input, int& pos) const override
    {
        if (box_->program_change_depth_ > 0 || !box_->edit_filter_)
            return Acceptable;
        const QString& before = box_->accepted_text_;
        const qsizetype shorter = std::min(before.size(), input.size());
        qsizetype prefix = 0;
        while (prefix < shorter && before.at(prefix) == input.at(prefix))
            ++prefix;
        qsizetype suffix = 0;
        while (suffix < shorter - prefix
               && before.at(before.size() - 1 - suffix) == input.at(input.size() - 1 - suffix))
            ++suffix;
        const QString inserted = input.mid(prefix, input.size() - prefix - suffix);
        if (inserted.isEmpty())
            return Acceptable;
        const QString kept = input.left(prefix) + input.right(suffix);
        const QString allowed = box_->edit_filter_(kept, inserted);
        if (allowed != inserted) {
            input = input.left(prefix) + allowed + input.right(suffix);
            pos = int(prefix + allowed.size());
        }
        return Acceptable;
    }

private:
    TextBox* box_;
};

void TextBox::set_edit_filter(EditFilter filter)
{
    edit_filter_ = std::move(filter);
    if (edit_filter_ && !validator())
        setValidator(new EditFilterValidator(this));
}

Label::Label(QWidget* parent) : QLabel(parent)
{
    // A label shows its caption as written: names from the list file or the
    // database and the operator code are data, so "<b>" or "&amp;" in them is
    // shown, never taken as markup. No label carries an access key (none has
    // a buddy), so plain text loses nothing.
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(false);
}

quint32 Label::BackColor() const { return role_color(this, QPalette::Window); }

void Label::setBackColor(quint32 bgr)
{
    setAutoFillBackground(true);
    set_role_color(this, QPalette::Window, bgr);
}

quint32 Label::ForeColor() const { return role_color(this, QPalette::WindowText); }
void Label::setForeColor(quint32 bgr) { set_role_color(this, QPalette::WindowText, bgr); }

CommandButton::CommandButton(QWidget* parent) : QPushButton(parent)
{
    setAutoDefault(false);
}

bool CommandButton::event(QEvent* e)
{
    // The only shortcut a button registers is its own mnemonic, and Qt sends
    // none to a disabled button.
    if (e->type() == QEvent::Shortcut && !static_cast<QShortcutEvent*>(e)->isAmbiguous()) {
        click();
        return true;
    }
    return QPushButton::event(e);
}

}  // namespace k4
