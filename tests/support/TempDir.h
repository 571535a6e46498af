#pragma once
// Helpers for tests that write real files.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace k4::test {

// Writes bytes to a file, creating parent folders; fails the test on error.
void write_file(const QString& path, const QByteArray& bytes);
// The text in code page 932 bytes (through the program's own converter).
QByteArray sjis(const QString& text);

}  // namespace k4::test
