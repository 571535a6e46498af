#pragma once
// The text rules several layers share: trimming, letter case, number forms,
// fixed-width fields and quoting. One function per rule. Rules that look
// alike differ in which inputs they accept, and each caller keeps its own:
// the comment beside each rule says how it differs from its neighbours.

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

namespace k4 {

// --- Trimming -------------------------------------------------------------

// Removes leading and trailing blanks (U+0020 only), as the program's
// comparisons and statements expect; tabs, full-width blanks (U+3000) and
// other white space stay.
QString trim_blanks(const QString& text);
// The same as a view into `text` itself. For UTF-8 bytes this is safe too: a
// blank byte never occurs inside a longer character.
QStringView trim_blanks(QStringView text);
QByteArrayView trim_blanks(QByteArrayView utf8);

// Removes leading and trailing blanks and tabs (U+0020, U+0009), nothing else:
// the settings file's lines, names and values, and appearance values before
// they convert. Unlike trim_blanks, tabs go too; full-width blanks stay.
// (settings_number trims wider still: all white space, see there.)
QString trim_blanks_and_tabs(const QString& text);
QStringView trim_blanks_and_tabs(QStringView text);

// --- Letter case ----------------------------------------------------------

// ASCII letters A-Z to a-z; every other character as it stands (full-width
// letters, kana, and also the non-ASCII letters that Unicode case folding
// would turn into ASCII ones, such as the long s U+017F and the Kelvin sign
// U+212A). The settings file's section and key names match in this form.
QString fold_ascii_case(QStringView text);
// Whether the two texts are equal once both are folded by fold_ascii_case,
// without building the folded texts (result-set column names).
bool equal_ignoring_ascii_case(QStringView a, QStringView b);
// Where the program compares with Qt::CaseInsensitive instead (on/off
// setting values, driver names), full Unicode case folding applies: there
// "falſe" equals "false".

// --- Numbers --------------------------------------------------------------
//
// Two rules convert a setting's text to a number. Both read the same decimal
// form: an optional sign, digits with an optional decimal point (at least one
// digit before or after it), an optional exponent (e or E, optional sign,
// digits), ASCII digits only, nothing else; a value beyond the double range,
// or one that underflows to zero, is refused. They differ in three ways:
//
//                        settings_number            property_number
//   blanks around it     all white space            blanks and tabs only
//                        (Qt's trimmed: also CR,
//                        LF, U+3000, U+00A0 ...)
//   &H hexadecimal       1-8 digits; up to 4 digits  any number of digits up
//                        are a 16-bit value (&HFFFF  to a 32-bit value (&HFFFF
//                        is -1), 5-8 a 32-bit one    is 65535, &HFFFFFFFF -1)
//   &O octal             refused                     as &H, in base 8

// The settings-key rule: the numbers the settings file's keys hold, as the
// key reader stores them (colours, the K405010 switches). std::nullopt when
// the text is not a number.
std::optional<double> settings_number(const QString& text);
// A settings_number rounded half to even that lies in -32768..32767
// afterwards.
std::optional<qint16> settings_int16(const QString& text);

// The property rule: a setting's text as a control property converts it when
// it is assigned (window colour, font switches and sizes, a grid cell that
// reads as a number). std::nullopt when the text is not a number.
std::optional<double> property_number(const QString& text);
// A number converted to a 32-bit signed integer: rounded half to even,
// refused outside the 32-bit range.
std::optional<qint32> long_from_number(double value);
// Text converted to a 32-bit signed integer by the property rule: an &H or &O
// value directly (its 32 bits as two's complement, &HFFFFFFFF being -1), a
// decimal one through long_from_number.
std::optional<qint32> property_long(const QString& text);

// --- Fields and statements ------------------------------------------------

// A field of exactly `width` characters: padded on the right with blanks or cut.
QString fixed_text(const QString& text, int width);

// The text with every single quote doubled, for use between single quotes
// in a statement.
QString sql_quote(const QString& value);

}  // namespace k4
