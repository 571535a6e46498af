#pragma once
// Starts the whole program in-process on a private ODBC data source (SQLite or
// PostgreSQL), with a Shift-JIS settings file and list file written for the
// test, and drives the real window with key and mouse events offscreen.

#include "app/Startup.h"
#include "maint/F_K408020.h"
#include "maint/MaintScreen.h"
#include "OdbcSandbox.h"
#include "ScriptedMessages.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <functional>
#include <memory>

namespace k4::test {

struct MasterRow {
    QString partner, type, code;
};

class ScreenHarness {
public:
    explicit ScreenHarness(const QString& backend);
    ~ScreenHarness();

    // Replaces the master's rows (through a connection of its own).
    void set_rows(const std::vector<MasterRow>& rows);
    // Drops both tables and creates them again from the project's schema.
    void reset_schema();
    // Writes the list file (text lines, joined with CR LF, code page 932).
    void set_list_file(const QStringList& lines);
    // Writes EDI.ini and runs the start-up; the window is shown and active.
    void start(const QStringList& arguments = {QStringLiteral("OP001")});

    // The rows of the master as a second connection sees them, sorted, each
    // "partner|type|code".
    QStringList table_rows() const;

    // Input.
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void type(const QString& text);
    void click_cell(int row, int col);
    void double_click_cell(int row, int col);
    void click_button(int index);

    QWidget* focus() const;
    QString dsn() const { return dsn_; }

    ScriptedMessages messages;
    std::unique_ptr<Application> app;
    F_K408020* form = nullptr;
    MaintScreen* screen = nullptr;
    bool ended = false;
    QTemporaryDir dir;
    // Applied to the settings text before it is written (tests of bad settings).
    std::function<void(QString&)> edit_settings;
    // The program's directory; by default two levels below EDI.ini.
    QString program_dir;

private:
    QString backend_;
    QString dsn_;
    QString user_;
    QStringList list_lines_;
};

}  // namespace k4::test
