#include "settings/Profile.h"

#include "common/cp932.h"
#include "common/text.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>

namespace k4 {
namespace {

// A value wholly in matching single or double quotes loses them.
QStringView strip_quotes(QStringView value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            return value.sliced(1, value.size() - 2);
    }
    return value;
}

// The whole file as text, decoded before any parsing so that a trail byte of
// a double-byte character is never taken for '[', '\\', ']' or '='.
QString decode(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.sliced(3));
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder utf16(QStringDecoder::Utf16LE);
        return utf16.decode(bytes.sliced(2));
    }
    return from_cp932(bytes);
}

bool is_utf8_without_bom(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE"))
        return false;
    if (std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return uchar(c) < 0x80; }))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(bytes);
    return !utf8.hasError();
}

}  // namespace

ProfileFile ProfileFile::parse(const QByteArray& bytes)
{
    ProfileFile file;
    file.utf8_without_bom_ = is_utf8_without_bom(bytes);
    const QString text = decode(bytes);
    const QStringView all(text);
    Section* current = nullptr;

    qsizetype pos = 0;
    while (pos < all.size()) {
        qsizetype end = pos;
        while (end < all.size() && all[end] != u'\n' && all[end] != u'\r')
            ++end;
        const QStringView line = trim_blanks_and_tabs(all.sliced(pos, end - pos));
        // A line ends at CR LF, LF or CR.
        pos = end + 1;
        if (end + 1 < all.size() && all[end] == u'\r' && all[end + 1] == u'\n')
            ++pos;

        if (line.isEmpty() || line.front() == u';')
            continue;
        if (line.front() == u'[') {
            const qsizetype close = line.lastIndexOf(u']');
            if (close < 0)
                continue;  // not a section header, and not a key either
            const QString name = fold_ascii_case(trim_blanks_and_tabs(line.sliced(1, close - 1)));
            if (file.section_index_.contains(name)) {
                current = nullptr;  // a repeated section is never consulted
            } else {
                file.section_index_.insert(name, file.sections_.size());
                file.sections_.emplace_back();
                current = &file.sections_.back();
            }
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (current == nullptr || equals <= 0)
            continue;
        const QString key = fold_ascii_case(trim_blanks_and_tabs(line.first(equals)));
        if (key.isEmpty() || current->values.contains(key))
            continue;
        current->values.insert(
            key, strip_quotes(trim_blanks_and_tabs(line.sliced(equals + 1))).toString());
    }
    return file;
}

std::optional<ProfileFile> ProfileFile::load(const QString& path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return parse(bytes);
}

std::optional<QString> ProfileFile::value(const QString& section, const QString& key) const
{
    const auto found = section_index_.constFind(fold_ascii_case(section));
    if (found == section_index_.constEnd())
        return std::nullopt;
    const Section& s = sections_[*found];
    const auto value = s.values.constFind(fold_ascii_case(key));
    if (value == s.values.constEnd())
        return std::nullopt;
    return *value;
}

QString ProfileFile::get_string(const QString& section, const QString& key,
                                const QString& fallback, int buffer_size) const
{
    return cut_to_ansi_bytes(value(section, key).value_or(fallback), buffer_size - 1);
}

QString get_private_profile_string(const QString& section, const QString& key,
                                   const QString& fallback, int buffer_size,
                                   const QString& path)
{
    if (const auto file = ProfileFile::load(path))
        return file->get_string(section, key, fallback, buffer_size);
    return cut_to_ansi_bytes(fallback, buffer_size - 1);
}

}  // namespace k4
