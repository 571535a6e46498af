#pragma once
// Every statement the maintenance screen sends about its two tables, built
// piece by piece exactly as the program has always sent them. Values go between
// single quotes with any single quote inside doubled, so no field, cell or
// pasted text can leave its literal; for values without quotes the text is
// exactly the classic one.

#include <QString>
#include <optional>

namespace k4 {

class Database;
class MessageService;
class ResultSet;

namespace msg {
inline const QString update_failed = QStringLiteral("更新時にｴﾗｰがあった為,ﾃﾞｰﾀの更新は中止しました");
inline const QString no_such_data = QStringLiteral("該当データがありません");
inline const QString duplicated = QStringLiteral("データが重複しています");
}  // namespace msg

namespace sql {
// The full list of the master with the send/receive type names (inner join),
// ordered by partner, type, information code.
QString full_list();
// One partner's list; `partner_code` is used as typed (not trimmed).
QString partner_list(const QString& partner_code);
// Whether the three values exist as a row.
QString duplicate_check(const QString& partner_code, const QString& transfer_type,
                        const QString& info_code);
// Removal of the listed row being changed (the grid's values), DELETE-asterisk form.
QString remove_changed_row(const QString& partner_code, const QString& transfer_type,
                           const QString& info_code);
// Insertion of the entry line.
QString insert_entry(const QString& partner_code, const QString& transfer_type,
                     const QString& info_code);
// Deletion of the entry line's row.
QString delete_entry(const QString& partner_code, const QString& transfer_type,
                     const QString& info_code);
}  // namespace sql

// The value, or the replacement when the value is Null.
QString null_to(const std::optional<QString>& value, const QString& replacement);

// The three values of a row of the master.
struct EntryValues {
    QString partner_code;
    QString transfer_type;
    QString info_code;
};

// The values without their leading and trailing blanks.
EntryValues trimmed(const EntryValues& values);

// Builds the full list into db.sql_text and opens it. status = 0, or 9 on any
// failure (logged, no message); the result set is then not open.
void open_full_list(Database& db, ResultSet& result, int& status);

// Entry kinds of the screen.
namespace entry {
constexpr int change = 0;
constexpr int add = 1;
constexpr int remove = 2;
}  // namespace entry

// The duplicate check (adding, changing) or existence check (deleting) of the
// field values as they stand. Refuses with its message and status 9; passes with
// status 0. A failing statement is reported as an update failure, status 9.
void check_duplicate(Database& db, MessageService& messages, int entry_kind,
                     const EntryValues& fields, int& status);

// Writes the entry line in one transaction: when changing (entry_kind 0) the
// listed row `listed` is removed first; then `fields` (trimmed, Null as one
// blank) is inserted. Any failure rolls everything back, shows the update-failure
// message (OK only, no icon) and sets status 9; otherwise status is left as is.
// Returns whether the change was committed.
bool write_entry(Database& db, MessageService& messages, int entry_kind,
                 const EntryValues& listed, const EntryValues& fields, int& status);

}  // namespace k4
