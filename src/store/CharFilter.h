#pragma once
// The per-field character filter: by the field's character class a typed
// character passes, changes case, or is swallowed (becomes 0). Class "2", the
// class of every field of the main screen, keeps the single quote, the double
// quote and the comma out, since statements put field values between quotes.

#include <QString>
#include <QStringView>

namespace k4 {

// Filters one typed character (its 16-bit code) for a field of class `kind`
// holding `field_text`. An empty class is read as "2". Returns the character
// to deliver, or 0 to swallow it.
int filter_key_press(QStringView kind, const QString& field_text, int key_ascii);

// 0 when the field already holds a minus anywhere and the character is one.
int reject_second_minus(const QString& field_text, int key_ascii);
// 0 when the field already holds a point anywhere and the character is one.
int reject_second_point(const QString& field_text, int key_ascii);

// Text that reaches a field without typing (a paste) passes the same filter
// character by character; swallowed characters are left out.
QString filter_text(QStringView kind, const QString& field_text, const QString& inserted);

}  // namespace k4
