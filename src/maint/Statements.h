#pragma once
// Every statement the maintenance screen sends about its two tables, built
// piece by piece exactly as the program has always sent them. Values go between
// single quotes with any single quote inside doubled, so no field, cell or
// pasted text can leave its literal; for values without quotes the text is
// exactly the classic one.

#include <QString>
#include <optional>

namespace k4 {

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

// Entry kinds of the screen.
namespace entry {
constexpr int change = 0;
constexpr int add = 1;
constexpr int remove = 2;
}  // namespace entry

}  // namespace k4
