#pragma once
// Streaming CSV files in code page 932 or UTF-8, as the master table is
// exported and imported: RFC 4180 records, read and written one at a time
// through fixed-size buffers, so memory stays bounded whatever the file's size.
//
// The file's form:
// - fields separated by commas, records ended by CR LF (a lone LF is read as
//   a record end too; the writer always ends them with CR LF);
// - a field holding a comma, a double quote, CR or LF is enclosed in double
//   quotes, its quotes doubled; any other field stands as it is, blanks at
//   its edges included (nothing is ever trimmed);
// - UTF-8 files start with a byte-order mark (EF BB BF), which the reader
//   skips and also accepts missing; a code page 932 file has none, and one
//   that starts with it is refused as the UTF-8 file it is;
// - a lone CR (not followed by LF) outside quotes is refused, not taken as a
//   record end: a file with such line ends comes from elsewhere, and guessing
//   how its records split would import wrong rows without a word. Inside
//   quotes a CR, like any other character, belongs to the field;
// - a NUL character can be neither written nor read.
//
// Open the device without QIODevice::Text, so that line ends pass unchanged.

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringEncoder>
#include <QStringList>
#include <span>

namespace k4 {

enum class CsvEncoding { cp932, utf8 };

// What went wrong while reading, and where: the 1-based physical line on which
// the record concerned begins. Physical lines end with CR LF or LF, those
// inside quoted fields included. No error while the message is empty.
struct CsvError {
    QString message;
    int line = 0;

    explicit operator bool() const { return !message.isEmpty(); }
    // "line 3: ..." for showing it.
    QString text() const;
};

class CsvWriter {
public:
    // Output is gathered in a buffer of about buffer_size bytes and written to
    // the device whenever it fills, and by flush().
    static constexpr qsizetype buffer_size = 64 * 1024;

    CsvWriter(QIODevice& device, CsvEncoding encoding);
    // Writes what is still buffered; call flush() before to know whether it
    // could be.
    ~CsvWriter();
    CsvWriter(const CsvWriter&) = delete;
    CsvWriter& operator=(const CsvWriter&) = delete;

    // Adds one record. False when the record is refused, and then nothing of
    // it is written: it has no field, or a field holds a character the file
    // cannot hold (NUL, a lone surrogate, or for code page 932 any character
    // that has no exact code there; never a '?' in its place). A refused
    // record leaves the writer usable for the next one. False also when the
    // device refused a write: from then on every call fails.
    bool write_record(std::span<const QString> fields);
    bool write_record(const QStringList& fields)
    {
        return write_record(std::span<const QString>(fields.constData(), size_t(fields.size())));
    }

    // Hands everything buffered to the device. False when the device refused
    // it. (A QFile buffers as well: close or flush it and check that too.)
    bool flush();

    // Why the last call failed, in English, naming the field (counted from 1)
    // and the character as U+XXXX; empty after a call that succeeded.
    const QString& error() const { return error_; }
    // The 0-based index of the field that made the last record be refused,
    // or -1 when no field is to blame.
    int error_field() const { return error_field_; }

private:
    bool refuse(int field, const QString& message);
    bool append_field(const QString& field, int index);
    bool append_cp932();
    void append_utf8();

    QIODevice& device_;
    CsvEncoding encoding_;
    QStringEncoder utf8_;
    QString record_;  // the record being written, quoted, with its CR LF
    QByteArray out_;  // encoded records not yet handed to the device
    bool started_ = false;
    bool device_failed_ = false;
    QString error_;
    int error_field_ = -1;
};

class CsvReader {
public:
    // The device is read chunk_size bytes at a time.
    static constexpr qsizetype chunk_size = 64 * 1024;
    // A longer record is refused rather than buffered: an unclosed quote would
    // otherwise take the rest of the file into memory.
    static constexpr qsizetype default_max_record_bytes = 4 * 1024 * 1024;

    // The device must be open for reading. A device that may return no data
    // before its end (a pipe, a process) is waited for with waitForReadyRead.
    CsvReader(QIODevice& device, CsvEncoding encoding,
              qsizetype max_record_bytes = default_max_record_bytes);
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;

    // The next record's fields, as many as the record has (an empty line is
    // one empty field). False at the end of the file, and on an error, which
    // error() then tells; once false, always false. A file without any byte,
    // or with only a byte-order mark, is an error ("the file is empty") at
    // the first call. The last record needs no line end.
    bool next(QStringList& fields);

    // The 1-based line on which the record next() returned begins.
    int line() const { return record_line_; }
    const CsvError& error() const { return error_; }

    // The bytes the reader holds allocated for its buffers: about chunk_size
    // plus the longest record read so far.
    qsizetype buffer_capacity() const { return chunk_.capacity() + raw_.capacity(); }

private:
    enum class State { field_start, unquoted, quoted, quote_seen, cr_seen };

    bool start();
    bool read_into(qsizetype offset);
    bool fail(const QString& message);
    bool finish_at_end(State state, bool any, QStringList& fields);
    bool emit_record(QStringList& fields);
    QString bad_bytes_message() const;

    QIODevice& device_;
    CsvEncoding encoding_;
    qsizetype max_record_bytes_;
    QByteArray chunk_;     // the bytes read from the device
    qsizetype pos_ = 0;    // the next byte of chunk_ to parse
    qsizetype end_ = 0;    // the end of what chunk_ holds
    QByteArray raw_;       // the record's field bytes, unquoted, joined by NUL
    int field_count_ = 0;  // fields in raw_
    int line_ = 1;         // the physical line at pos_
    int record_line_ = 0;
    bool started_ = false;
    bool device_at_end_ = false;
    bool done_ = false;
    CsvError error_;
};

}  // namespace k4
