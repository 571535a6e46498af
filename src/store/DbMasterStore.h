#pragma once
// The store on the program's one database connection: the statements of
// Statements.h, each failure logged and turned into its Outcome.

#include "store/MasterStore.h"

namespace k4 {

class Database;
class ResultSet;

// Runs a list statement (the columns of the full list) and reads all its rows.
Result<ListedRows> read_listed_rows(Database& db, const QString& statement);
// Reads all rows of a list already opened (the columns of the full list).
// Throws DbError when the rows cannot be read.
ListedRows read_listed_rows(ResultSet& result);

class DbMasterStore final : public MasterStore {
public:
    explicit DbMasterStore(Database& db) : db_(db) {}

    Result<ListedRows> full_list() override;
    Result<ListedRows> partner_list(const QString& typed_partner) override;
    Result<bool> find_entry(const EntryValues& values) override;
    Outcome write_entry(EntryKind kind, const EntryValues& listed, const EntryValues& row) override;
    Outcome delete_entry(const EntryValues& values) override;
    Result<QString> transfer_type_name(const QString& typed_type) override;
    void close() override;

private:
    // After a commit whose answer was lost: whether `row` is there (expected
    // there when `there`) now, connecting again to find out.
    Outcome read_back(const char* what, const EntryValues& row, bool there);

    Database& db_;
};

}  // namespace k4
