#include "store/KubunName.h"

#include "db/Database.h"
#include "store/Statements.h"

namespace k4 {

Result<QString> lookup_kubun_name(Database& db, const QString& kind, const QString& code)
{
    static const QString name_column = QStringLiteral("区分名称");
    try {
        ResultSet names = db.open_query(sql::kubun_name(kind, code));
        QString name;
        if (!names.eof())
            name = names.value(name_column).value_or(QString());
        names.close();
        if (name.isEmpty())
            return Result<QString>::fail(Outcome::absent);
        return Result<QString>::of(name);
    } catch (const DbError& e) {
        return Result<QString>::fail(e.cannot_connect() ? Outcome::unreachable : Outcome::failed);
    }
}

}  // namespace k4
