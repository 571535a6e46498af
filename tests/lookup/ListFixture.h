#pragma once
// A settings file whose PATH/JOHOKUBUN names a list file in a temporary
// folder; tests write the list file's bytes themselves.

#include "TempDir.h"
#include "settings/Settings.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace k4::test {

class ListFixture {
public:
    ListFixture();

    // Writes EDI.ini with JOHOKUBUN = value (the line is left out when
    // `with_key` is false).
    void write_settings(const QString& johokubun, bool with_key = true);
    // Writes the list file's raw bytes.
    void write_list(const QByteArray& bytes);

    // A plain file that exists but cannot be read: the list file without
    // permissions, or, for a user whom permissions do not bind, a process file
    // whose reading fails.
    QString unreadable_file();

    QString dir() const { return dir_.path(); }
    QString list_path() const { return dir_.path() + QStringLiteral("/johokubun.txt"); }
    QString ini_path() const { return dir_.path() + QStringLiteral("/EDI.ini"); }
    SettingsLocation where() const;

private:
    QTemporaryDir dir_;
};

// Lines joined with CR LF, each one ended by it, in code page 932.
QByteArray crlf_lines(const QStringList& lines);
// `count` lines "nnnn" + a 20-character name, each ended by CR LF.
QByteArray numbered_lines(int count);

}  // namespace k4::test
