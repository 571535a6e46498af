#pragma once
// What the maintenance screen asks of its two tables: the master's lists and
// writes, and the names of the send/receive types. Every answer is an Outcome
// (with its value); nothing is shown and nothing is thrown from here, and the
// rows of a list are read completely before a list is returned.

#include "common/Outcome.h"
#include "store/EntryValues.h"
#include "store/ListedRows.h"

#include <QString>

namespace k4 {

class MasterStore {
public:
    virtual ~MasterStore() = default;

    // The full list with the type names (a row whose type 区分マスタ does not
    // name is not listed).
    virtual Result<ListedRows> full_list() = 0;
    // One partner's list; the text goes into the statement as typed.
    virtual Result<ListedRows> partner_list(const QString& typed_partner) = 0;
    // Whether a row with exactly these values exists (true) or not (false).
    virtual Result<bool> find_entry(const EntryValues& values) = 0;
    // Writes a row in one transaction. Changing (`EntryKind::change`), the
    // listed row `listed`, named exactly as the table holds it, is removed
    // first; then `row` is inserted as given. `refused` for a row without a
    // partner code (nothing tried); `absent` when the removal did not remove
    // exactly one row (rolled back); any failure rolls the whole write back.
    // A commit whose answer was lost is read back.
    virtual Outcome write_entry(EntryKind kind, const EntryValues& listed,
                                const EntryValues& row) = 0;
    // Deletes the row with exactly these values, in a transaction of its own:
    // `absent` when it did not remove exactly one row (rolled back). A commit
    // whose answer was lost is read back.
    virtual Outcome delete_entry(const EntryValues& values) = 0;
    // The name of a send/receive type (区分 送受信種別) as typed.
    virtual Result<QString> transfer_type_name(const QString& typed_type) = 0;
    // Closes the connection; the program is about to end.
    virtual void close() = 0;
};

}  // namespace k4
