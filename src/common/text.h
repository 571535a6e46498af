#pragma once
// Small text helpers shared by several subsystems.

#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace k4 {

// Removes leading and trailing blanks (U+0020 only), as the program's
// comparisons and statements expect; tabs and other white space stay.
QString trim_blanks(const QString& text);
// The same as a view into `text` itself. For UTF-8 bytes this is safe too: a
// blank byte never occurs inside a longer character.
QStringView trim_blanks(QStringView text);
QByteArrayView trim_blanks(QByteArrayView utf8);

// A field of exactly `width` characters: padded on the right with blanks or cut.
QString fixed_text(const QString& text, int width);

// The text with every single quote doubled, for use between single quotes
// in a statement.
QString sql_quote(const QString& value);

}  // namespace k4
