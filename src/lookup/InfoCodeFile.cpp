#include "lookup/InfoCodeFile.h"

#include "common/cp932.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <cstring>

namespace k4 {

namespace {

const QString path_section = QStringLiteral("PATH");
const QString list_file_key = QStringLiteral("JOHOKUBUN");
constexpr int list_file_key_buffer = 64;

constexpr int code_columns = 4;
constexpr int name_columns = 20;

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

// Keeps `text`, which the entries first .. last view, in `texts`; when it
// holds more than twice their characters plus `slack`, keeps a copy of their
// characters alone instead and points the entries at it.
void keep_entries_text(QString text, InfoCodeEntry* first, InfoCodeEntry* last, qsizetype slack,
                       std::vector<QString>& texts)
{
    qsizetype used = 0;
    for (const InfoCodeEntry* e = first; e < last; ++e)
        used += e->code.size() + e->name.size();
    if (text.size() > 2 * used + slack) {
        QString kept;
        kept.reserve(used);
        for (const InfoCodeEntry* e = first; e < last; ++e)
            kept.append(e->code).append(e->name);
        const QChar* at = kept.constData();
        for (InfoCodeEntry* e = first; e < last; ++e) {
            e->code = QStringView(at, e->code.size());
            at += e->code.size();
            e->name = QStringView(at, e->name.size());
            at += e->name.size();
        }
        text = std::move(kept);
    }
    if (!text.isEmpty())
        texts.push_back(std::move(text));
}

constexpr QByteArrayView utf8_bom("\xEF\xBB\xBF");

// The bytes of a line that its first 24 characters can depend on: a character
// takes at most 4 bytes (UTF-8; 2 in code page 932), and a decoder looks no
// further than the end of the character it decodes. Decoding a line cut here
// gives the same first 24 characters as decoding it whole.
constexpr qsizetype line_head_bytes = 4 * (code_columns + name_columns) + 4;

// Line heads are decoded together once this many bytes of them are waiting.
constexpr qsizetype decode_batch_bytes = 64 * 1024;

// Turns list-file bytes, fed in pieces of any size, into entries.
//
// Lines are found in the bytes: a CR byte is never part of a multi-byte
// character in code page 932 or UTF-8, and both decoders turn a CR byte into
// a CR, whatever comes before it. So the CRs of the bytes are those of the
// text, and each line can be decoded apart from the others. Of each line only
// its head (line_head_bytes) is kept; the heads, each ended by a CR, are
// decoded a batch at a time and cut into code and name.
class LineReader {
public:
    explicit LineReader(int max_lines) : max_lines_(max_lines) {}

    // False once a line past the limit has begun: nothing more is needed.
    bool wants_more() const { return !past_limit_; }

    void feed(const char* data, qsizetype size)
    {
        if (deciding_encoding_) {
            // The first bytes tell the encoding; they may come in pieces.
            start_.append(data, size);
            if (start_.size() < 2 * utf8_bom.size())
                return;
            decide_encoding();
            return;
        }
        scan(data, data + size);
    }

    // The entries; the line still open at the end of the bytes counts when
    // the bytes ended there, not when a read failed in it.
    InfoCodeEntries finish(bool bytes_ended)
    {
        if (deciding_encoding_)
            decide_encoding();
        if (bytes_ended && line_bytes_ > 0)
            end_line();
        decode_heads();
        return entries_.finish(!past_limit_);
    }

private:
    void decide_encoding()
    {
        deciding_encoding_ = false;
        QByteArrayView rest(start_);
        if (rest.startsWith(utf8_bom)) {
            utf8_ = true;
            // A second mark right after the first one is dropped as well, as
            // Qt's UTF-8 decoding of the text after the first mark does.
            rest = rest.sliced(utf8_bom.size());
            if (rest.startsWith(utf8_bom))
                rest = rest.sliced(utf8_bom.size());
        }
        scan(rest.data(), rest.data() + rest.size());
        start_ = QByteArray();
    }

    void scan(const char* p, const char* const end)
    {
        while (p < end && !past_limit_) {
            if (after_cr_) {
                after_cr_ = false;
                if (*p == '\n') {   // CR LF is one line end
                    ++p;
                    continue;
                }
            }
            if (line_bytes_ == 0 && lines_ == max_lines_) {
                past_limit_ = true;   // one line too many
                return;
            }
            const auto* cr = static_cast<const char*>(std::memchr(p, '\r', size_t(end - p)));
            const char* const stop = cr ? cr : end;
            const qsizetype room = line_head_bytes - line_bytes_;
            if (room > 0) {
                const qsizetype kept = std::min<qsizetype>(room, stop - p);
                std::memcpy(heads_.data() + heads_size_, p, size_t(kept));
                heads_size_ += kept;
            }
            line_bytes_ += stop - p;
            p = stop;
            if (cr) {
                ++p;
                end_line();
                after_cr_ = true;
            }
        }
    }

    void end_line()
    {
        heads_[heads_size_++] = '\r';
        ++lines_;
        line_bytes_ = 0;
        if (heads_size_ >= decode_batch_bytes)
            decode_heads();
    }

    void decode_heads()
    {
        if (heads_size_ == 0)
            return;
        const QByteArray heads = QByteArray::fromRawData(heads_.constData(), heads_size_);
        QString text;
        if (utf8_) {
            // Stateless: the heads hold whole lines' beginnings; keep a mark
            // at the start of a line as the character it is.
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom
                                                             | QStringDecoder::Flag::Stateless);
            text = decoder.decode(heads);
        } else {
            text = from_cp932(heads);
        }
        heads_size_ = 0;
        entries_.add_lines(std::move(text));
    }

    const int max_lines_;
    bool deciding_encoding_ = true;
    QByteArray start_;        // the first bytes, until the encoding is known
    bool utf8_ = false;
    bool after_cr_ = false;   // the last byte ended a line with CR
    qsizetype line_bytes_ = 0;   // bytes of the open line so far
    int lines_ = 0;           // lines ended so far
    bool past_limit_ = false;
    // Heads of ended lines not yet decoded, each ended by CR, and of the open
    // line: at most a batch and one more head.
    QByteArray heads_ = QByteArray(decode_batch_bytes + line_head_bytes + 1, Qt::Uninitialized);
    qsizetype heads_size_ = 0;
    InfoCodeEntries::Builder entries_;
};

}  // namespace

InfoCodeEntries InfoCodeEntries::from_text(QString text, int max_lines)
{
    InfoCodeEntries list;
    const QChar* const first = text.constData();
    const QChar* const end = first + text.size();

    // Lines end at CR (an LF right after it belongs to the same line end); a
    // text after the last line end is one more line, an empty rest is none.
    list.entries_.reserve(size_t(std::clamp<qsizetype>(text.size() / 16 + 16, 0, max_lines)));
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
    // A normal list uses nearly all of its text; long lines or lines past the
    // limit would otherwise stay in memory as long as the list does.
    constexpr qsizetype slack = 64 * 1024;
    keep_entries_text(std::move(text), list.entries_.data(), list.entries_.data() + list.size(),
                      slack, list.texts_);
    return list;
}

qsizetype InfoCodeEntries::held_characters() const
{
    qsizetype held = 0;
    for (const QString& text : texts_)
        held += text.size();
    return held;
}

void InfoCodeEntries::Builder::add_lines(QString lines)
{
    const size_t first_new = entries_.size();
    const QChar* pos = lines.constData();
    const QChar* const end = pos + lines.size();
    while (pos < end) {
        const QChar* const code_end = skip_columns(pos, end, code_columns);
        const QChar* const name_end = skip_columns(code_end, end, name_columns);
        entries_.push_back({QStringView(pos, code_end), QStringView(code_end, name_end)});
        pos = std::find(name_end, end, QChar(u'\r'));
        if (pos < end)
            ++pos;
    }
    // Pieces of short lines are kept as they are; the heads of long lines
    // hold up to four times their entries' characters.
    constexpr qsizetype slack = 1024;
    keep_entries_text(std::move(lines), entries_.data() + first_new, entries_.data() + entries_.size(),
                      slack, texts_);
}

InfoCodeEntries InfoCodeEntries::Builder::finish(bool complete)
{
    InfoCodeEntries list;
    list.texts_ = std::move(texts_);
    list.entries_ = std::move(entries_);
    list.complete_ = complete;
    texts_.clear();
    entries_.clear();
    return list;
}

InfoCodeEntries read_info_code_lines(QIODevice& device, int max_lines, qsizetype chunk_bytes)
{
    LineReader reader(max_lines);
    QByteArray chunk(std::max<qsizetype>(chunk_bytes, 1), Qt::Uninitialized);
    bool ended = true;
    while (reader.wants_more()) {
        const qint64 got = device.read(chunk.data(), chunk.size());
        if (got < 0) {
            ended = false;
            break;
        }
        if (got == 0)
            break;
        reader.feed(chunk.constData(), qsizetype(got));
    }
    return reader.finish(ended);
}

InfoCodeEntries parse_info_code_bytes(const QByteArray& bytes, int max_lines, qsizetype chunk_bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return read_info_code_lines(buffer, max_lines, chunk_bytes);
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
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return result;
    result.entries = read_info_code_lines(file, max_lines);
    result.complete = file.error() == QFileDevice::NoError && result.entries.complete();
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
