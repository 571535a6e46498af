#include "common/text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace k4 {

namespace {

bool is_blank(QChar c) { return c == u' '; }
bool is_blank_or_tab(QChar c) { return c == u' ' || c == u'\t'; }

template <typename View, typename Pred>
View trimmed(View text, Pred strip)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && strip(text[begin]))
        ++begin;
    while (end > begin && strip(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

char16_t ascii_lower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

bool is_digit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The decimal form both number rules read:
// [+-] digits [. digits] | [+-] . digits, then an optional exponent.
bool is_decimal_number(QStringView s)
{
    qsizetype i = 0;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < s.size() && is_digit(s[i]))
        ++i, ++digits;
    if (i < s.size() && s[i] == u'.') {
        ++i;
        while (i < s.size() && is_digit(s[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        ++i;
        if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
            ++i;
        qsizetype exponent_digits = 0;
        while (i < s.size() && is_digit(s[i]))
            ++i, ++exponent_digits;
        if (exponent_digits == 0)
            return false;
    }
    return i == s.size();
}

// A text of the decimal form as the nearest double; std::nullopt for any
// other text and for a value that overflows or underflows to zero.
std::optional<double> decimal_value(QStringView s)
{
    if (!is_decimal_number(s))
        return std::nullopt;
    QByteArray ascii = s.toLatin1();
    if (ascii.startsWith('+'))
        ascii.remove(0, 1);
    double value = 0;
    const auto [end, error] = std::from_chars(ascii.constData(), ascii.constData() + ascii.size(), value);
    if (error != std::errc() || end != ascii.constData() + ascii.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The digits after "&H" under the settings-key rule: 1-8 of them; up to 4
// digits are a 16-bit and up to 8 a 32-bit signed value.
std::optional<qint32> settings_hex(QStringView digits)
{
    if (digits.isEmpty() || digits.size() > 8)
        return std::nullopt;
    quint32 value = 0;
    for (const QChar c : digits) {
        const int d = QStringView(u"0123456789abcdef").indexOf(c.toLower());
        if (d < 0)
            return std::nullopt;
        value = value * 16 + quint32(d);
    }
    if (digits.size() <= 4)
        return qint32(qint16(quint16(value)));
    return qint32(value);
}

// "&H1F" / "&O17" under the property rule: any number of digits up to a
// 32-bit value, read as two's complement.
std::optional<qint32> property_radix(const QString& text)
{
    if (text.size() < 3 || text.at(0) != u'&')
        return std::nullopt;
    const QChar kind = text.at(1).toUpper();
    const int base = kind == u'H' ? 16 : kind == u'O' ? 8 : 0;
    if (base == 0)
        return std::nullopt;
    quint64 value = 0;
    for (qsizetype i = 2; i < text.size(); ++i) {
        const char16_t c = text.at(i).toUpper().unicode();
        const int digit = (c >= u'0' && c <= u'9') ? c - u'0'
                          : (c >= u'A' && c <= u'F') ? c - u'A' + 10
                                                     : base;
        if (digit >= base)
            return std::nullopt;
        value = value * quint64(base) + quint64(digit);
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    return qint32(quint32(value));
}

}  // namespace

QString trim_blanks(const QString& text)
{
    const QStringView kept = trimmed(QStringView(text), is_blank);
    return kept.size() == text.size() ? text : kept.toString();
}

QStringView trim_blanks(QStringView text) { return trimmed(text, is_blank); }
QByteArrayView trim_blanks(QByteArrayView utf8)
{
    return trimmed(utf8, [](char c) { return c == ' '; });
}

QString trim_blanks_and_tabs(const QString& text)
{
    return trimmed(QStringView(text), is_blank_or_tab).toString();
}

QStringView trim_blanks_and_tabs(QStringView text) { return trimmed(text, is_blank_or_tab); }

QString fold_ascii_case(QStringView text)
{
    QString out = text.toString();
    for (QChar& c : out)
        c = QChar(ascii_lower(c.unicode()));
    return out;
}

bool equal_ignoring_ascii_case(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (ascii_lower(a[i].unicode()) != ascii_lower(b[i].unicode()))
            return false;
    }
    return true;
}

std::optional<double> settings_number(const QString& text)
{
    const QStringView s = QStringView(text).trimmed();
    if (s.size() > 2 && s[0] == u'&' && (s[1] == u'h' || s[1] == u'H')) {
        if (const auto hex = settings_hex(s.sliced(2)))
            return double(*hex);
        return std::nullopt;
    }
    return decimal_value(s);
}

std::optional<qint16> settings_int16(const QString& text)
{
    const auto number = settings_number(text);
    if (!number)
        return std::nullopt;
    double whole = std::floor(*number);
    const double fraction = *number - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    if (whole < -32768.0 || whole > 32767.0)
        return std::nullopt;
    return qint16(whole);
}

std::optional<double> property_number(const QString& text)
{
    const QString t = trim_blanks_and_tabs(text);
    if (t.isEmpty())
        return std::nullopt;
    if (t.at(0) == u'&') {
        const std::optional<qint32> v = property_radix(t);
        return v ? std::optional<double>(double(*v)) : std::nullopt;
    }
    return decimal_value(t);
}

std::optional<qint32> long_from_number(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value);  // default rounding: half to even
    if (rounded < double(std::numeric_limits<qint32>::min())
        || rounded > double(std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return qint32(rounded);
}

std::optional<qint32> property_long(const QString& text)
{
    const QString t = trim_blanks_and_tabs(text);
    if (!t.isEmpty() && t.at(0) == u'&')
        return property_radix(t);
    const std::optional<double> value = property_number(t);
    return value ? long_from_number(*value) : std::nullopt;
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
