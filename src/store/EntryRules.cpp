#include "store/EntryRules.h"

#include "common/Messages.h"
#include "common/cp932.h"
#include "common/text.h"
#include "store/CharFilter.h"


namespace k4 {

namespace {

// The class of every entry field of the window: no quotes, no commas.
const QString field_kind = QStringLiteral("2");

}  // namespace

QString row_field_name(RowField field)
{
    switch (field) {
    case RowField::partner: return QStringLiteral("相手先企業コード");
    case RowField::type: return QStringLiteral("送受信種別");
    case RowField::code: break;
    }
    return QStringLiteral("情報区分コード");
}

QString value_of(const EntryValues& row, RowField field)
{
    switch (field) {
    case RowField::partner: return row.partner_code;
    case RowField::type: return row.transfer_type;
    case RowField::code: break;
    }
    return row.info_code;
}

std::vector<RowProblem> value_problems(const EntryValues& row)
{
    std::vector<RowProblem> problems;
    struct Rule {
        RowField field;
        int bytes;
        const QString& missing;
    };
    const Rule rules[] = {
        {RowField::partner, field_bytes::partner, msg::partner_missing},
        {RowField::type, field_bytes::type, msg::transfer_type_missing},
        {RowField::code, field_bytes::code, msg::info_code_missing},
    };
    for (const Rule& rule : rules) {
        const QString value = value_of(row, rule.field);
        auto add = [&](const QString& reason, const QString& message = QString()) {
            problems.push_back({rule.field, reason, message});
        };
        if (trim_blanks(value).isEmpty()) {
            add(QStringLiteral("missing"), rule.missing);
            continue;
        }
        // Most values are upper-case letters and digits: those are judged
        // without a conversion.
        bool plain = true, lower = false, control = false, refused = false;
        for (const QChar ch : value) {
            const char16_t c = ch.unicode();
            plain = plain && c < 0x80;
            lower = lower || (c >= u'a' && c <= u'z');
            control = control || c < 0x20 || c == 0x7F;
            refused = refused || c == u'\'' || c == u'"' || c == u',';
        }
        if (value.front() == u' ' || value.back() == u' ')
            add(QStringLiteral("leading or trailing blanks (the window would remove them)"));
        if (plain ? lower : value.toUpper() != value)
            add(QStringLiteral("lower case (the window would write it in upper case)"));
        if (control)
            add(QStringLiteral("a control character (tab, line end, ...)"));
        if (refused || (!plain && filter_text(field_kind, QString(), value) != value))
            add(QStringLiteral("a character the entry field refuses (quote, double quote or comma)"));
        if (!plain && from_cp932(to_cp932(value)) != value)
            add(QStringLiteral("a character code page 932 cannot hold"));
        else if ((plain ? int(value.size()) : ansi_byte_length(value)) > rule.bytes)
            add(QStringLiteral("longer than %1 bytes (the window would cut it)").arg(rule.bytes));
    }
    return problems;
}

}  // namespace k4
