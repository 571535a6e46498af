#pragma once
// A reader of Windows profile (INI) files with the system reader's semantics:
// the file is decoded first (code page 932, or UTF-8 after a byte-order mark)
// and then parsed, so a Shift-JIS trail byte of 0x5B/0x5C/0x5D never breaks a
// name; section and key names match without regard to ASCII letter case; the
// first occurrence wins; blanks around a value are removed; a value wholly in
// matching quotes loses them; lines beginning with ';' are comments.

#include <QByteArray>
#include <QString>
#include <optional>

namespace k4 {

class ProfileFile {
public:
    // Parses the raw bytes of a settings file.
    static ProfileFile parse(const QByteArray& bytes);
    // Reads and parses a file; std::nullopt when it cannot be read as a plain file.
    static std::optional<ProfileFile> load(const QString& path);

    // The value of `key` in `section`, std::nullopt when absent.
    std::optional<QString> value(const QString& section, const QString& key) const;

private:
    struct Entry;
    struct Section;
    QString text_;  // implementation detail, see Profile.cpp
    std::shared_ptr<const void> index_;
};

// GetPrivateProfileString: the value cut to buffer_size - 1 bytes of code page
// 932 (a double-byte character that would be split is dropped), or `fallback`.
QString get_private_profile_string(const QString& section, const QString& key,
                                   const QString& fallback, int buffer_size,
                                   const QString& path);

}  // namespace k4
