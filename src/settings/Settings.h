#pragma once
// Every value of the shared settings file EDI.ini that this program reads,
// filled once at start-up and read-only afterwards.

#include <QString>
#include <optional>
#include <stdexcept>

namespace k4 {

struct Settings {
    // [動作環境] — fixed text (50): padded with blanks or cut to 50 characters.
    QString machine_name_setting;
    QString db_user_id;
    QString db_password;
    QString data_source_name;

    // [Setting0] — colours are 0x00BBGGRR numbers; fonts stay text.
    QString form_back_color;
    double label_back_color = 0;
    QString label_font_bold;
    QString label_font_italic;
    QString label_font_name;
    QString label_font_size;
    QString label_font_strikethru;
    QString label_font_underline;
    double label_fore_color = 0;
    double text_back_color = 0;
    double text_focus_color = 0;
    QString text_font_bold;
    QString text_font_italic;
    QString text_font_name;
    QString text_font_size;
    QString text_font_strikethru;
    QString text_font_underline;
    double text_fore_color = 0;
    double title_back_color = 0;
    QString title_font_bold;
    QString title_font_italic;
    QString title_font_name;
    QString title_font_size;
    QString title_font_strikethru;
    QString title_font_underline;
    double title_fore_color = 0;

    // [K405010]
    qint16 minimize_setting = 0;
    qint16 demo_mode_setting = 0;

    // [PATH] (JOHOKUBUN is read by the list loader itself)
    QString vkr100_path;
    QString edi_in_file;
    QString edi_out_file;
    QString mgst_path;
    QString old_file;

    // [デバッグ]
    bool debug_mode = false;
};

// Where the settings file is looked for. `program_dir` is the program's own
// directory; `edi_ini_override` is the value of the EDI_INI environment variable
// (empty when unset), which names the file directly.
struct SettingsLocation {
    QString program_dir;
    QString edi_ini_override;
};

// The path of EDI.ini: two directory levels above the program's directory, with
// `separator` as the directory separator; std::nullopt when the directory has
// fewer than two separators and the path cannot be formed.
std::optional<QString> settings_file_path(const QString& program_dir, QChar separator);
std::optional<QString> settings_file_path(const SettingsLocation& where);

// The characters before the first NUL when that NUL is at position 2 or later;
// the empty text when the buffer begins with NUL or holds none.
QString cut_at_nul(const QString& buffer);

// Reads one value as the system profile reader does (see Profile.h) with a
// buffer of `buffer_size` characters and passes it through cut_at_nul.
// A missing file, section or key gives the empty text.
QString read_profile_key(const QString& path, const QString& section, const QString& key,
                         int buffer_size);

// A settings file that cannot be read as the program needs it: the path cannot
// be formed, or a value is not what its key requires. The detail is logged
// (k4.settings); start-up tells the operator "INIﾌｧｲﾙ読込エラー".
class SettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Section 動作環境 (buffer 64). Throws SettingsError when the path cannot be
// formed; `settings` is then unchanged.
void read_db_settings(Settings& settings, const SettingsLocation& where);

// Sections Setting0 (buffer 256), K405010, PATH, デバッグ in the order of the keys,
// numbers by the settings-key rule (settings_number, settings_int16 in
// common/text.h);
// throws SettingsError at the first value that fails, leaving `settings` unchanged.
void read_settings(Settings& settings, const SettingsLocation& where);

}  // namespace k4
