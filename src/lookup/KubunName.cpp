#include "lookup/KubunName.h"

#include "common/text.h"
#include "db/Database.h"
#include "ui/MessageService.h"

#include <QLabel>
#include <QLineEdit>
#include <exception>

namespace k4 {

namespace {

const QString select_name = QStringLiteral("SELECT 区分名称 FROM 区分マスタ");
const QString where_kind = QStringLiteral(" WHERE 区分= '");
const QString and_code = QStringLiteral(" AND 区分ｺｰﾄﾞ= '");
const QString closing_quote = QStringLiteral("'");
const QString name_column = QStringLiteral("区分名称");
const QString not_found_message = QStringLiteral("該当データがありませんでした");

}  // namespace

QString lookup_kubun_name(Database& db, const QString& kind, const QString& code)
{
    db.sql_text = select_name + where_kind + sql_quote(kind) + closing_quote + and_code
                  + sql_quote(code) + closing_quote;
    try {
        ResultSet names;
        db.open_query(names);
        QString name;
        if (!names.eof())
            name = names.value(name_column).value_or(QString());
        names.close();
        return name;
    } catch (const std::exception&) {
        // The database layer has logged the cause; the caller only learns
        // that there is no name.
        return {};
    }
}

void fill_kubun_name(Database& db, MessageService& messages, const QString& kind,
                     QLineEdit* code_control, QLabel* name_target, int& status)
{
    if (!code_control) {
        if (name_target)
            name_target->clear();
        return;
    }
    const QString name = lookup_kubun_name(db, kind, code_control->text());
    if (!name.isEmpty()) {
        if (name_target)
            name_target->setText(name);
        return;
    }
    if (name_target)
        name_target->clear();
    status = 9;
    messages.show(not_found_message, mb::OKOnly, app_title);
}

}  // namespace k4
