#pragma once
// The information-classification list file: where it is, and how its lines
// become entries. Both the start-up list and the search popup read the file
// through read_info_code_file, so they always agree on its contents.
//
// Format: text in code page 932 (UTF-8 when the file begins with a byte-order
// mark); a line ends at CR LF or at a lone CR, never at a lone LF; every line,
// a blank one too, is one entry; characters 1-4 are the code and 5-24 the
// name, counted in characters after decoding; nothing is trimmed.

#include "app/Settings.h"

#include <QString>
#include <vector>

namespace k4 {

struct info_code_entry {
    QString code;   // characters 1-4 of the line, as read
    QString name;   // characters 5-24 of the line, as read
};

// The most lines the list holds (its count is a 16-bit number).
constexpr int max_info_code_lines = 32767;

struct ListFileRead {
    std::vector<info_code_entry> entries;  // the lines read, in file order
    bool exists = false;    // the path names a plain file
    bool complete = false;  // the whole file was read and held at most max_lines lines
};

// Reads the list file at `path`. A missing path, an empty path or a folder give
// exists == false. A file that cannot be read gives no entries and
// complete == false; a file of more than `max_lines` lines gives its first
// `max_lines` entries and complete == false.
ListFileRead read_info_code_file(const QString& path, int max_lines = max_info_code_lines);

// The path of the list file: section PATH, key JOHOKUBUN of EDI.ini, read with
// a 64-character buffer and used exactly as it stands (not trimmed, nothing
// joined to it). Empty when the key is missing or blank, or when the settings
// file's path cannot be formed; an empty path means a missing list file.
QString locate_info_code_file(const SettingsLocation& where);

}  // namespace k4
