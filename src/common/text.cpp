#include "common/text.h"

namespace k4 {

QString trim_blanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

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
