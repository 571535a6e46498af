#include "store/Statements.h"

#include "store/EntryValues.h"

#include "common/text.h"

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

const QString select_name = QStringLiteral("SELECT 区分名称 FROM 区分マスタ");
const QString where_kind = QStringLiteral(" WHERE 区分= '");
const QString and_code = QStringLiteral(" AND 区分ｺｰﾄﾞ= '");

}  // namespace

namespace sql {

QString full_list()
{
    return list_head + list_order;
}

QString partner_list(const QString& partner_code)
{
    return list_head + QStringLiteral(" AND FL1914利用情報区分マスタ.相手先企業コード = '")
        + sql_quote(partner_code) + QStringLiteral("'") + list_order;
}

QString duplicate_check(const QString& partner_code, const QString& transfer_type,
                        const QString& info_code)
{
    return QStringLiteral("SELECT * ") + QStringLiteral(" FROM FL1914利用情報区分マスタ ")
        + QStringLiteral(" WHERE FL1914利用情報区分マスタ.相手先企業コード = '")
        + sql_quote(partner_code) + QStringLiteral("'")
        + QStringLiteral(" AND FL1914利用情報区分マスタ.送受信種別 = '") + sql_quote(transfer_type)
        + QStringLiteral("'") + QStringLiteral(" AND FL1914利用情報区分マスタ.情報区分コード = '")
        + sql_quote(info_code) + QStringLiteral("'");
}

QString remove_changed_row(const QString& partner_code, const QString& transfer_type,
                           const QString& info_code)
{
    return QStringLiteral("DELETE * ") + QStringLiteral(" FROM FL1914利用情報区分マスタ")
        + QStringLiteral(" WHERE 相手先企業コード = '") + sql_quote(partner_code) + QStringLiteral("'")
        + QStringLiteral(" AND 送受信種別 = '") + sql_quote(transfer_type) + QStringLiteral("'")
        + QStringLiteral(" AND 情報区分コード = '") + sql_quote(info_code) + QStringLiteral("'");
}

QString insert_entry(const QString& partner_code, const QString& transfer_type,
                     const QString& info_code)
{
    return QStringLiteral("INSERT INTO FL1914利用情報区分マスタ")
        + QStringLiteral(" (相手先企業コード,") + QStringLiteral(" 送受信種別,")
        + QStringLiteral(" 情報区分コード)") + QStringLiteral(" VALUES ") + QStringLiteral(" ('")
        + sql_quote(partner_code) + QStringLiteral("',") + QStringLiteral(" '")
        + sql_quote(transfer_type) + QStringLiteral("',") + QStringLiteral(" '")
        + sql_quote(info_code) + QStringLiteral("')");
}

QString delete_entry(const QString& partner_code, const QString& transfer_type,
                     const QString& info_code)
{
    return QStringLiteral("DELETE FROM FL1914利用情報区分マスタ")
        + QStringLiteral(" WHERE 相手先企業コード = '") + sql_quote(partner_code) + QStringLiteral("'")
        + QStringLiteral(" AND 送受信種別 = '") + sql_quote(transfer_type) + QStringLiteral("'")
        + QStringLiteral(" AND 情報区分コード = '") + sql_quote(info_code) + QStringLiteral("'");
}

QString master_rows(const QString* partner_code)
{
    QString statement = QStringLiteral("SELECT 相手先企業コード, 送受信種別, 情報区分コード"
                                       " FROM FL1914利用情報区分マスタ");
    if (partner_code)
        statement += QStringLiteral(" WHERE 相手先企業コード = '") + sql_quote(*partner_code)
            + QStringLiteral("'");
    return statement + QStringLiteral(" ORDER BY 相手先企業コード, 送受信種別, 情報区分コード");
}

QString insert_new_entry(bool portable)
{
    const QString insert = QStringLiteral(
        "INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード)");
    if (!portable)
        return insert + QStringLiteral(" VALUES (?, ?, ?) ON CONFLICT DO NOTHING");
    return insert + QStringLiteral(" SELECT ?, ?, ? WHERE NOT EXISTS (SELECT 1 FROM FL1914利用情報区分マスタ"
                                   " WHERE 相手先企業コード = ? AND 送受信種別 = ? AND 情報区分コード = ?)");
}

QString kubun_name(const QString& kind, const QString& code)
{
    return select_name + where_kind + sql_quote(kind) + QStringLiteral("'") + and_code + sql_quote(code)
        + QStringLiteral("'");
}

}  // namespace sql

EntryValues trimmed(const EntryValues& values)
{
    return {trim_blanks(values.partner_code), trim_blanks(values.transfer_type), trim_blanks(values.info_code)};
}

}  // namespace k4
