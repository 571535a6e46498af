#include "settings/Settings.h"

#include "common/text.h"
#include "settings/Profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>

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

    bool utf8_without_bom() const { return file_ && file_->utf8_without_bom(); }

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

void read_db_settings(Settings& settings, const SettingsLocation& where)
{
    const QString path = formed_path(where);
    KeyReader key(path, QStringLiteral("動作環境"), db_buffer_size);
    // The most common mistake with the settings file, told once at start-up.
    if (key.utf8_without_bom())
        qCWarning(lcSettings).noquote()
            << "settings file" << path
            << "is UTF-8 without a byte-order mark, but it is read as code page 932 (Shift-JIS),"
               " so its Japanese section names and values are misread; convert it with"
            << QStringLiteral("iconv -f UTF-8 -t CP932 '%1' > '%1.cp932'").arg(path)
            << "and put the converted file in its place";
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
