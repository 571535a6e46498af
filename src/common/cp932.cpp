#include "common/cp932.h"

#include <QSysInfo>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <stdexcept>

namespace k4 {
namespace {

// QString holds UTF-16 in host byte order; name it without a byte-order mark.
constexpr const char* host_utf16 =
    QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";

// The Windows flavour of Shift-JIS: 0x5C is the backslash, 0x8160 is U+FF5E.
constexpr const char* code_page = "CP932";

constexpr char16_t replacement_char = 0xFFFD;

// One conversion descriptor per direction and thread: an iconv_t carries
// state and must not be used by two threads at once. Opened on first use,
// reset before every conversion, closed when the thread ends.
class Converter {
public:
    Converter(const char* to, const char* from)
        : to_(to), from_(from), cd_(iconv_open(to, from))
    {
    }
    ~Converter()
    {
        if (valid())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    iconv_t get()
    {
        if (!valid())
            throw std::runtime_error(std::string("iconv cannot convert from ") + from_ + " to " + to_);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        return cd_;
    }

private:
    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    const char* to_;
    const char* from_;
    iconv_t cd_;
};

iconv_t encoder()
{
    thread_local Converter converter(code_page, host_utf16);
    return converter.get();
}

iconv_t decoder()
{
    thread_local Converter converter(host_utf16, code_page);
    return converter.get();
}

bool is_ascii(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

bool is_ascii(const QByteArray& bytes)
{
    for (const char b : bytes)
        if (static_cast<unsigned char>(b) >= 0x80)
            return false;
    return true;
}

// First byte of a double-byte character in code page 932.
bool is_lead_byte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool is_trail_byte(unsigned char b)
{
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// Characters that take one byte in code page 932 and can be counted without
// a conversion: ASCII and half-width katakana.
bool is_plain_single_byte(char16_t u)
{
    return u < 0x80 || (u >= 0xFF61 && u <= 0xFF9F);
}

// Runs iconv over the whole input. When it stops at something it cannot
// convert, `on_bad` writes a substitute and tells how many input bytes to skip;
// the conversion then goes on after them.
template <typename OnBad>
QByteArray convert(iconv_t cd, const char* input, size_t input_size, size_t initial_capacity,
                   OnBad on_bad)
{
    QByteArray out(qsizetype(initial_capacity + 16), Qt::Uninitialized);
    char* in = const_cast<char*>(input);
    size_t in_left = input_size;
    size_t used = 0;
    while (in_left > 0) {
        char* o = out.data() + used;
        size_t out_left = size_t(out.size()) - used;
        const size_t r = iconv(cd, &in, &in_left, &o, &out_left);
        used = size_t(o - out.data());
        if (r != size_t(-1))
            break;
        const int error = errno;
        if (error == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        if (error != EILSEQ && error != EINVAL)
            throw std::runtime_error(std::string("iconv: ") + std::strerror(error));
        if (size_t(out.size()) - used < 8)
            out.resize(out.size() * 2);
        const auto [written, skipped] = on_bad(reinterpret_cast<const unsigned char*>(in), in_left,
                                               out.data() + used);
        used += written;
        in += skipped;
        in_left -= skipped;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(qsizetype(used));
    return out;
}

struct Substitution {
    size_t written;
    size_t skipped;
};

}  // namespace

QByteArray to_cp932(const QString& text)
{
    if (is_ascii(text))
        return text.toLatin1();
    const auto* units = reinterpret_cast<const char*>(text.utf16());
    const size_t size = size_t(text.size()) * 2;
    // A character the code page cannot hold becomes one '?', whether it is
    // one UTF-16 unit or a surrogate pair; a lone surrogate is one '?' too.
    return convert(encoder(), units, size, size_t(text.size()) * 2,
                   [](const unsigned char* in, size_t left, char* out) {
                       size_t skip = left >= 2 ? 2 : left;
                       if (left >= 4) {
                           char16_t first, second;
                           std::memcpy(&first, in, 2);
                           std::memcpy(&second, in + 2, 2);
                           if (QChar::isHighSurrogate(first) && QChar::isLowSurrogate(second))
                               skip = 4;
                       }
                       *out = '?';
                       return Substitution{1, skip};
                   });
}

std::optional<QByteArray> to_cp932_strict(const QString& text)
{
    if (is_ascii(text))
        return text.toLatin1();
    const auto* units = reinterpret_cast<const char*>(text.utf16());
    const size_t size = size_t(text.size()) * 2;
    bool held = true;
    // The first character iconv cannot convert ends the conversion: skipping
    // all that is left stops the loop.
    QByteArray bytes = convert(encoder(), units, size, size,
                               [&held](const unsigned char*, size_t left, char*) {
                                   held = false;
                                   return Substitution{0, left};
                               });
    // iconv maps a few characters onto the code of a look-alike; only a
    // conversion that decodes back to the same text is exact.
    if (!held || from_cp932(bytes) != text)
        return std::nullopt;
    return bytes;
}

QString from_cp932(const QByteArray& bytes)
{
    if (is_ascii(bytes))
        return QString::fromLatin1(bytes);
    // A lead byte followed by a possible trail byte that together name no
    // character is one bad character: both bytes go, so a trail byte such as
    // 0x5C or 0x5D never reappears as '\' or ']'. Any other bad byte is one
    // bad character by itself.
    const QByteArray utf16 = convert(
        decoder(), bytes.constData(), size_t(bytes.size()), size_t(bytes.size()) * 2,
        [](const unsigned char* in, size_t left, char* out) {
            const size_t skip = left >= 2 && is_lead_byte(in[0]) && is_trail_byte(in[1]) ? 2 : 1;
            std::memcpy(out, &replacement_char, 2);
            return Substitution{2, skip};
        });
    return QString(reinterpret_cast<const QChar*>(utf16.constData()), utf16.size() / 2);
}

int ansi_byte_length(const QString& text)
{
    int length = 0;
    for (const QChar c : text) {
        if (!is_plain_single_byte(c.unicode()))
            return int(to_cp932(text).size());
        ++length;
    }
    return length;
}

QString cut_to_ansi_bytes(const QString& text, int max_bytes)
{
    if (max_bytes <= 0)
        return {};
    if (is_ascii(text))
        return text.left(max_bytes);
    const QByteArray bytes = to_cp932(text);
    qsizetype end = 0;
    while (end < bytes.size()) {
        const qsizetype width = is_lead_byte(static_cast<unsigned char>(bytes[end])) ? 2 : 1;
        if (end + width > max_bytes)
            break;
        end += width;
    }
    return from_cp932(bytes.left(end));
}

}  // namespace k4
