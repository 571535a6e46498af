#include "lookup/KubunName.h"

#include "common/text.h"
#include "db/Database.h"

namespace k4 {

namespace {

const QString select_name = QStringLiteral("SELECT 区分名称 FROM 区分マスタ");
const QString where_kind = QStringLiteral(" WHERE 区分= '");
const QString and_code = QStringLiteral(" AND 区分ｺｰﾄﾞ= '");
const QString closing_quote = QStringLiteral("'");
const QString name_column = QStringLiteral("区分名称");

}  // namespace

KubunName lookup_kubun_name(Database& db, const QString& kind, const QString& code)
{
    const QString statement = select_name + where_kind + sql_quote(kind) + closing_quote
                              + and_code + sql_quote(code) + closing_quote;
    try {
        ResultSet names = db.open_query(statement);
        QString name;
        if (!names.eof())
            name = names.value(name_column).value_or(QString());
        names.close();
        if (name.isEmpty())
            return {};
        return {KubunName::Found::name, name};
    } catch (const DbError& e) {
        // The database layer has logged the cause.
        if (e.cannot_connect())
            return {KubunName::Found::unreachable, {}};
        return {};
    }
}

}  // namespace k4
