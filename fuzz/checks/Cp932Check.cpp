#include "FuzzChecks.h"

#include "common/cp932.h"

#include <QByteArray>
#include <QString>
#include <cstring>

namespace k4::fuzz {
namespace {

constexpr char16_t replacement = 0xFFFD;

// The cut must be the longest prefix of the encoded text that fits.
// `encoded` is to_cp932(text), made once for all the cuts of a text.
std::string check_cut(const QString& text, const QByteArray& encoded, int max_bytes)
{
    const QString cut = cut_to_ansi_bytes(text, max_bytes);
    const QByteArray cut_bytes = to_cp932(cut);
    if (cut_bytes.size() > std::max(max_bytes, 0))
        return "a cut text is longer than its byte limit";
    if (!encoded.startsWith(cut_bytes))
        return "a cut text is not a prefix of the text";
    if (cut_bytes.size() < encoded.size()) {
        // The next character would not have fitted.
        const unsigned char next = static_cast<unsigned char>(encoded.at(cut_bytes.size()));
        const bool lead = (next >= 0x81 && next <= 0x9F) || (next >= 0xE0 && next <= 0xFC);
        const qsizetype width = lead && cut_bytes.size() + 1 < encoded.size() ? 2 : 1;
        if (cut_bytes.size() + width <= max_bytes)
            return "a cut text stops before the byte limit";
    }
    return {};
}

}  // namespace

std::string check_cp932(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    // Bytes to text and back.
    const QString text = from_cp932(bytes);
    if (text.size() > bytes.size())
        return "decoding made more characters than bytes";
    const QByteArray encoded = to_cp932(text);
    if (ansi_byte_length(text) != encoded.size())
        return "the byte length differs from the encoded size";
    if (!text.contains(QChar(replacement))) {
        if (encoded.size() != bytes.size())
            return "valid bytes re-encode to another length";
        if (from_cp932(encoded) != text)
            return "valid text does not survive encoding and decoding";
    }
    const int limits[] = {0, 1, 2, 3, int(size / 2), int(size) - 1, int(size)};
    for (const int limit : limits) {
        if (std::string broken = check_cut(text, encoded, limit); !broken.empty())
            return broken;
    }

    // The same bytes as UTF-16 code units: any text, lone surrogates too.
    QString units(qsizetype(size / 2), Qt::Uninitialized);
    if (!units.isEmpty())
        std::memcpy(units.data(), data, units.size() * sizeof(char16_t));
    const QByteArray units_encoded = to_cp932(units);
    if (units_encoded.size() > 2 * units.size())
        return "encoding made more than two bytes a character";
    if (ansi_byte_length(units) != units_encoded.size())
        return "the byte length of arbitrary text differs from its encoded size";
    const QString back = from_cp932(units_encoded);
    if (back.contains(QChar(replacement)))
        return "encoded text does not decode cleanly";
    for (const int limit : {1, 2, int(units_encoded.size() / 2)}) {
        if (std::string broken = check_cut(units, units_encoded, limit); !broken.empty())
            return broken;
    }
    return {};
}

}  // namespace k4::fuzz
