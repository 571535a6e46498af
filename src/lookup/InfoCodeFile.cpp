#include "lookup/InfoCodeFile.h"

#include "common/cp932.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace k4 {

namespace {

const QString path_section = QStringLiteral("PATH");
const QString list_file_key = QStringLiteral("JOHOKUBUN");
constexpr int list_file_key_buffer = 64;

constexpr int code_columns = 4;
constexpr int name_columns = 20;

QString decode_list_text(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    return from_cp932(bytes);
}

// Moves `from` on by up to `count` characters, stopping at a CR or at `end`.
// A character outside the basic plane (a surrogate pair) counts as one column.
const QChar* skip_columns(const QChar* from, const QChar* end, int count)
{
    for (; count > 0 && from < end && *from != u'\r'; --count) {
        if (from->isHighSurrogate() && from + 1 < end && (from + 1)->isLowSurrogate())
            from += 2;
        else
            ++from;
    }
    return from;
}

}  // namespace

InfoCodeEntries InfoCodeEntries::from_text(QString text, int max_lines)
{
    InfoCodeEntries list;
    list.text_ = std::move(text);
    const QChar* const first = list.text_.constData();
    const QChar* const end = first + list.text_.size();

    // Lines end at CR (an LF right after it belongs to the same line end); a
    // text after the last line end is one more line, an empty rest is none.
    list.entries_.reserve(size_t(std::clamp<qsizetype>(list.text_.size() / 16 + 16, 0, max_lines)));
    for (const QChar* pos = first; pos < end;) {
        if (list.size() >= max_lines) {
            list.complete_ = false;   // one line too many
            break;
        }
        const QChar* code_end = skip_columns(pos, end, code_columns);
        const QChar* name_end = skip_columns(code_end, end, name_columns);
        list.entries_.push_back({QStringView(pos, code_end), QStringView(code_end, name_end)});
        pos = std::find(name_end, end, QChar(u'\r'));
        if (pos < end) {
            ++pos;
            if (pos < end && *pos == u'\n')
                ++pos;
        }
    }
    list.drop_unused_text();
    return list;
}

void InfoCodeEntries::drop_unused_text()
{
    // A normal list uses nearly all of its text; long lines or lines past the
    // limit would otherwise stay in memory as long as the list does.
    qsizetype used = 0;
    for (const info_code_entry& e : entries_)
        used += e.code.size() + e.name.size();
    constexpr qsizetype slack = 64 * 1024;
    if (text_.size() <= 2 * used + slack)
        return;
    QString kept;
    kept.reserve(used);
    for (const info_code_entry& e : entries_)
        kept.append(e.code).append(e.name);
    const QChar* at = kept.constData();
    for (info_code_entry& e : entries_) {
        e.code = QStringView(at, e.code.size());
        at += e.code.size();
        e.name = QStringView(at, e.name.size());
        at += e.name.size();
    }
    text_ = std::move(kept);
}

InfoCodeEntries parse_info_code_bytes(const QByteArray& bytes, int max_lines)
{
    return InfoCodeEntries::from_text(decode_list_text(bytes), max_lines);
}

ListFileRead read_info_code_file(const QString& path, int max_lines)
{
    ListFileRead result;
    // A plain file only: a folder or a hidden file is not the list.
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || info.isHidden())
        return result;
    result.exists = true;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return result;
    result.entries = parse_info_code_bytes(bytes, max_lines);
    result.complete = result.entries.complete();
    return result;
}

QString locate_info_code_file(const SettingsLocation& where)
{
    const std::optional<QString> ini = settings_file_path(where);
    if (!ini)
        return {};
    return read_profile_key(*ini, path_section, list_file_key, list_file_key_buffer);
}

}  // namespace k4
