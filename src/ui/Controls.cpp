#include "ui/Controls.h"

#include <QPalette>
#include <cmath>

namespace k4 {

QColor color_from_ole(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
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

int twips_to_pixels(int twips, qreal dpi)
{
    return int(std::lround(twips * dpi / 1440.0));
}

int pixels_to_twips(int pixels, qreal dpi)
{
    return int(std::lround(pixels * 1440.0 / dpi));
}

namespace {

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
    QLineEdit::setMaxLength(32767);
}

int TextBox::MaxLength() const { return max_length_; }

void TextBox::setMaxLength_(int length)
{
    max_length_ = length;
    QLineEdit::setMaxLength(length > 0 ? length : 32767);
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

Label::Label(QWidget* parent) : QLabel(parent)
{
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

}  // namespace k4
