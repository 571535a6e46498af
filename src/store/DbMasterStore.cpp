#include "store/DbMasterStore.h"

#include "common/text.h"
#include "db/Database.h"
#include "store/KubunName.h"
#include "store/Statements.h"

namespace k4 {

namespace {

const QString transfer_type_kind = QStringLiteral("送受信種別");
const QString list_columns[ListedRows::columns] = {
    QStringLiteral("相手先企業コード"),
    QStringLiteral("送受信種別"),
    QStringLiteral("送受信種別名"),
    QStringLiteral("情報区分コード"),
};

Outcome outcome_of(const DbError& e)
{
    return e.cannot_connect() ? Outcome::unreachable : Outcome::failed;
}

// Runs a list statement and reads all its rows.
Result<ListedRows> read_list(Database& db, const QString& statement, const char* what = "the list")
{
    try {
        ResultSet result = db.open_query(statement);
        ListedRows rows = read_listed_rows(result);
        result.close();
        return Result<ListedRows>::of(std::move(rows));
    } catch (const DbError& e) {
        qCWarning(lcDb) << what << "could not be read:" << e.what();
        return Result<ListedRows>::fail(outcome_of(e));
    }
}

// Whether a removal meant for the listed row removed exactly that one; any
// other count means the row is no longer as listed (logged).
bool removed_one(long long removed, const char* what)
{
    if (removed == 1)
        return true;
    qCWarning(lcDb).noquote() << QStringLiteral("%1 is no longer as listed (%2 rows matched);"
                                                " nothing written")
                                     .arg(QLatin1String(what))
                                     .arg(removed);
    return false;
}

QString row_text(const EntryValues& row)
{
    return QStringLiteral("%1/%2/%3").arg(row.partner_code, row.transfer_type, row.info_code);
}

}  // namespace

ListedRows read_listed_rows(ResultSet& result)
{
    // The values as the driver delivers them (UTF-8), into the packed form
    // the grid takes.
    ListedRows rows;
    if (result.eof())
        return rows;
    int columns[ListedRows::columns];
    for (int c = 0; c < ListedRows::columns; ++c) {
        columns[c] = result.column_index(list_columns[c]);
        if (columns[c] < 0)
            result.value(list_columns[c]);  // throws the unknown-column error
    }
    while (!result.eof()) {
        QByteArrayView values[ListedRows::columns];
        for (int c = 0; c < ListedRows::columns; ++c) {
            const std::optional<QByteArrayView> value = result.value_utf8(columns[c]);
            values[c] = value ? *value : QByteArrayView();
        }
        rows.append(values);
        result.move_next();
    }
    return rows;
}

Result<ListedRows> read_listed_rows(Database& db, const QString& statement)
{
    return read_list(db, statement);
}

Result<ListedRows> DbMasterStore::full_list()
{
    return read_list(db_, sql::full_list(), "the full list");
}

Result<ListedRows> DbMasterStore::partner_list(const QString& typed_partner)
{
    return read_list(db_, sql::partner_list(typed_partner), "the partner's list");
}

Result<bool> DbMasterStore::find_entry(const EntryValues& values)
{
    try {
        ResultSet found = db_.open_query(
            sql::duplicate_check(values.partner_code, values.transfer_type, values.info_code));
        const bool exists = !found.eof();
        found.close();
        return Result<bool>::of(exists);
    } catch (const DbError& e) {
        qCWarning(lcDb) << "the duplicate check failed:" << e.what();
        return Result<bool>::fail(outcome_of(e));
    }
}

Outcome DbMasterStore::write_entry(EntryKind kind, const EntryValues& listed,
                                   const EntryValues& row)
{
    if (trim_blanks(row.partner_code).isEmpty())
        return Outcome::refused;
    try {
        Transaction change(db_);
        if (kind == EntryKind::change) {
            if (!removed_one(db_.execute_statement(sql::remove_changed_row(
                                 listed.partner_code, listed.transfer_type, listed.info_code)),
                             "the changed row")) {
                change.rollback();
                return Outcome::absent;
            }
        }
        db_.execute_statement(
            sql::insert_entry(row.partner_code, row.transfer_type, row.info_code));
        change.commit();
        return Outcome::done;
    } catch (const DbError& e) {
        if (e.outcome_unknown())
            return read_back("the written row", row, true);
        qCWarning(lcDb) << "writing the entry failed, rolled back:" << e.what();
        return outcome_of(e);
    }
}

Outcome DbMasterStore::delete_entry(const EntryValues& values)
{
    try {
        Transaction deletion(db_);
        if (!removed_one(db_.execute_statement(sql::delete_entry(
                             values.partner_code, values.transfer_type, values.info_code)),
                         "the row to delete")) {
            deletion.rollback();
            return Outcome::absent;
        }
        deletion.commit();
        return Outcome::done;
    } catch (const DbError& e) {
        if (e.outcome_unknown())
            return read_back("the deleted row", values, false);
        qCWarning(lcDb) << "the deletion failed, rolled back:" << e.what();
        return outcome_of(e);
    }
}

Result<QString> DbMasterStore::transfer_type_name(const QString& typed_type)
{
    return lookup_kubun_name(db_, transfer_type_kind, typed_type);
}

void DbMasterStore::close()
{
    db_.close_database();
}

Outcome DbMasterStore::read_back(const char* what, const EntryValues& row, bool there)
{
    const Result<bool> found = find_entry(row);
    if (found.done()) {
        const bool committed = found.value == there;
        qCWarning(lcDb).noquote() << "the answer to the commit was lost; read back:" << what
                                  << row_text(row)
                                  << (committed ? "- committed" : "- not committed");
        return committed ? Outcome::done : Outcome::failed;
    }
    qCWarning(lcDb).noquote() << "outcome unknown: the answer to the commit was lost and the"
                                 " table could not be read back;"
                              << what << row_text(row);
    return Outcome::unreachable;
}

}  // namespace k4
