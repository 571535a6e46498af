#pragma once
// The three values that name a row of the master, and what the screen is doing
// with the row of its entry line.

#include <QString>

namespace k4 {

// A row's values. Which form they are in is the holder's to say: the store's
// functions name the form they take (as stored, or as the operator typed them).
struct EntryValues {
    QString partner_code;
    QString transfer_type;
    QString info_code;

    friend bool operator==(const EntryValues& a, const EntryValues& b)
    {
        return a.partner_code == b.partner_code && a.transfer_type == b.transfer_type
            && a.info_code == b.info_code;
    }
};

// The values without their leading and trailing blanks: the form in which the
// operator's values are written and compared. The one place that trims them.
EntryValues trimmed(const EntryValues& values);

// What the entry line is for: changing the listed row it was copied from,
// adding a new row, or deleting the listed row.
enum class EntryKind { change, add, remove };

}  // namespace k4
