#include "settings/Settings.h"

#include "common/text.h"
#include "settings/Profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>
#include <charconv>
#include <cmath>

namespace k4 {
namespace {

Q_LOGGING_CATEGORY(lcSettings, "k4.settings")

const QString settings_file_name = QStringLiteral("EDI.ini");
constexpr int fixed_text_width = 50;
constexpr int db_buffer_size = 64;
constexpr int settings_buffer_size = 256;

[[noreturn]] void fail(const QString& detail)
{
    qCWarning(lcSettings).noquote() << detail;
    throw SettingsError(detail.toStdString());
}

QString formed_path(const SettingsLocation& where)
{
    const auto path = settings_file_path(where);
    if (!path)
        fail(QStringLiteral("the settings file path cannot be formed from the program directory \"%1\"")
                 .arg(where.program_dir));
    return *path;
}

// The settings file as it is now, read once for all the keys of one procedure.
class KeyReader {
public:
    KeyReader(const QString& path, QString section, int buffer_size)
        : file_(ProfileFile::load(path)), section_(std::move(section)), buffer_size_(buffer_size)
    {
        if (file_)
            qCInfo(lcSettings).noquote() << "reading settings file" << path;
        else
            qCInfo(lcSettings).noquote() << "settings file" << path
                                         << "cannot be read; every key reads as empty";
    }

    void section(QString name) { section_ = std::move(name); }

    QString text(const QString& key) const
    {
        const QString value =
            file_ ? file_->get_string(section_, key, QString(), buffer_size_) : QString();
        // The system reader ends the value with a NUL in a buffer of blanks.
        return cut_at_nul(value + QChar(u'\0'));
    }

    QString fixed(const QString& key) const { return fixed_text(text(key), fixed_text_width); }

    double number(const QString& key) const
    {
        const QString value = text(key);
        const auto n = settings_number(value);
        if (!n)
            fail(QStringLiteral("[%1] %2 is not a number: \"%3\"").arg(section_, key, value));
        return *n;
    }

    qint16 int16(const QString& key) const
    {
        const QString value = text(key);
        const auto n = settings_int16(value);
        if (!n)
            fail(QStringLiteral("[%1] %2 is not a whole number in -32768..32767: \"%3\"")
                     .arg(section_, key, value));
        return *n;
    }

    bool flag(const QString& key) const { return text(key) == u"1"; }

private:
    std::optional<ProfileFile> file_;
    QString section_;
    int buffer_size_;
};

std::optional<qint32> parse_vb_hex(QStringView digits)
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

bool is_digit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// [+-] digits [. digits] | [+-] . digits, then an optional exponent.
bool is_plain_decimal(QStringView s)
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

}  // namespace

std::optional<QString> settings_file_path(const QString& program_dir, QChar separator)
{
    // Cut just before the second-to-last separator: two levels up.
    const qsizetype last = program_dir.lastIndexOf(separator);
    if (last <= 0)
        return std::nullopt;
    const qsizetype second_last = program_dir.lastIndexOf(separator, last - 1);
    if (second_last < 0)
        return std::nullopt;
    return program_dir.left(second_last) + separator + settings_file_name;
}

std::optional<QString> settings_file_path(const SettingsLocation& where)
{
    if (!where.edi_ini_override.isEmpty())
        return where.edi_ini_override;
    return settings_file_path(QDir::toNativeSeparators(where.program_dir), QDir::separator());
}

QString cut_at_nul(const QString& buffer)
{
    const qsizetype nul = buffer.indexOf(QChar(u'\0'));
    if (nul <= 0)
        return QString();
    return buffer.left(nul);
}

QString read_profile_key(const QString& path, const QString& section, const QString& key,
                         int buffer_size)
{
    const auto file = ProfileFile::load(path);
    const QString value = file ? file->get_string(section, key, QString(), buffer_size) : QString();
    return cut_at_nul(value + QChar(u'\0'));
}

std::optional<double> settings_number(const QString& text)
{
    const QStringView s = QStringView(text).trimmed();
    if (s.size() > 2 && s[0] == u'&' && (s[1] == u'h' || s[1] == u'H')) {
        if (const auto hex = parse_vb_hex(s.sliced(2)))
            return double(*hex);
        return std::nullopt;
    }
    if (!is_plain_decimal(s))
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

void read_db_settings(Settings& settings, const SettingsLocation& where)
{
    KeyReader key(formed_path(where), QStringLiteral("動作環境"), db_buffer_size);
    Settings next = settings;
    next.machine_name_setting = key.fixed(QStringLiteral("MACHINENAME"));
    next.db_user_id = key.fixed(QStringLiteral("USERID"));
    next.db_password = key.fixed(QStringLiteral("PASSWD"));
    next.data_source_name = key.fixed(QStringLiteral("DBSTRING"));
    settings = std::move(next);
}

void read_settings(Settings& settings, const SettingsLocation& where)
{
    KeyReader key(formed_path(where), QStringLiteral("Setting0"), settings_buffer_size);
    // Built aside and stored only when every key has passed.
    Settings next = settings;
    next.form_back_color = key.text(QStringLiteral("FormBackColor"));
    next.label_back_color = key.number(QStringLiteral("LabelBackColor"));
    next.label_font_bold = key.text(QStringLiteral("LabelFontBold"));
    next.label_font_italic = key.text(QStringLiteral("LabelFontItalic"));
    next.label_font_name = key.text(QStringLiteral("LabelFontName"));
    next.label_font_size = key.text(QStringLiteral("LabelFontSize"));
    next.label_font_strikethru = key.text(QStringLiteral("LabelFontStrikethru"));
    next.label_font_underline = key.text(QStringLiteral("LabelFontUnderline"));
    next.label_fore_color = key.number(QStringLiteral("LabelForeColor"));
    next.text_back_color = key.number(QStringLiteral("TextBackColor"));
    next.text_focus_color = key.number(QStringLiteral("TextFocusColor"));
    next.text_font_bold = key.text(QStringLiteral("TextFontBold"));
    next.text_font_italic = key.text(QStringLiteral("TextFontItalic"));
    next.text_font_name = key.text(QStringLiteral("TextFontName"));
    next.text_font_size = key.text(QStringLiteral("TextFontSize"));
    next.text_font_strikethru = key.text(QStringLiteral("TextFontStrikethru"));
    next.text_font_underline = key.text(QStringLiteral("TextFontUnderline"));
    next.text_fore_color = key.number(QStringLiteral("TextForeColor"));
    next.title_back_color = key.number(QStringLiteral("TitleBackColor"));
    next.title_font_bold = key.text(QStringLiteral("TitleFontBold"));
    next.title_font_italic = key.text(QStringLiteral("TitleFontItalic"));
    next.title_font_name = key.text(QStringLiteral("TitleFontName"));
    next.title_font_size = key.text(QStringLiteral("TitleFontSize"));
    next.title_font_strikethru = key.text(QStringLiteral("TitleFontStrikethru"));
    next.title_font_underline = key.text(QStringLiteral("TitleFontUnderline"));
    next.title_fore_color = key.number(QStringLiteral("TitleForeColor"));

    key.section(QStringLiteral("K405010"));
    next.minimize_setting = key.int16(QStringLiteral("MINIMAIZE"));
    next.demo_mode_setting = key.int16(QStringLiteral("DEMOMODE"));

    key.section(QStringLiteral("PATH"));
    next.vkr100_path = key.text(QStringLiteral("VKR100_PATH"));
    next.edi_in_file = key.text(QStringLiteral("EDIINFIL"));
    next.edi_out_file = key.text(QStringLiteral("EDIOUTFIL"));
    next.mgst_path = key.text(QStringLiteral("MGSTPATH"));
    next.old_file = key.text(QStringLiteral("OLD_FILE"));

    key.section(QStringLiteral("デバッグ"));
    next.debug_mode = key.flag(QStringLiteral("MODE"));

    settings = std::move(next);
}

}  // namespace k4
