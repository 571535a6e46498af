#pragma once
// The information-classification list file: where it is, and how its lines
// become entries. Both the start-up list and the search popup read the file
// through read_info_code_file, so they always agree on its contents.
//
// Format: text in code page 932 (UTF-8 when the file begins with a byte-order
// mark); a line ends at CR LF or at a lone CR, never at a lone LF; every line,
// a blank one too, is one entry; characters 1-4 are the code and 5-24 the
// name, counted in characters after decoding; nothing is trimmed.
//
// The file is read in chunks; of each line only the beginning that its code
// and name come from is decoded and kept, and reading stops at the first line
// past the limit, so a huge file named by mistake costs little memory and
// little time.

#include "settings/Settings.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <vector>

class QIODevice;

namespace k4 {

struct InfoCodeEntry {
    QStringView code;   // characters 1-4 of the line, as read
    QStringView name;   // characters 5-24 of the line, as read
};

// The entries of one list, in file order, together with the decoded text they
// view. A list of tens of thousands of lines thus costs a few texts and one
// array instead of two strings per line.
//
// The texts are never changed once held, so copies share them (QString's
// implicit sharing keeps one buffer) and moves hand them over: an entry stays
// valid for as long as any InfoCodeEntries holding it lives.
class InfoCodeEntries {
public:
    InfoCodeEntries() = default;

    // Splits decoded list text into its lines, at most `max_lines` of them.
    static InfoCodeEntries from_text(QString text, int max_lines);

    // Collects the entries of a list decoded a piece at a time. The entries
    // view the pieces themselves, or a copy of their own characters when a
    // piece holds much more than those (long lines).
    class Builder {
    public:
        // One entry per line of `lines`, whose lines are each ended by a CR
        // (an LF after it is the next line's) and may be cut after their
        // first 24 characters.
        void add_lines(QString lines);
        // The entries added so far; `complete` as complete() tells it.
        InfoCodeEntries finish(bool complete);

    private:
        std::vector<QString> texts_;
        std::vector<InfoCodeEntry> entries_;
    };

    qsizetype size() const { return qsizetype(entries_.size()); }
    bool empty() const { return entries_.empty(); }
    const InfoCodeEntry& operator[](qsizetype i) const { return entries_[size_t(i)]; }
    const InfoCodeEntry& back() const { return entries_.back(); }
    const InfoCodeEntry* data() const { return entries_.data(); }
    auto begin() const { return entries_.cbegin(); }
    auto end() const { return entries_.cend(); }

    // False when the text held more than `max_lines` lines; the first
    // `max_lines` of them are the entries.
    bool complete() const { return complete_; }

    // The characters held for the entries (the texts they view).
    qsizetype held_characters() const;

private:
    std::vector<QString> texts_;
    std::vector<InfoCodeEntry> entries_;
    bool complete_ = true;
};

// The most lines the list holds (its count is a 16-bit number).
constexpr int max_info_code_lines = 32767;

struct ListFileRead {
    InfoCodeEntries entries;  // the lines read, in file order
    bool exists = false;      // the path names a plain file
    bool complete = false;    // the whole file was read and held at most max_lines lines
};

// Bytes read from the list file at a time.
constexpr qsizetype list_read_chunk_bytes = 64 * 1024;

// Reads list-file bytes from `device` (open for reading), `chunk_bytes` at a
// time, into at most `max_lines` entries. Reading stops as soon as a line past
// `max_lines` begins (complete() is then false), so the rest of the device is
// never read. When a read fails, the lines ended before the failure are the
// entries and the caller learns of the failure from the device.
InfoCodeEntries read_info_code_lines(QIODevice& device, int max_lines = max_info_code_lines,
                                     qsizetype chunk_bytes = list_read_chunk_bytes);

// List-file bytes as read_info_code_file takes them from the file: decoded
// and split into at most `max_lines` entries.
InfoCodeEntries parse_info_code_bytes(const QByteArray& bytes, int max_lines = max_info_code_lines,
                                      qsizetype chunk_bytes = list_read_chunk_bytes);

// Reads the list file at `path`. A missing path, an empty path, a folder or a
// hidden file give exists == false. A file that cannot be opened gives no
// entries, and a read that fails keeps the lines read before it; both give
// complete == false. A file of more than `max_lines` lines gives its first
// `max_lines` entries and complete == false; its reading stops with the chunk
// in which line `max_lines` + 1 begins.
ListFileRead read_info_code_file(const QString& path, int max_lines = max_info_code_lines);

// The path of the list file: section PATH, key JOHOKUBUN of EDI.ini, read with
// a 64-character buffer and used exactly as it stands (not trimmed, nothing
// joined to it). Empty when the key is missing or blank, or when the settings
// file's path cannot be formed; an empty path means a missing list file.
QString locate_info_code_file(const SettingsLocation& where);

}  // namespace k4
