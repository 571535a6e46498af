#pragma once
// The rules a row's values meet when the window writes them: what its entry
// fields would refuse, and what they would alter (trim, upper-case, cut to
// the field's length) before writing. The administrators' command refuses
// rather than alters, so that what it writes is exactly what it was given,
// and lists rows of the table that break a rule.

#include "store/EntryValues.h"

#include <QString>
#include <vector>

namespace k4 {

// The entry fields' lengths in code page 932 bytes.
namespace field_bytes {
constexpr int partner = 12;
constexpr int type = 1;
constexpr int code = 4;
}  // namespace field_bytes

enum class RowField { partner, type, code };
// The field's name as the window's heading and the list's header name it.
QString row_field_name(RowField field);
QString value_of(const EntryValues& row, RowField field);

// One rule a value breaks: the field, an English reason, and the window's own
// message where the window refuses the value with one (empty where it would
// alter the value instead).
struct RowProblem {
    RowField field;
    QString reason;
    QString window_message;
};

// Every rule the three values break that needs no lookup: a value missing,
// edge blanks, lower case, a character the entry field refuses (quote, double
// quote, comma), a character code page 932 cannot hold, a value longer than
// its field.
std::vector<RowProblem> value_problems(const EntryValues& row);

}  // namespace k4
