#pragma once
// A reader of Windows profile (INI) files with the system reader's semantics:
// the file is decoded first (code page 932; UTF-8 after a UTF-8 byte-order
// mark, UTF-16 after a UTF-16 one) and then parsed, so a Shift-JIS trail byte
// of 0x5B/0x5C/0x5D never breaks a name; section and key names match without
// regard to ASCII letter case; the first occurrence wins (of a section, and of
// a key within it); blanks around a value are removed; a value wholly in
// matching quotes loses them; lines beginning with ';' are comments.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>
#include <vector>

namespace k4 {

class ProfileFile {
public:
    // Parses the raw bytes of a settings file.
    static ProfileFile parse(const QByteArray& bytes);
    // Reads and parses a file; std::nullopt when it cannot be read as a plain file.
    static std::optional<ProfileFile> load(const QString& path);

    // The value of `key` in `section`, std::nullopt when absent.
    std::optional<QString> value(const QString& section, const QString& key) const;

    // What the system reader hands back for a buffer of `buffer_size`
    // characters: the value, or `fallback` when the key is absent, cut to
    // buffer_size - 1 bytes of code page 932 (a double-byte character that
    // would be split is dropped whole). Empty when buffer_size < 2.
    QString get_string(const QString& section, const QString& key, const QString& fallback,
                       int buffer_size) const;

    // True when the bytes had no byte-order mark but are valid UTF-8 with at
    // least one byte above 0x7F: a file saved as UTF-8, whose Japanese names
    // and values are misread as code page 932.
    bool utf8_without_bom() const { return utf8_without_bom_; }

private:
    struct Section {
        // Keys folded to ASCII lower case; the first occurrence is kept.
        QHash<QString, QString> values;
    };
    // Section names folded to ASCII lower case -> index into sections_.
    QHash<QString, std::size_t> section_index_;
    std::vector<Section> sections_;
    bool utf8_without_bom_ = false;
};

// GetPrivateProfileString: the value cut to buffer_size - 1 bytes of code page
// 932 (a double-byte character that would be split is dropped), or `fallback`
// (cut the same way) when the file, the section or the key is missing.
QString get_private_profile_string(const QString& section, const QString& key,
                                   const QString& fallback, int buffer_size,
                                   const QString& path);

}  // namespace k4
