#pragma once
// Every statement the maintenance screen sends about its two tables, built
// piece by piece exactly as the program has always sent them. Values go between
// single quotes with any single quote inside doubled, so no field, cell or
// pasted text can leave its literal; for values without quotes the text is
// exactly the classic one.

#include <QString>

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
// Every row of the master (or of one partner, the text as given), its three
// columns only, in the full list's order: the rows whatever their type.
QString master_rows(const QString* partner_code);
// Insertion of a row unless the table holds it already (it touches no row
// then, and fails nothing), its values as parameters: partner, type, code,
// and with `portable` the three once more. Not portable, it uses ON CONFLICT
// DO NOTHING, which SQLite and PostgreSQL know and which checks the key once.
QString insert_new_entry(bool portable);
// The name (区分名称) of one code of a classification in 区分マスタ; the
// kind and the code go in untrimmed.
QString kubun_name(const QString& kind, const QString& code);
}  // namespace sql

}  // namespace k4
