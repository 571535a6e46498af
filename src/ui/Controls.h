#pragma once
// The controls of the program's windows, with the properties the screens rely
// on: a text box whose default value is its text, a label whose default value
// is its caption, command buttons; control arrays share one objectName and
// carry their index in the "index" property. Every control carries its place
// in the keyboard order in the "TabIndex" property.

#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <functional>

namespace k4 {

// Colours are kept in the classic 0x00BBGGRR form. A value with the high bit
// set names a system colour (0x80000000 + index: 5 window, 8 window text,
// 15 button face, 18 button text, ...), which maps to the matching role of the
// application's palette.
QColor color_from_ole(quint32 bgr);
quint32 ole_from_color(const QColor& color);
// True for a plain 0x00BBGGRR colour and for a known system colour.
bool is_valid_ole_color(quint32 value);

int tab_index(const QWidget* control);           // -1 when the control has none
void set_tab_index(QWidget* control, int index);
int control_index(const QWidget* control);       // index in a control array, -1 for none
void set_control_index(QWidget* control, int index);

// The default value of a control: the text of a text box, the caption of a
// label or button, the current text of a combo box. Other controls have none
// (reading gives the empty text, writing does nothing).
QString default_value(const QWidget* control);
void set_default_value(QWidget* control, const QString& value);

// Whether a text box holds the operator's text (TextBox::holds_operator_text;
// for another line edit, Qt's own modified flag), and the replacement of such
// text by a check's transformation of it, which keeps it the operator's.
bool holds_operator_text(const QLineEdit* box);
void replace_operator_text(QLineEdit* box, const QString& text);

// Back and fore colour of any control in 0x00BBGGRR form: the edit area of text
// boxes and combo boxes, the background of labels and windows.
void set_back_color(QWidget* control, quint32 bgr);
quint32 back_color(const QWidget* control);
void set_fore_color(QWidget* control, quint32 bgr);

// Selection of a line edit as the classic properties: SelStart is the caret
// position when nothing is selected, SelLength 0 then.
int sel_start(const QLineEdit* box);
int sel_length(const QLineEdit* box);
// MaxLength of a line edit: TextBox::MaxLength(), or QLineEdit's own limit
// (0 when it is Qt's "no limit" value).
int max_length(const QLineEdit* box);

// Twips (1/1440 inch) to device-independent pixels at the given logical dpi.
int twips_to_pixels(int twips, qreal dpi);
int pixels_to_twips(int pixels, qreal dpi);
// The logical dpi of the primary screen (96 when there is none).
qreal screen_dpi();

class TextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);

    // MaxLength in characters as typed or pasted; 0 means no limit. Text the
    // program puts in (set_program_text) is kept whole even when it is longer,
    // as the classic text box did.
    int MaxLength() const;
    void setMaxLength_(int length);

    // Whose text the box holds. The operator's: typed, pasted (keys, the box's
    // own menu, the middle button), dropped or put in by an input method, and
    // a check's cut or upper-casing of such text. The program's: a value it
    // put in (a copied row, a popup choice, a clear). Transformations made on
    // the program's behalf consult this, so that a value copied from a listed
    // row reaches the statements exactly as it was listed.
    bool holds_operator_text() const { return operator_text_; }
    // Puts in a value of the program's: never filtered, never cut to MaxLength.
    void set_program_text(const QString& text);
    // Replaces the operator's text by a check's transformation of it; never
    // filtered, and the text stays the operator's.
    void replace_operator_text(const QString& text);
    bool Locked() const { return isReadOnly(); }
    void setLocked(bool locked) { setReadOnly(locked); }

    quint32 BackColor() const;
    void setBackColor(quint32 bgr);
    quint32 ForeColor() const;
    void setForeColor(quint32 bgr);

    int SelStart() const;
    int SelLength() const;
    void setSelection_(int start, int length);

    // The filter every change the operator makes passes, whatever its route (a
    // key, a paste, an input method, a drop): it receives the text that stays
    // and the inserted part and returns what may be inserted. Text the program
    // puts in (set_program_text, replace_operator_text) is never filtered.
    using EditFilter = std::function<QString(const QString& kept, const QString& inserted)>;
    void set_edit_filter(EditFilter filter);

private:
    friend class EditFilterValidator;
    void put_text(const QString& text, bool operator_text);

    int max_length_ = 0;
    EditFilter edit_filter_;
    int program_change_depth_ = 0;   // > 0 while the program itself sets the text
    bool operator_text_ = false;
    bool edited_ = false;            // the change under way is the operator's
    QString accepted_text_;          // the text before the change under way
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

// A push button whose mnemonic (Alt+letter) clicks it at once. QPushButton
// animates a mnemonic click and clicks 100 ms later, so the key releases
// (Alt among them) reach the field with the cursor first and can move it on
// before the command runs or its question opens.
class CommandButton : public QPushButton {
    Q_OBJECT
public:
    explicit CommandButton(QWidget* parent = nullptr);

protected:
    bool event(QEvent* e) override;
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
