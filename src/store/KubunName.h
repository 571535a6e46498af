#pragma once
// Names of classification codes (区分) from the table 区分マスタ.

#include "common/Outcome.h"

#include <QString>

namespace k4 {

class Database;

// The name (区分名称) of `code` of the classification `kind`, from the first
// matching row; the kind and the code go into the statement untrimmed, with
// single quotes doubled. `absent` for no row or a Null or empty name, `failed`
// for a statement the database refused, `unreachable` when the database
// cannot be reached even after connecting again (the database layer has
// logged the cause).
Result<QString> lookup_kubun_name(Database& db, const QString& kind, const QString& code);

}  // namespace k4
