#pragma once
// One input through the readers that take bytes from outside the program
// (the settings file, the information-classification list file, the code
// page 932 layer) or through the statements built from text the operator or
// the database supplies. Each function runs the real code and checks what must hold
// for every input; it returns a description of the first broken property, or
// the empty string. The libFuzzer targets abort on a non-empty answer; the
// test suite replays the seed corpus and every saved crash through the same
// functions.

#include <cstddef>
#include <cstdint>
#include <string>

namespace k4::fuzz {

// Settings file bytes, optionally preceded by "section \x01 key \x01": the
// file is parsed and that key, plus every key the program reads, is read
// with the program's buffer sizes and number conversions.
std::string check_profile(const std::uint8_t* data, std::size_t size);

// List file bytes: read as the start-up list and the popup read them (the
// first byte also picks a small line limit so the cut-off path runs), then
// indexed and looked up as the field check does.
std::string check_list_file(const std::uint8_t* data, std::size_t size);

// Code page 932 in both directions: the bytes decoded, the text encoded back,
// byte lengths and byte cuts; the same bytes also read as UTF-16 code units
// (lone surrogates included) and encoded.
std::string check_cp932(const std::uint8_t* data, std::size_t size);

// Field and cell texts through the statements of the maintenance screen. The
// input is split at 0xFF bytes into seven texts, each decoded by two bits of
// the first two bytes (bits 2i..2i+1 for text i: UTF-8, code page 932,
// UTF-16LE code units, Latin-1): the partner search text, the three field
// values and the three cells of a listed row. Search and field texts pass the
// fields' character filter (class "2") as a paste does; the field values are
// trimmed as the program trims them; the cells are used as listed. Each
// statement is sent as the database layer sends it to the SQLite driver
// (adapted, UTF-8, read up to the first NUL) and prepared by SQLite against
// the program's schema: without a NUL it must compile as one statement whose
// literals hold exactly the values put in (the insertion writes them, the
// duplicate check, the deletions and the partner list find exactly that row
// among decoys that differ slightly); cut at a NUL it must not compile.
std::string check_statements(const std::uint8_t* data, std::size_t size);

}  // namespace k4::fuzz
