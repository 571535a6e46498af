#pragma once
// Names of classification codes (区分) from the table 区分マスタ.

#include <QString>

namespace k4 {

class Database;

// What a name lookup came to.
struct KubunName {
    enum class Found {
        name,        // `name` holds it
        none,        // no row, a Null or empty name, or a failing statement (logged)
        unreachable  // the database cannot be reached, even after connecting again
    };
    Found found = Found::none;
    QString name;
};

// The name of `code` of the classification `kind`: the 区分名称 of the first
// matching row. The kind and the code go into the statement untrimmed, with
// single quotes doubled. Records the statement in db.sql_text.
[[nodiscard]] KubunName lookup_kubun_name(Database& db, const QString& kind, const QString& code);

}  // namespace k4
