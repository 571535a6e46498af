#include "maint/MasterStore.h"

namespace k4 {

namespace {

StoreOutcome outcome_of(const DbError& e)
{
    return e.cannot_connect() ? StoreOutcome::unreachable : StoreOutcome::failed;
}

OpenedList open_list(Database& db, const QString& statement, const char* what)
{
    try {
        return {StoreOutcome::done, db.open_query(statement)};
    } catch (const DbError& e) {
        qCWarning(lcDb) << what << "could not be opened:" << e.what();
        return {outcome_of(e), {}};
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

}  // namespace

OpenedList MasterStore::open_full_list()
{
    return open_list(db_, sql::full_list(), "the full list");
}

OpenedList MasterStore::open_partner_list(const QString& typed_partner)
{
    return open_list(db_, sql::partner_list(typed_partner), "the partner's list");
}

Presence MasterStore::find_entry(const EntryValues& values)
{
    try {
        ResultSet found = db_.open_query(
            sql::duplicate_check(values.partner_code, values.transfer_type, values.info_code));
        const bool exists = db_.eof_status != QLatin1String("9");
        found.close();
        return exists ? Presence::present : Presence::absent;
    } catch (const DbError& e) {
        qCWarning(lcDb) << "the duplicate check failed:" << e.what();
        return e.cannot_connect() ? Presence::unreachable : Presence::failed;
    }
}

StoreOutcome MasterStore::write_entry(int entry_kind, const EntryValues& listed,
                                      const EntryValues& fields)
{
    const EntryValues values = trimmed(fields);
    try {
        Transaction change(db_);
        if (entry_kind == entry::change) {
            if (!removed_one(db_.execute_statement(sql::remove_changed_row(
                                 listed.partner_code, listed.transfer_type, listed.info_code)),
                             "the changed row")) {
                change.rollback();
                return StoreOutcome::absent;
            }
        }
        db_.execute_statement(sql::insert_entry(values.partner_code, values.transfer_type,
                                                values.info_code));
        change.commit();
        return StoreOutcome::done;
    } catch (const DbError& e) {
        if (e.outcome_unknown())
            return read_back("the written row", values, Presence::present);
        qCWarning(lcDb) << "writing the entry failed, rolled back:" << e.what();
        return outcome_of(e);
    }
}

StoreOutcome MasterStore::delete_entry(const EntryValues& values)
{
    try {
        Transaction deletion(db_);
        if (!removed_one(db_.execute_statement(sql::delete_entry(
                             values.partner_code, values.transfer_type, values.info_code)),
                         "the row to delete")) {
            deletion.rollback();
            return StoreOutcome::absent;
        }
        deletion.commit();
        return StoreOutcome::done;
    } catch (const DbError& e) {
        if (e.outcome_unknown())
            return read_back("the deleted row", values, Presence::absent);
        qCWarning(lcDb) << "the deletion failed, rolled back:" << e.what();
        return outcome_of(e);
    }
}

StoreOutcome MasterStore::read_back(const char* what, const EntryValues& row, Presence expected)
{
    const QString values =
        QStringLiteral("%1/%2/%3").arg(row.partner_code, row.transfer_type, row.info_code);
    const Presence found = find_entry(row);
    if (found == Presence::present || found == Presence::absent) {
        const bool committed = found == expected;
        qCWarning(lcDb).noquote() << "the answer to the commit was lost; read back:" << what
                                  << values << (committed ? "- committed" : "- not committed");
        return committed ? StoreOutcome::done : StoreOutcome::failed;
    }
    qCWarning(lcDb).noquote() << "outcome unknown: the answer to the commit was lost and the"
                                 " table could not be read back;" << what << values;
    return StoreOutcome::unreachable;
}

}  // namespace k4
