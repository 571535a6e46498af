#pragma once
// Conversion between the program's text (QString) and the Windows Japanese
// code page 932, in which settings, list files and byte lengths are counted.

#include <QByteArray>
#include <QString>
#include <optional>

namespace k4 {

// Text to code page 932 bytes. A character the code page cannot hold becomes '?'.
QByteArray to_cp932(const QString& text);

// Text to code page 932 bytes, or std::nullopt when the text holds a
// character the code page cannot hold: one with no code there, a lone
// surrogate, or one that iconv folds onto another character's code (U+00A5
// onto 0x5C, the backslash; U+301C onto 0x8160, which is U+FF5E). What comes
// back decodes to exactly the text: from_cp932(*to_cp932_strict(x)) == x.
std::optional<QByteArray> to_cp932_strict(const QString& text);

// Code page 932 bytes to text. A byte sequence that is not valid code page 932
// becomes U+FFFD, so it is visible and never dropped: one for a lead byte and
// its trail byte that together name no character, one for any other bad byte.
QString from_cp932(const QByteArray& bytes);

// Length of the text in code page 932 bytes (1 per single-byte, 2 per
// double-byte character); 0 for a null or empty text.
int ansi_byte_length(const QString& text);

// The longest prefix of the text whose code page 932 form has at most
// max_bytes bytes; a double-byte character that would be split is dropped whole.
// Characters the code page cannot hold come back as '?'.
QString cut_to_ansi_bytes(const QString& text, int max_bytes);

}  // namespace k4
