#pragma once
// The controls of the program's windows, with the properties the screens rely
// on: a text box whose default value is its text, a label whose default value
// is its caption, command buttons; control arrays share one objectName and
// carry their index in the "index" property. Every control carries its place
// in the keyboard order in the "TabIndex" property.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QWidget>

namespace k4 {

// Colours are kept in the classic 0x00BBGGRR form.
QColor color_from_ole(quint32 bgr);
quint32 ole_from_color(const QColor& color);

int tab_index(const QWidget* control);           // -1 when the control has none
void set_tab_index(QWidget* control, int index);
int control_index(const QWidget* control);       // index in a control array, -1 for none
void set_control_index(QWidget* control, int index);

// Twips (1/1440 inch) to device-independent pixels at the given logical dpi.
int twips_to_pixels(int twips, qreal dpi);
int pixels_to_twips(int pixels, qreal dpi);

class TextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);

    // MaxLength in characters as typed; 0 means no limit.
    int MaxLength() const;
    void setMaxLength_(int length);
    bool Locked() const { return isReadOnly(); }
    void setLocked(bool locked) { setReadOnly(locked); }

    quint32 BackColor() const;
    void setBackColor(quint32 bgr);
    quint32 ForeColor() const;
    void setForeColor(quint32 bgr);

    int SelStart() const;
    int SelLength() const;
    void setSelection_(int start, int length);

private:
    int max_length_ = 0;
};

class Label : public QLabel {
    Q_OBJECT
public:
    explicit Label(QWidget* parent = nullptr);
    quint32 BackColor() const;
    void setBackColor(quint32 bgr);
    quint32 ForeColor() const;
    void setForeColor(quint32 bgr);
};

class CommandButton : public QPushButton {
    Q_OBJECT
public:
    explicit CommandButton(QWidget* parent = nullptr);
};

// Creates a control of type T on `parent` with objectName `name`, placed at the
// twip rectangle (left, top, width, height) converted at `dpi`.
template <typename T>
T* make_control(QWidget* parent, const QString& name, int left, int top, int width, int height,
                qreal dpi)
{
    auto* c = new T(parent);
    c->setObjectName(name);
    c->setGeometry(twips_to_pixels(left, dpi), twips_to_pixels(top, dpi),
                   twips_to_pixels(width, dpi), twips_to_pixels(height, dpi));
    return c;
}

}  // namespace k4
