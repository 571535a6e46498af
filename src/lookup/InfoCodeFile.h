#pragma once
// The information-classification list file: where it is, and how its lines
// become entries. Both the start-up list and the search popup read the file
// through read_info_code_file, so they always agree on its contents.
//
// Format: text in code page 932 (UTF-8 when the file begins with a byte-order
// mark); a line ends at CR LF or at a lone CR, never at a lone LF; every line,
// a blank one too, is one entry; characters 1-4 are the code and 5-24 the
// name, counted in characters after decoding; nothing is trimmed.

#include "settings/Settings.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <vector>

namespace k4 {

struct info_code_entry {
    QStringView code;   // characters 1-4 of the line, as read
    QStringView name;   // characters 5-24 of the line, as read
};

// The entries of one list, in file order, together with the decoded text they
// view. A list of tens of thousands of lines thus costs one text and one array
// instead of two strings per line.
//
// The text is never changed after construction, so copies share it (QString's
// implicit sharing keeps one buffer) and moves hand it over: an entry stays
// valid for as long as any InfoCodeEntries holding it lives.
class InfoCodeEntries {
public:
    InfoCodeEntries() = default;

    // Splits decoded list text into its lines, at most `max_lines` of them.
    static InfoCodeEntries from_text(QString text, int max_lines);

    qsizetype size() const { return qsizetype(entries_.size()); }
    bool empty() const { return entries_.empty(); }
    const info_code_entry& operator[](qsizetype i) const { return entries_[size_t(i)]; }
    const info_code_entry& back() const { return entries_.back(); }
    const info_code_entry* data() const { return entries_.data(); }
    auto begin() const { return entries_.cbegin(); }
    auto end() const { return entries_.cend(); }

    // False when the text held more than `max_lines` lines; the first
    // `max_lines` of them are the entries.
    bool complete() const { return complete_; }

    // The characters held for the entries (the text they view).
    qsizetype held_characters() const { return text_.size(); }

private:
    // Replaces the text by the entries' characters alone when it holds much
    // more (over-long lines, lines past the limit).
    void drop_unused_text();

    QString text_;
    std::vector<info_code_entry> entries_;
    bool complete_ = true;
};

// The most lines the list holds (its count is a 16-bit number).
constexpr int max_info_code_lines = 32767;

struct ListFileRead {
    InfoCodeEntries entries;  // the lines read, in file order
    bool exists = false;      // the path names a plain file
    bool complete = false;    // the whole file was read and held at most max_lines lines
};

// List-file bytes as read_info_code_file takes them from the file: decoded
// and split into at most `max_lines` entries.
InfoCodeEntries parse_info_code_bytes(const QByteArray& bytes, int max_lines = max_info_code_lines);

// Reads the list file at `path`. A missing path, an empty path, a folder or a
// hidden file give exists == false. A file that cannot be read gives no entries and
// complete == false; a file of more than `max_lines` lines gives its first
// `max_lines` entries and complete == false.
ListFileRead read_info_code_file(const QString& path, int max_lines = max_info_code_lines);

// The path of the list file: section PATH, key JOHOKUBUN of EDI.ini, read with
// a 64-character buffer and used exactly as it stands (not trimmed, nothing
// joined to it). Empty when the key is missing or blank, or when the settings
// file's path cannot be formed; an empty path means a missing list file.
QString locate_info_code_file(const SettingsLocation& where);

}  // namespace k4
