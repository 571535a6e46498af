#pragma once
// Names of classification codes (区分) from the table 区分マスタ.

#include <QString>

class QLabel;
class QLineEdit;

namespace k4 {

class Database;
class MessageService;

// The name of `code` of the classification `kind`: the 区分名称 of the first
// matching row, or the empty text when no row matches, the name is Null or
// anything fails (nothing is reported here). The kind and the code go into the
// statement untrimmed, with single quotes doubled. Overwrites db.sql_text.
QString lookup_kubun_name(Database& db, const QString& kind, const QString& code);

// Looks up the text of `code_control` and writes the name into `name_target`.
// When there is no name: empties the label, sets the status to 9 and shows
// "該当データがありませんでした". Otherwise the status is left as it was.
// Without a code control the label is emptied and nothing else happens.
void fill_kubun_name(Database& db, MessageService& messages, const QString& kind,
                     QLineEdit* code_control, QLabel* name_target, int& status);

}  // namespace k4
