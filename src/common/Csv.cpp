#include "common/Csv.h"

#include "common/cp932.h"

#include <optional>

namespace k4 {
namespace {

constexpr char utf8_bom[] = "\xEF\xBB\xBF";
constexpr char16_t replacement_char = 0xFFFD;

QString encoding_name(CsvEncoding encoding)
{
    return encoding == CsvEncoding::cp932 ? QStringLiteral("code page 932")
                                          : QStringLiteral("UTF-8");
}

QString code_point_name(char32_t u)
{
    return QStringLiteral("U+%1").arg(uint(u), u > 0xFFFF ? 5 : 4, 16, QLatin1Char('0')).toUpper();
}

// The text the bytes stand for, or std::nullopt when they are not valid in the
// encoding. Code page 932 has no U+FFFD, so one in its decoding always marks
// bad bytes; a UTF-8 file may hold a real one (EF BF BD), so there a decoding
// holding U+FFFD is valid only when it encodes back to the same bytes.
std::optional<QString> decode(const QByteArray& bytes, CsvEncoding encoding)
{
    if (encoding == CsvEncoding::cp932) {
        QString text = from_cp932(bytes);
        if (text.contains(QChar(replacement_char)))
            return std::nullopt;
        return text;
    }
    QString text = QString::fromUtf8(bytes);
    // fromUtf8 drops a byte-order mark at the start of its input; here that
    // is a field's first character (the file's own mark is skipped before).
    if (bytes.startsWith(utf8_bom))
        text.prepend(QChar(0xFEFF));
    if (text.contains(QChar(replacement_char))
        && (!bytes.contains("\xEF\xBF\xBD") || text.toUtf8() != bytes))
        return std::nullopt;
    return text;
}

}  // namespace

QString CsvError::text() const
{
    return QStringLiteral("line %1: %2").arg(line).arg(message);
}

// --- Writing ---------------------------------------------------------------

CsvWriter::CsvWriter(QIODevice& device, CsvEncoding encoding)
    : device_(device),
      encoding_(encoding),
      utf8_(QStringConverter::Utf8, QStringConverter::Flag::Stateless)
{
    out_.reserve(buffer_size + 1024);
}

CsvWriter::~CsvWriter()
{
    flush();
}

bool CsvWriter::refuse(int field, const QString& message)
{
    error_field_ = field;
    error_ = message;
    return false;
}

// Appends the field to record_, quoted when it needs to be. Refuses NUL and
// lone surrogates, which neither encoding can carry.
bool CsvWriter::append_field(const QString& field, int index)
{
    const char16_t* u = reinterpret_cast<const char16_t*>(field.utf16());
    const qsizetype size = field.size();
    bool quote = false;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = u[i];
        if (c <= u',') {
            if (c == u'"' || c == u',' || c == u'\r' || c == u'\n')
                quote = true;
            else if (c == 0)
                return refuse(index,
                              QStringLiteral("field %1 holds U+0000 (NUL), which a CSV "
                                             "file cannot hold")
                                  .arg(index + 1));
        } else if (QChar::isSurrogate(c)) {
            if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(u[i + 1]))
                ++i;
            else
                return refuse(index,
                              QStringLiteral("field %1 holds a lone surrogate %2, which is "
                                             "no character")
                                  .arg(index + 1)
                                  .arg(code_point_name(c)));
        }
    }
    if (!quote) {
        record_ += field;
        return true;
    }
    record_ += u'"';
    qsizetype from = 0;
    for (qsizetype at; (at = field.indexOf(u'"', from)) >= 0; from = at + 1) {
        record_ += QStringView(field).sliced(from, at + 1 - from);
        record_ += u'"';
    }
    record_ += QStringView(field).sliced(from);
    record_ += u'"';
    return true;
}

// Appends record_ in code page 932 to out_; false, with nothing appended,
// when it holds a character the code page has no exact code for.
bool CsvWriter::append_cp932()
{
    const auto bytes = to_cp932_strict(record_);
    if (bytes)
        out_ += *bytes;
    return bytes.has_value();
}

void CsvWriter::append_utf8()
{
    const qsizetype used = out_.size();
    out_.resize(used + utf8_.requiredSpace(record_.size()));
    char* end = utf8_.appendToBuffer(out_.data() + used, record_);
    out_.resize(end - out_.constData());
}

bool CsvWriter::write_record(std::span<const QString> fields)
{
    error_field_ = -1;
    if (device_failed_)
        return false;  // error_ still tells the device's failure
    error_.clear();
    if (fields.empty())
        return refuse(-1, QStringLiteral("a record needs at least one field"));

    record_.resize(0);  // keeps the capacity of earlier records
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            record_ += u',';
        if (!append_field(fields[i], int(i)))
            return false;
    }
    record_ += QLatin1String("\r\n");

    if (!started_ && encoding_ == CsvEncoding::utf8)
        out_ += utf8_bom;
    if (encoding_ == CsvEncoding::utf8) {
        append_utf8();
    } else if (!append_cp932()) {
        // Only now, on the way to refusing, find the culprit field by field and
        // then character by character.
        for (size_t i = 0; i < fields.size(); ++i) {
            const QString& field = fields[i];
            if (to_cp932_strict(field))
                continue;
            for (qsizetype at = 0; at < field.size();) {
                const qsizetype width = field.at(at).isHighSurrogate() ? 2 : 1;
                const QString one = field.mid(at, width);
                if (!to_cp932_strict(one))
                    return refuse(int(i),
                                  QStringLiteral("field %1 holds %2 (%3), which code "
                                                 "page 932 cannot hold")
                                      .arg(i + 1)
                                      .arg(code_point_name(one.toUcs4().value(0)))
                                      .arg(one));
                at += width;
            }
        }
        return refuse(-1, QStringLiteral("the record cannot be written in code page 932"));
    }
    started_ = true;
    if (out_.size() >= buffer_size)
        return flush();
    return true;
}

bool CsvWriter::flush()
{
    if (device_failed_)
        return false;
    if (out_.isEmpty())
        return true;
    const qint64 written = device_.write(out_.constData(), out_.size());
    const bool whole = written == qint64(out_.size());
    out_.resize(0);
    if (whole)
        return true;
    device_failed_ = true;
    error_ = QStringLiteral("the file cannot be written: %1").arg(device_.errorString());
    return false;
}

// --- Reading ---------------------------------------------------------------

CsvReader::CsvReader(QIODevice& device, CsvEncoding encoding, qsizetype max_record_bytes)
    : device_(device), encoding_(encoding), max_record_bytes_(max_record_bytes)
{
}

bool CsvReader::fail(const QString& message)
{
    error_.message = message;
    error_.line = record_line_ > 0 ? record_line_ : 1;
    done_ = true;
    return false;
}

// Reads what the device gives into chunk_ from offset on, setting end_. False
// at the device's end, or when it cannot be read (error_ then set).
bool CsvReader::read_into(qsizetype offset)
{
    if (device_at_end_)
        return false;
    for (;;) {
        const qint64 n = device_.read(chunk_.data() + offset, chunk_size - offset);
        if (n > 0) {
            end_ = offset + qsizetype(n);
            return true;
        }
        if (n < 0) {
            fail(QStringLiteral("the file cannot be read: %1").arg(device_.errorString()));
            return false;
        }
        if (!device_.isSequential() || !device_.waitForReadyRead(-1)) {
            device_at_end_ = true;
            return false;
        }
    }
}

// Reads the first bytes and deals with a byte-order mark and an empty file.
bool CsvReader::start()
{
    started_ = true;
    record_line_ = 1;
    chunk_ = QByteArray(chunk_size, Qt::Uninitialized);
    while (end_ < 3 && read_into(end_)) {
    }
    if (error_)
        return false;
    const QByteArrayView head(chunk_.constData(), end_);
    if (head.startsWith(utf8_bom)) {
        if (encoding_ == CsvEncoding::cp932)
            return fail(QStringLiteral("the file starts with a UTF-8 byte-order mark: it is "
                                       "UTF-8, not code page 932"));
        pos_ = 3;
    } else if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF")) {
        return fail(QStringLiteral("the file starts with a UTF-16 byte-order mark: it is UTF-16, "
                                   "not %1")
                        .arg(encoding_name(encoding_)));
    }
    if (pos_ == end_) {
        pos_ = end_ = 0;
        if (!read_into(0))
            return error_ ? false : fail(QStringLiteral("the file is empty"));
    }
    return true;
}

QString CsvReader::bad_bytes_message() const
{
    const QList<QByteArray> parts = raw_.split('\0');
    int field = 0;
    while (field < parts.size() - 1 && decode(parts[field], encoding_))
        ++field;
    QString message = QStringLiteral("field %1 holds bytes that are not valid %2")
                          .arg(field + 1)
                          .arg(encoding_name(encoding_));
    const CsvEncoding other = encoding_ == CsvEncoding::cp932 ? CsvEncoding::utf8
                                                              : CsvEncoding::cp932;
    if (decode(raw_, other))
        message += QStringLiteral(" (they read as %1: is the file %1?)").arg(encoding_name(other));
    return message;
}

bool CsvReader::emit_record(QStringList& fields)
{
    std::optional<QString> text = decode(raw_, encoding_);
    if (!text)
        return fail(bad_bytes_message());
    fields.resize(field_count_);
    if (field_count_ == 1) {
        fields[0] = std::move(*text);
        return true;
    }
    // NUL joins the fields: the file cannot hold one, and no bad byte before a
    // NUL takes it along into a U+FFFD.
    qsizetype from = 0;
    for (int k = 0; k < field_count_; ++k) {
        const qsizetype to = k + 1 < field_count_ ? text->indexOf(QChar(0), from) : text->size();
        fields[k] = text->sliced(from, to - from);
        from = to + 1;
    }
    return true;
}

bool CsvReader::finish_at_end(State state, bool any, QStringList& fields)
{
    switch (state) {
    case State::field_start:
        if (!any) {
            done_ = true;
            return false;
        }
        return emit_record(fields);
    case State::unquoted:
    case State::quote_seen: return emit_record(fields);
    case State::quoted:
        return fail(QStringLiteral("the quoted field %1 is not closed before the end of the file")
                        .arg(field_count_));
    case State::cr_seen: break;
    }
    return fail(QStringLiteral("a carriage return (CR) ends the file without a line feed (LF)"));
}

bool CsvReader::next(QStringList& fields)
{
    if (done_)
        return false;
    if (!started_ && !start())
        return false;

    raw_.resize(0);
    field_count_ = 1;
    record_line_ = line_;
    State state = State::field_start;
    bool any = false;     // whether the record has had a byte
    bool in_run = false;  // whether field bytes from run_from on are still to be kept
    qsizetype run_from = 0;

    for (;;) {
        if (pos_ == end_) {
            if (in_run) {
                raw_.append(chunk_.constData() + run_from, end_ - run_from);
                run_from = 0;
            }
            if (raw_.size() > max_record_bytes_)
                return fail(QStringLiteral("the record is longer than %1 bytes (is a quote not "
                                           "closed?)")
                                .arg(max_record_bytes_));
            pos_ = end_ = 0;
            if (!read_into(0))
                return error_ ? false : finish_at_end(state, any, fields);
            continue;
        }

        const char* data = chunk_.constData();
        const auto keep = [&](qsizetype to) {
            raw_.append(data + run_from, to - run_from);
            in_run = false;
        };
        const auto end_field = [&] {
            raw_.append('\0');
            ++field_count_;
            state = State::field_start;
        };
        qsizetype i = pos_;
        for (; i < end_; ++i) {
            const char c = data[i];
            if (c == '\0') {
                pos_ = i;
                return fail(QStringLiteral("the file holds a NUL byte (0x00), which a CSV file "
                                           "cannot hold"));
            }
            switch (state) {
            case State::field_start:
                any = true;
                if (c == '"') {
                    state = State::quoted;
                    in_run = true;
                    run_from = i + 1;
                } else if (c == ',') {
                    end_field();
                } else if (c == '\n') {
                    pos_ = i + 1;
                    ++line_;
                    return emit_record(fields);
                } else if (c == '\r') {
                    state = State::cr_seen;
                } else {
                    state = State::unquoted;
                    in_run = true;
                    run_from = i;
                }
                break;
            case State::unquoted:
                if (c == ',') {
                    keep(i);
                    end_field();
                } else if (c == '\n') {
                    keep(i);
                    pos_ = i + 1;
                    ++line_;
                    return emit_record(fields);
                } else if (c == '\r') {
                    keep(i);
                    state = State::cr_seen;
                } else if (c == '"') {
                    return fail(QStringLiteral("field %1 is not quoted but holds a double quote "
                                               "(a field with quotes is quoted whole, its "
                                               "quotes doubled)")
                                    .arg(field_count_));
                }
                break;
            case State::quoted:
                if (c == '"') {
                    keep(i);
                    state = State::quote_seen;
                } else if (c == '\n') {
                    ++line_;
                }
                break;
            case State::quote_seen:
                if (c == '"') {
                    // A doubled quote: the second one starts the next run, so
                    // one of the two is kept.
                    state = State::quoted;
                    in_run = true;
                    run_from = i;
                } else if (c == ',') {
                    end_field();
                } else if (c == '\n') {
                    pos_ = i + 1;
                    ++line_;
                    return emit_record(fields);
                } else if (c == '\r') {
                    state = State::cr_seen;
                } else {
                    return fail(QStringLiteral("field %1 has text after its closing quote (a "
                                               "quote inside a field is doubled)")
                                    .arg(field_count_));
                }
                break;
            case State::cr_seen:
                if (c != '\n')
                    return fail(QStringLiteral("a carriage return (CR) is not followed by a "
                                               "line feed (LF)"));
                pos_ = i + 1;
                ++line_;
                return emit_record(fields);
            }
        }
        pos_ = i;
    }
}

}  // namespace k4
