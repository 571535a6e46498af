#pragma once
// The whole program started in-process on a data source of the test's choosing,
// with settings and list files the test may replace byte for byte, and a
// message service that lets a test act at the moment a question appears (the
// operator "thinks" while another operator writes or the server goes away).

#include "app/Startup.h"
#include "maint/F_K408020.h"
#include "maint/MaintScreen.h"
#include "OdbcSandbox.h"
#include "ScriptedMessages.h"

#include <QByteArray>
#include <gtest/gtest.h>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

namespace k4::test {

class HookedMessages : public ScriptedMessages {
public:
    using ScriptedMessages::show;
    // Runs once per message, before the planned answer is given.
    std::function<void(const QString& text)> on_show;
    int show(const QString& text, mb::Style style, const QString& caption) override;
};

struct MasterRow {
    QString partner, type, code;
};

class ProgramHarness {
public:
    ProgramHarness(QString dsn, QString user);
    ~ProgramHarness();

    // The standard settings text for this data source and list file.
    QString standard_settings() const;
    QString edi_folder() const;
    QString settings_path() const;
    QString list_path() const;
    QString dsn() const { return dsn_; }

    // Written by start() unless the test cleared them with write_files = false.
    QByteArray settings_bytes;
    QByteArray list_bytes;
    bool write_files = true;
    QString program_dir;        // default: two levels below the settings file
    QString edi_ini_override;   // EDI_INI

    // Runs the start-up; throws StartupFailure like the program's main does.
    void start(const QStringList& arguments = {QStringLiteral("OP001")});
    // Runs the start-up; returns the message it stopped with, "" when it ran through.
    QString start_failure(const QStringList& arguments = {QStringLiteral("OP001")});

    // Input on the real widgets.
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void type(const QString& text);
    void click_cell(int row, int col);
    void double_click_cell(int row, int col);
    void click_button(int index);
    QWidget* focus() const;

    // The grid's data cells, one text per row: "partner|type|name|code|code name".
    QStringList grid_rows() const;
    // The first grid row (from 1) listing `partner` and, when they are given,
    // `type` and `code`; 0 when none does.
    int grid_row_of(const QString& partner, const QString& type = QString(),
                    const QString& code = QString()) const;

    // An operator's steps, as the keys and clicks that make them.
    // The add button, then the partner typed and Enter.
    void begin_add(const QString& partner);
    // begin_add, then the type and the code typed (a full type field moves on
    // by itself; the code field, the last, never does).
    void enter_new_row(const QString& partner, const QString& type, const QString& code);
    // Enter in the field that has the focus, with `answer` planned for the
    // question it brings.
    void enter_answering(int answer);
    // enter_new_row, then Enter in JKBN answered with `answer`.
    void add_row(const QString& partner, const QString& type, const QString& code, int answer);
    // A click on the grid row, then the type put into SJSHU and Enter (its
    // name looked up).
    void change_type(int grid_row, const QString& type);
    // change_type, then Enter in JKBN answered with `answer`. Returns the
    // type's name as SJSHU's check showed it, before the save.
    QString change_row(int grid_row, const QString& type, int answer);
    // A click on the grid row, then the delete button answered with `answer`.
    void delete_row(int grid_row, int answer);
    // Runs `hook` once, when `question` appears, before the planned answer
    // is given (another operator writes, the server goes away).
    void at_question(const QString& question, std::function<void()> hook);
    // The program still takes keys and ends cleanly: no transaction is left
    // open; the add button opens the entry line with the focus in ATCD; with
    // `database_reachable`, a new partner's type 2 is looked up and named
    // 受信 without a message, the focus moving on to JKBN; the end button
    // asks its question and, answered Yes, ends the program with the
    // connection closed.
    void expect_still_answers(bool database_reachable = true);

    HookedMessages messages;
    // Every line the program sent to the system log, in order.
    QStringList system_log;
    std::unique_ptr<Application> app;
    F_K408020* form = nullptr;
    MaintFlow* screen = nullptr;   // the screen's state and decisions
    bool ended = false;

private:
    QTemporaryDir dir_;
    QString dsn_;
    QString user_;
};

// The program on one of the shared sandbox's data sources, named by backend
// ("sqlite", "postgresql"), with the master reached through that backend.
class ScreenHarness : public ProgramHarness {
public:
    explicit ScreenHarness(const QString& backend);

    // Replaces the master's rows (through a connection of its own).
    void set_rows(const std::vector<MasterRow>& rows) const;
    // Drops both tables and creates them again from the project's schema.
    void reset_schema() const;
    // The list file start() writes: these lines, each ended by CR LF, in code page 932.
    void set_list_file(const QStringList& lines);
    // The rows of the master as a second connection sees them (master_rows).
    QStringList table_rows() const;

private:
    QString backend_;
};

// The master table as a separate connection sees it, sorted, "partner|type|code".
QStringList master_rows(const QString& dsn);
// Replaces the master's rows through a separate connection.
void set_master_rows(const QString& dsn, const std::vector<MasterRow>& rows);
// Drops both tables and creates them again from the project's schema.
void reset_schema(const QString& backend);

// The rows the fault cases start from, in the table's order and so in grid
// rows 1 to 3: C00001 / 1 / 0001, C00001 / 2 / 0002, C00002 / 1 / 0003.
const std::vector<MasterRow>& standard_rows();
// Rows as master_rows reads them, "partner|type|code".
QStringList table_of(const std::vector<MasterRow>& rows);

// The standard list file lines (codes 0001-0005) in code page 932, CR LF.
QByteArray standard_list_bytes();

}  // namespace k4::test
