#include "common/Csv.h"
#include "common/cp932.h"

#include <QBuffer>
#include <gtest/gtest.h>

using namespace k4;

namespace {

const CsvEncoding both[] = {CsvEncoding::cp932, CsvEncoding::utf8};
const char* name(CsvEncoding e)
{
    return e == CsvEncoding::cp932 ? "cp932" : "utf8";
}

QByteArray encoded(const QString& text, CsvEncoding encoding)
{
    return encoding == CsvEncoding::cp932 ? to_cp932(text) : text.toUtf8();
}

QByteArray write_all(const QList<QStringList>& records, CsvEncoding encoding)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CsvWriter writer(buffer, encoding);
    for (const QStringList& record : records)
        EXPECT_TRUE(writer.write_record(record)) << writer.error().toStdString();
    EXPECT_TRUE(writer.flush());
    return bytes;
}

// The records read before the end or an error, each with its line.
struct Read {
    QList<QStringList> records;
    QList<int> lines;
    CsvError error;
};

Read read_all(const QByteArray& bytes, CsvEncoding encoding,
              qsizetype max_record = CsvReader::default_max_record_bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    CsvReader reader(buffer, encoding, max_record);
    Read read;
    QStringList fields;
    while (reader.next(fields)) {
        read.records.append(fields);
        read.lines.append(reader.line());
    }
    EXPECT_FALSE(reader.next(fields)) << "a reader that stopped goes on";
    read.error = reader.error();
    return read;
}

}  // namespace

TEST(Csv, AwkwardRecordsRoundTripInBothEncodings)
{
    const QList<QStringList> records = {
        {QString(), QString(), QString()},
        {QStringLiteral(" edge blanks "), QStringLiteral("\ttab"), QStringLiteral("a,b"),
         QStringLiteral("say \"hi\""), QStringLiteral("\"\"\""), QStringLiteral("\"")},
        {QStringLiteral("one\ntwo"), QStringLiteral("lone\rcr"), QStringLiteral("cr\r\nlf"),
         QStringLiteral("\r\n\r\n")},
        {QString()},
        // 表 and ソ end in 0x5C, the backslash, in code page 932.
        {QStringLiteral("品名"), QStringLiteral("ｶﾀｶﾅ"), QStringLiteral("表示～－ソ"),
         QStringLiteral("取引先,コード")},
        {QStringLiteral("last")},
    };
    for (const CsvEncoding encoding : both) {
        QList<QStringList> expected = records;
        if (encoding == CsvEncoding::utf8)  // a field may start with U+FEFF or hold U+FFFD
            expected.append({QString(QChar(0xFEFF)) + u'x', QString(QChar(0xFFFD)),
                             QString::fromUtf8("\xF0\x9F\x98\x80")});
        const Read read = read_all(write_all(expected, encoding), encoding);
        EXPECT_FALSE(read.error) << name(encoding) << ": " << read.error.text().toStdString();
        EXPECT_EQ(read.records, expected) << name(encoding);
        // A record's line counts the line ends inside the quoted fields before it.
        int line = 1;
        for (qsizetype i = 0; i < read.lines.size(); ++i) {
            EXPECT_EQ(read.lines[i], line) << name(encoding) << " record " << i;
            line += 1 + int(expected[i].join(QString()).count(u'\n'));
        }
    }

    // The bytes themselves: quoted only where needed, CR LF, a mark for UTF-8 only.
    const QList<QStringList> two = {
        {QStringLiteral("a"), QStringLiteral(" b "), QStringLiteral("c,d"), QStringLiteral("e\"f")},
        {QStringLiteral("表"), QString(), QStringLiteral("x\r\ny")}};
    const QByteArray first("a, b ,\"c,d\",\"e\"\"f\"\r\n");
    EXPECT_EQ(write_all(two, CsvEncoding::cp932), first + QByteArray("\x95\x5C,,\"x\r\ny\"\r\n"));
    EXPECT_EQ(write_all(two, CsvEncoding::utf8),
              "\xEF\xBB\xBF" + first + QByteArray("\xE8\xA1\xA8,,\"x\r\ny\"\r\n"));
    EXPECT_EQ(write_all({}, CsvEncoding::utf8), QByteArray());

    // Other writers' files: lone LF line ends, no mark, no line end at the end.
    for (const CsvEncoding encoding : both) {
        const Read read = read_all(
            encoded(QStringLiteral("a,品\n\"x\ny\",\n\n\"\"\"\"\r\nend,"), encoding), encoding);
        EXPECT_FALSE(read.error) << name(encoding);
        const QList<QStringList> expected = {
            {"a", QStringLiteral("品")}, {"x\ny", ""}, {""}, {"\""}, {"end", ""}};
        EXPECT_EQ(read.records, expected) << name(encoding);
        EXPECT_EQ(read.lines, (QList<int>{1, 2, 4, 5, 6})) << name(encoding);
    }
}

TEST(Csv, BadInputsNameTheirLine)
{
    const QByteArray bom("\xEF\xBB\xBF");
    const QByteArray multi_line("\"x\ny\"\r\n\"a\r\nb\"\r\n");  // two records on lines 1-4
    struct Case {
        const char* what;
        CsvEncoding encoding;
        QByteArray bytes;
        int good_records;
        int line;
        const char* word;
        qsizetype max_record = CsvReader::default_max_record_bytes;
    };
    const Case cases[] = {
        {"bad cp932 byte", CsvEncoding::cp932, "ok\r\nok\r\nx,y\xFDz\r\nok\r\n", 2, 3,
         "field 2 holds bytes that are not valid code page 932"},
        {"UTF-8 read as cp932", CsvEncoding::cp932, "id," + QStringLiteral("コード").toUtf8(), 0, 1,
         "is the file UTF-8?"},
        {"cp932 read as UTF-8", CsvEncoding::utf8, multi_line + to_cp932(QStringLiteral("品名")), 2,
         5, "is the file code page 932?"},
        {"mark in a cp932 file", CsvEncoding::cp932, bom + "a\r\n", 0, 1, "byte-order mark"},
        {"UTF-16 mark", CsvEncoding::utf8, QByteArray::fromHex("fffe6100"), 0, 1, "UTF-16"},
        {"NUL", CsvEncoding::utf8, QByteArray("a\r\nb\0c\r\n", 8), 1, 2, "NUL"},
        {"unclosed quote", CsvEncoding::cp932, multi_line + "a,\"b\r\nc\r\n", 2, 5, "not closed"},
        {"quote in unquoted field", CsvEncoding::utf8, multi_line + "a,b\"c\r\n", 2, 5,
         "not quoted"},
        {"text after closing quote", CsvEncoding::cp932, "\"a\"b\r\n", 0, 1, "after its closing"},
        {"lone CR", CsvEncoding::utf8, "a\r\nb\rc\r\n", 1, 2, "carriage return"},
        {"CR at the end", CsvEncoding::cp932, "a\r", 0, 1, "carriage return"},
        {"empty file", CsvEncoding::cp932, "", 0, 1, "empty"},
        {"only a mark", CsvEncoding::utf8, bom, 0, 1, "empty"},
        {"record too long", CsvEncoding::utf8, "ok\r\n\"" + QByteArray(100, 'x'), 1, 2,
         "longer than 64", 64},
    };
    for (const Case& c : cases) {
        const Read read = read_all(c.bytes, c.encoding, c.max_record);
        EXPECT_EQ(read.records.size(), c.good_records) << c.what;
        EXPECT_EQ(read.error.line, c.line) << c.what;
        EXPECT_TRUE(read.error.message.contains(QLatin1String(c.word)))
            << c.what << ": " << read.error.text().toStdString();
    }
}

TEST(Csv, WriterRefusesWhatTheFileCannotHold)
{
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    struct Case {
        CsvEncoding encoding;
        QStringList record;
        int field;
        const char* words;
    };
    const Case cases[] = {
        {CsvEncoding::cp932, {"a", QStringLiteral("森鷗外")}, 1, "field 2 holds U+9DD7"},
        {CsvEncoding::cp932, {emoji}, 0, "U+1F600"},
        // iconv would write these as the backslash and as U+FF5E's code.
        {CsvEncoding::cp932, {"a", "b", QString(QChar(0x00A5))}, 2, "U+00A5"},
        {CsvEncoding::cp932, {QString(QChar(0x301C))}, 0, "U+301C"},
        {CsvEncoding::utf8, {"a", QStringLiteral("x") + QChar(0xD800)}, 1, "U+D800"},
        {CsvEncoding::utf8, {QString(QChar(0))}, 0, "U+0000"},
        {CsvEncoding::utf8, {}, -1, "at least one field"},
    };
    for (const Case& c : cases) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        CsvWriter writer(buffer, c.encoding);
        EXPECT_FALSE(writer.write_record(c.record)) << c.words;
        EXPECT_TRUE(writer.error().contains(QLatin1String(c.words)))
            << writer.error().toStdString();
        EXPECT_EQ(writer.error_field(), c.field) << c.words;
        // Nothing of it is written, and the next record goes on as the first.
        EXPECT_TRUE(writer.write_record({QStringLiteral("表")}));
        EXPECT_TRUE(writer.error().isEmpty());
        EXPECT_TRUE(writer.flush());
        EXPECT_EQ(bytes,
                  (c.encoding == CsvEncoding::utf8 ? "\xEF\xBB\xBF" : "")
                      + encoded(QStringLiteral("表\r\n"), c.encoding))
            << c.words;
    }

    // A device that refuses the bytes fails the flush and every call after it.
    QByteArray bytes;
    QBuffer read_only(&bytes);
    read_only.open(QIODevice::ReadOnly);
    CsvWriter writer(read_only, CsvEncoding::cp932);
    EXPECT_TRUE(writer.write_record({"a"}));  // buffered
    EXPECT_FALSE(writer.flush());
    EXPECT_TRUE(writer.error().contains(QLatin1String("cannot be written")));
    EXPECT_FALSE(writer.write_record({"b"}));
}

namespace {

// Produces `lines` records on demand, never holding more than one: the number,
// Japanese text whose double-byte characters fall across the reader's chunk
// boundaries somewhere, and a quoted field of two lines with a doubled quote.
class GeneratedCsv : public QIODevice {
public:
    GeneratedCsv(int records, CsvEncoding encoding)
        : records_(records), tail_(encoded(QStringLiteral(",表示ｶﾅ,\"q\"\"\r\nz\"\r\n"), encoding))
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 max) override
    {
        qint64 copied = 0;
        while (copied < max) {
            if (at_ == pending_.size()) {
                if (next_ == records_)
                    break;
                pending_ = QByteArray::number(next_++) + tail_;
                at_ = 0;
            }
            const qint64 n = qMin(max - copied, qint64(pending_.size() - at_));
            memcpy(data + copied, pending_.constData() + at_, size_t(n));
            copied += n;
            at_ += n;
        }
        return copied;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    int records_;
    int next_ = 0;
    QByteArray tail_;
    QByteArray pending_;
    qsizetype at_ = 0;
};

}  // namespace

TEST(Csv, LargeInputIsReadInBoundedMemory)
{
    constexpr int records = 200'000;  // about 5 MB, some 80 chunks
    for (const CsvEncoding encoding : both) {
        GeneratedCsv source(records, encoding);
        CsvReader reader(source, encoding);
        QStringList fields;
        int count = 0;
        qsizetype largest_buffer = 0;
        const QStringList tail = {QStringLiteral("表示ｶﾅ"), QStringLiteral("q\"\r\nz")};
        while (reader.next(fields)) {
            if (fields.size() != 3 || fields[0] != QString::number(count)
                || fields.sliced(1) != tail || reader.line() != 2 * count + 1) {
                ADD_FAILURE() << name(encoding) << " record " << count << ": "
                              << fields.join(u'|').toStdString();
                break;
            }
            ++count;
            largest_buffer = qMax(largest_buffer, reader.buffer_capacity());
        }
        EXPECT_FALSE(reader.error()) << reader.error().text().toStdString();
        EXPECT_EQ(count, records) << name(encoding);
        EXPECT_LT(largest_buffer, CsvReader::chunk_size + 4096) << name(encoding);
    }
}
