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
    absent,       // the listed row is no longer in the table as listed (another
                  // operator changed or deleted it): rolled back, nothing written
    failed,       // the database refused it; rolled back, logged
    unreachable   // the database cannot be reached, even after connecting again;
                  // after a commit whose answer was lost, whether it took effect
                  // is unknown (logged with the values)
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
    // the listed row, with its values exactly as the table holds them, is
    // removed first, then `fields` (trimmed) is inserted. A removal that does
    // not remove exactly one row is `absent`; any failure rolls the whole
    // change back. A commit whose answer was lost is read back.
    [[nodiscard]] StoreOutcome write_entry(int entry_kind, const EntryValues& listed,
                                           const EntryValues& fields);

    // Deletes the row with exactly these values, in a transaction of its own
    // that is begun and ended here: no transaction is held while the operator
    // answers a question, so nobody's work waits on it or fails through it.
    // A deletion that does not remove exactly one row is `absent` and rolled
    // back. A commit whose answer was lost is read back.
    [[nodiscard]] StoreOutcome delete_entry(const EntryValues& values);

private:
    // After a commit whose answer was lost: whether the row `expected` to be
    // there (or gone) is so now, connecting again to find out.
    StoreOutcome read_back(const char* what, const EntryValues& row, Presence expected);

    Database& db_;
};

}  // namespace k4
