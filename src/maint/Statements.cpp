#include "maint/Statements.h"

#include "common/text.h"
#include "db/Database.h"
#include "ui/MessageService.h"

namespace k4 {

namespace {

// The pieces of the list statements, in their order.
const QString list_head = QStringLiteral("SELECT ")
    + QStringLiteral(" FL1914利用情報区分マスタ.相手先企業コード,")
    + QStringLiteral(" FL1914利用情報区分マスタ.送受信種別,")
    + QStringLiteral(" FL1914利用情報区分マスタ.情報区分コード,")
    + QStringLiteral(" 区分マスタ.区分名称 AS 送受信種別名 ")
    + QStringLiteral(" FROM FL1914利用情報区分マスタ,")
    + QStringLiteral(" 区分マスタ ")
    + QStringLiteral(" WHERE FL1914利用情報区分マスタ.送受信種別 = 区分マスタ.区分コード")
    + QStringLiteral(" AND 区分マスタ.区分 = '")
    + QStringLiteral("送受信種別")
    + QStringLiteral("'");
const QString list_order =
    QStringLiteral(" ORDER BY FL1914利用情報区分マスタ.相手先企業コード,送受信種別,情報区分コード");

QString quoted(const QString& value)
{
    return sql_quote(value);
}

}  // namespace

namespace sql {

QString full_list()
{
    return list_head + list_order;
}

QString partner_list(const QString& partner_code)
{
    return list_head + QStringLiteral(" AND FL1914利用情報区分マスタ.相手先企業コード = '")
        + quoted(partner_code) + QStringLiteral("'") + list_order;
}

QString duplicate_check(const QString& partner_code, const QString& transfer_type,
                        const QString& info_code)
{
    return QStringLiteral("SELECT * ") + QStringLiteral(" FROM FL1914利用情報区分マスタ ")
        + QStringLiteral(" WHERE FL1914利用情報区分マスタ.相手先企業コード = '")
        + quoted(partner_code) + QStringLiteral("'")
        + QStringLiteral(" AND FL1914利用情報区分マスタ.送受信種別 = '") + quoted(transfer_type)
        + QStringLiteral("'") + QStringLiteral(" AND FL1914利用情報区分マスタ.情報区分コード = '")
        + quoted(info_code) + QStringLiteral("'");
}

QString remove_changed_row(const QString& partner_code, const QString& transfer_type,
                           const QString& info_code)
{
    return QStringLiteral("DELETE * ") + QStringLiteral(" FROM FL1914利用情報区分マスタ")
        + QStringLiteral(" WHERE 相手先企業コード = '") + quoted(partner_code) + QStringLiteral("'")
        + QStringLiteral(" AND 送受信種別 = '") + quoted(transfer_type) + QStringLiteral("'")
        + QStringLiteral(" AND 情報区分コード = '") + quoted(info_code) + QStringLiteral("'");
}

QString insert_entry(const QString& partner_code, const QString& transfer_type,
                     const QString& info_code)
{
    return QStringLiteral("INSERT INTO FL1914利用情報区分マスタ")
        + QStringLiteral(" (相手先企業コード,") + QStringLiteral(" 送受信種別,")
        + QStringLiteral(" 情報区分コード)") + QStringLiteral(" VALUES ") + QStringLiteral(" ('")
        + quoted(partner_code) + QStringLiteral("',") + QStringLiteral(" '")
        + quoted(transfer_type) + QStringLiteral("',") + QStringLiteral(" '")
        + quoted(info_code) + QStringLiteral("')");
}

QString delete_entry(const QString& partner_code, const QString& transfer_type,
                     const QString& info_code)
{
    return QStringLiteral("DELETE FROM FL1914利用情報区分マスタ")
        + QStringLiteral(" WHERE 相手先企業コード = '") + quoted(partner_code) + QStringLiteral("'")
        + QStringLiteral(" AND 送受信種別 = '") + quoted(transfer_type) + QStringLiteral("'")
        + QStringLiteral(" AND 情報区分コード = '") + quoted(info_code) + QStringLiteral("'");
}

}  // namespace sql

QString null_to(const std::optional<QString>& value, const QString& replacement)
{
    return value ? *value : replacement;
}

void open_full_list(Database& db, ResultSet& result, int& status)
{
    status = 0;
    db.sql_text = sql::full_list();
    try {
        db.open_query(result);
    } catch (const DbError& e) {
        qCWarning(lcDb) << "the full list could not be opened:" << e.what();
        result.close();
        status = 9;
    }
}

void check_duplicate(Database& db, MessageService& messages, int entry_kind,
                     const EntryValues& fields, int& status)
{
    db.sql_text = sql::duplicate_check(fields.partner_code, fields.transfer_type,
                                       fields.info_code);
    ResultSet found;
    try {
        db.open_query(found);
    } catch (const DbError& e) {
        qCWarning(lcDb) << "the duplicate check failed:" << e.what();
        messages.show(msg::update_failed, mb::OKOnly);
        status = 9;
        return;
    }
    const bool exists = db.eof_status != QLatin1String("9");
    found.close();
    if (entry_kind == entry::remove) {
        if (!exists) {
            messages.show(msg::no_such_data, mb::OKOnly + mb::Exclamation);
            status = 9;
            return;
        }
        status = 0;
        return;
    }
    if (exists) {
        messages.show(msg::duplicated, mb::OKOnly + mb::Exclamation);
        status = 9;
        return;
    }
    status = 0;
}

EntryValues trimmed(const EntryValues& values)
{
    return {trim_blanks(values.partner_code), trim_blanks(values.transfer_type), trim_blanks(values.info_code)};
}

bool write_entry(Database& db, MessageService& messages, int entry_kind,
                 const EntryValues& listed, const EntryValues& fields, int& status)
{
    try {
        db.begin_trans();
        if (entry_kind == entry::change) {
            db.sql_text = sql::remove_changed_row(listed.partner_code, listed.transfer_type,
                                                  listed.info_code);
            db.execute_statement();
        }
        const QString blank = QStringLiteral(" ");
        const EntryValues values = trimmed(fields);
        db.sql_text = sql::insert_entry(null_to(values.partner_code, blank), null_to(values.transfer_type, blank),
                                        null_to(values.info_code, blank));
        db.execute_statement();
        db.commit_trans();
        return true;
    } catch (const DbError& e) {
        qCWarning(lcDb) << "writing the entry failed, rolled back:" << e.what();
        try {
            db.rollback_trans();
        } catch (const DbError& r) {
            qCWarning(lcDb) << "the rollback failed too:" << r.what();
        }
        status = 9;
        messages.show(msg::update_failed, mb::OKOnly);
    }
    return false;
}

}  // namespace k4
