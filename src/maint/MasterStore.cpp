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
    try {
        Transaction change(db_);
        if (entry_kind == entry::change)
            db_.execute_statement(sql::remove_changed_row(listed.partner_code, listed.transfer_type,
                                                          listed.info_code));
        const QString blank = QStringLiteral(" ");
        const EntryValues values = trimmed(fields);
        db_.execute_statement(sql::insert_entry(null_to(values.partner_code, blank),
                                                null_to(values.transfer_type, blank),
                                                null_to(values.info_code, blank)));
        change.commit();
        return StoreOutcome::done;
    } catch (const DbError& e) {
        qCWarning(lcDb) << "writing the entry failed, rolled back:" << e.what();
        return outcome_of(e);
    }
}

StoreOutcome MasterStore::begin_deletion()
{
    try {
        deletion_.emplace(db_);
        return StoreOutcome::done;
    } catch (const DbError& e) {
        qCWarning(lcDb) << "the deletion could not begin:" << e.what();
        return outcome_of(e);
    }
}

StoreOutcome MasterStore::delete_entry(const EntryValues& values)
{
    try {
        db_.execute_statement(sql::delete_entry(values.partner_code, values.transfer_type,
                                                values.info_code));
        return StoreOutcome::done;
    } catch (const DbError& e) {
        qCWarning(lcDb) << "the deletion failed:" << e.what();
        return StoreOutcome::failed;   // inside the transaction: it is rolled back at its end
    }
}

StoreOutcome MasterStore::end_deletion(bool commit)
{
    if (!deletion_)
        return StoreOutcome::failed;
    StoreOutcome outcome = StoreOutcome::done;
    try {
        if (commit)
            deletion_->commit();
        else
            deletion_->rollback();
    } catch (const DbError& e) {
        qCWarning(lcDb) << "the deletion failed, rolled back:" << e.what();
        outcome = StoreOutcome::failed;
    }
    deletion_.reset();   // rolls back whatever is still open
    return outcome;
}

}  // namespace k4
