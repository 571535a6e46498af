#include "FuzzChecks.h"

#include "common/cp932.h"
#include "common/text.h"
#include "settings/Profile.h"
#include "settings/Settings.h"

#include <QByteArray>
#include <QString>
#include <cmath>
#include <utility>
#include <vector>

namespace k4::fuzz {
namespace {

struct Key {
    QString section;
    QString key;
};

// A key with its names in swapped ASCII letter case, made once per process.
struct ProgramKey {
    Key key;
    Key swapped;
};

QString swap_ascii_case(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
        else if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return out;
}

Key swapped(const Key& k)
{
    return {swap_ascii_case(k.section), swap_ascii_case(k.key)};
}

// Every key the program reads, in its sections.
std::vector<ProgramKey> program_keys()
{
    std::vector<ProgramKey> keys;
    const auto add = [&](const QString& section, std::initializer_list<const char*> names) {
        for (const char* name : names) {
            const Key k{section, QString::fromLatin1(name)};
            keys.push_back({k, swapped(k)});
        }
    };
    add(QStringLiteral("動作環境"), {"MACHINENAME", "USERID", "PASSWD", "DBSTRING"});
    add(QStringLiteral("Setting0"),
        {"FormBackColor", "LabelBackColor", "LabelFontBold", "LabelFontItalic", "LabelFontName",
         "LabelFontSize", "LabelFontStrikethru", "LabelFontUnderline", "LabelForeColor",
         "TextBackColor", "TextFocusColor", "TextFontBold", "TextFontItalic", "TextFontName",
         "TextFontSize", "TextFontStrikethru", "TextFontUnderline", "TextForeColor",
         "TitleBackColor", "TitleFontBold", "TitleFontItalic", "TitleFontName", "TitleFontSize",
         "TitleFontStrikethru", "TitleFontUnderline", "TitleForeColor"});
    add(QStringLiteral("K405010"), {"MINIMAIZE", "DEMOMODE"});
    add(QStringLiteral("PATH"),
        {"VKR100_PATH", "EDIINFIL", "EDIOUTFIL", "MGSTPATH", "OLD_FILE", "JOHOKUBUN"});
    add(QStringLiteral("デバッグ"), {"MODE"});
    return keys;
}

std::string describe(const char* what, const Key& k)
{
    return std::string(what) + " [" + k.section.toStdString() + "] " + k.key.toStdString();
}

// `absent_checked` is set once an absent key has been through the buffer
// sizes: every absent key reads as the same empty fallback, so the values of
// further absent keys are not read again.
std::string check_key(const ProfileFile& file, const Key& k, const Key& swapped_k,
                      std::initializer_list<int> buffers, bool& absent_checked)
{
    const std::optional<QString> raw = file.value(k.section, k.key);
    if (raw && (raw->contains(u'\r') || raw->contains(u'\n')))
        return describe("a value runs over its line end:", k);
    if (file.value(swapped_k.section, swapped_k.key) != raw)
        return describe("names match differently with their letter case changed:", k);
    if (!raw) {
        if (absent_checked)
            return {};
        absent_checked = true;
    }

    QString previous;
    for (const int buffer : buffers) {
        const QString cut = file.get_string(k.section, k.key, QString(), buffer);
        if (ansi_byte_length(cut) > std::max(buffer - 1, 0))
            return describe("a value is longer than its buffer:", k);
        if (!cut.startsWith(previous))
            return describe("a value read with a larger buffer does not begin with the shorter one:",
                            k);
        previous = cut;

        // What the settings code stores from it.
        const QString text = cut_at_nul(cut + QChar(u'\0'));
        if (text.contains(QChar(u'\0')) || !cut.startsWith(text))
            return describe("the NUL cut is not a prefix without NUL:", k);
        if (fixed_text(text, 50).size() != 50)
            return describe("a fixed text is not 50 characters:", k);
        const std::optional<double> number = settings_number(text);
        if (number && !std::isfinite(*number))
            return describe("a setting converts to a number that is not finite:", k);
        if (settings_int16(text) && !number)
            return describe("a setting is a whole number but no number:", k);
    }
    return {};
}

}  // namespace

std::string check_profile(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                                     qsizetype(size));
    static const std::vector<ProgramKey> keys = program_keys();
    std::optional<Key> asked;
    QByteArray file_bytes = input;
    const qsizetype first = input.indexOf('\x01');
    const qsizetype second = first < 0 ? -1 : input.indexOf('\x01', first + 1);
    if (second >= 0) {
        asked = Key{from_cp932(input.left(first)),
                    from_cp932(input.mid(first + 1, second - first - 1))};
        file_bytes = input.mid(second + 1);
    }
    // Own the bytes: the parser must not rely on anything past the end.
    const ProfileFile file = ProfileFile::parse(QByteArray(file_bytes.constData(), file_bytes.size()));
    if (asked) {
        bool absent_checked = false;
        if (std::string broken = check_key(file, *asked, swapped(*asked), {1, 2, 3, 64, 256},
                                           absent_checked);
            !broken.empty())
            return broken;
    }
    // The buffer sizes the program reads with.
    bool absent_checked = false;
    for (const ProgramKey& k : keys) {
        if (std::string broken = check_key(file, k.key, k.swapped, {64, 256}, absent_checked);
            !broken.empty())
            return broken;
    }
    return {};
}

}  // namespace k4::fuzz
