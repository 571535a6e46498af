#pragma once
// The writes and reads of the master table, on the program's one connection:
// the statements of Statements.h run here and come back as typed results. The
// store never shows anything; the screen turns its results into messages.

#include "db/Database.h"
#include "maint/Statements.h"

#include <optional>

namespace k4 {

// What a statement of the store came to.
enum class StoreOutcome {
    done,
    failed,       // the database refused it; rolled back, logged
    unreachable   // the database cannot be reached, even after connecting again
};

// A list opened: its rows when done.
struct OpenedList {
    StoreOutcome outcome = StoreOutcome::failed;
    ResultSet rows;
};

// The duplicate or existence check of three values.
enum class Presence { absent, present, failed, unreachable };

class MasterStore {
public:
    explicit MasterStore(Database& db) : db_(db) {}

    // The full list with the type names.
    [[nodiscard]] OpenedList open_full_list();
    // One partner's list; the text goes into the statement as typed.
    [[nodiscard]] OpenedList open_partner_list(const QString& typed_partner);
    // Whether a row with exactly these values exists. The caller gives the
    // values as they would be written (trimmed).
    [[nodiscard]] Presence find_entry(const EntryValues& values);
    // Writes the entry line in one transaction: when changing (entry::change)
    // the listed row is removed first, then `fields` (trimmed, an empty value
    // as one blank) is inserted. Any failure rolls the whole change back.
    [[nodiscard]] StoreOutcome write_entry(int entry_kind, const EntryValues& listed,
                                           const EntryValues& fields);

    // The deletion holds one transaction from before its checks, across the
    // operator's question, to the refreshed list: the checks, the answer and
    // the DELETE all see the same row, and another operator's change of it
    // waits until the answer. begin_deletion opens it; delete_entry runs the
    // statement in it; end_deletion commits (or rolls back) and closes it. A
    // deletion never ended is rolled back when the store goes.
    [[nodiscard]] StoreOutcome begin_deletion();
    [[nodiscard]] StoreOutcome delete_entry(const EntryValues& values);
    [[nodiscard]] StoreOutcome end_deletion(bool commit);
    bool deletion_open() const { return deletion_.has_value(); }

private:
    Database& db_;
    std::optional<Transaction> deletion_;
};

}  // namespace k4
