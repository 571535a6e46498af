#include "common/text.h"

namespace k4 {

namespace {

template <typename View>
View trimmed(View text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    return text.sliced(begin, end - begin);
}

}  // namespace

QString trim_blanks(const QString& text)
{
    const QStringView kept = trimmed(QStringView(text));
    return kept.size() == text.size() ? text : kept.toString();
}

QStringView trim_blanks(QStringView text) { return trimmed(text); }
QByteArrayView trim_blanks(QByteArrayView utf8) { return trimmed(utf8); }

QString fixed_text(const QString& text, int width)
{
    if (text.size() >= width)
        return text.left(width);
    return text + QString(width - text.size(), u' ');
}

QString sql_quote(const QString& value)
{
    if (!value.contains(u'\''))
        return value;
    QString out = value;
    out.replace(QStringLiteral("'"), QStringLiteral("''"));
    return out;
}

}  // namespace k4
