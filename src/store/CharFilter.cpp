#include "store/CharFilter.h"

namespace k4 {

namespace {

constexpr int back_space = 8;
constexpr int enter = 13;
constexpr int double_quote = 34;
constexpr int single_quote = 39;
constexpr int comma = 44;
constexpr int minus = 45;
constexpr int point = 46;
constexpr int slash = 47;
constexpr int colon = 58;

bool is_digit(int c) { return c >= '0' && c <= '9'; }

}  // namespace

int reject_second_minus(const QString& field_text, int key_ascii)
{
    if (key_ascii == minus && field_text.contains(u'-'))
        return 0;
    return key_ascii;
}

int reject_second_point(const QString& field_text, int key_ascii)
{
    if (key_ascii == point && field_text.contains(u'.'))
        return 0;
    return key_ascii;
}

int filter_key_press(QStringView kind, const QString& field_text, int c)
{
    if (c == back_space || c == enter)
        return c;
    if (kind.isEmpty())
        kind = u"2";

    const QChar first = kind.at(0);
    if (first == u'1')
        return c;
    if (first == u'2') {
        if (c == single_quote || c == double_quote || c == comma)
            return 0;
        const QChar last = kind.back();
        if (last == u'U' && c >= 'a' && c <= 'z')
            return c - 32;
        if (last == u'L' && c >= 'A' && c <= 'Z')
            return c + 32;
        return c;
    }

    if (kind == QLatin1String("3"))
        return is_digit(c) ? c : 0;
    if (kind == QLatin1String("4")) {
        if (is_digit(c))
            return c;
        return c == minus ? reject_second_minus(field_text, c) : 0;
    }
    if (kind == QLatin1String("5")) {
        if (is_digit(c))
            return c;
        return c == point ? reject_second_point(field_text, c) : 0;
    }
    if (kind == QLatin1String("6"))
        return (is_digit(c) || c == comma) ? c : 0;
    if (kind == QLatin1String("7")) {
        if (is_digit(c))
            return c;
        if (c == minus)
            return reject_second_minus(field_text, c);
        if (c == point)
            return reject_second_point(field_text, c);
        return 0;
    }
    if (kind == QLatin1String("8")) {
        if (is_digit(c) || c == comma)
            return c;
        return c == minus ? reject_second_minus(field_text, c) : 0;
    }
    if (kind == QLatin1String("9")) {
        if (is_digit(c) || c == comma)
            return c;
        return c == point ? reject_second_point(field_text, c) : 0;
    }
    if (kind == QLatin1String("A")) {
        if (c < comma || c > point)
            return is_digit(c) ? c : 0;
        c = reject_second_minus(field_text, c);
        if (c == point)
            c = reject_second_point(field_text, c);
        return c;
    }
    if (kind == QLatin1String("B"))
        return (c >= slash && c <= '9') ? c : 0;
    if (kind == QLatin1String("C"))
        return (c >= '0' && c <= colon) ? c : 0;
    if (kind == QLatin1String("D"))
        return (c >= slash && c <= colon) ? c : 0;
    return c;
}

QString filter_text(QStringView kind, const QString& field_text, const QString& inserted)
{
    QString out;
    out.reserve(inserted.size());
    QString seen = field_text;
    for (const QChar ch : inserted) {
        const int c = filter_key_press(kind, seen, ch.unicode());
        if (c == 0)
            continue;
        out += QChar(char16_t(c));
        seen += QChar(char16_t(c));
    }
    return out;
}

}  // namespace k4
