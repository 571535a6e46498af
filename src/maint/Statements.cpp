#include "maint/Statements.h"

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

EntryValues trimmed(const EntryValues& values)
{
    return {trim_blanks(values.partner_code), trim_blanks(values.transfer_type), trim_blanks(values.info_code)};
}

}  // namespace k4
