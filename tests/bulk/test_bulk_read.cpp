// Reading many rows: the driver's UTF-8 bytes of each value, their buffers
// reused from row to row, and the columns found by name once. Runs on SQLite
// and on PostgreSQL.

#include "DbFixture.h"

namespace k4::test {
namespace {

using BulkRead = DbBackendTest;

std::string bytes_of(const std::optional<QByteArrayView>& value)
{
    return value ? std::string(value->data(), std::size_t(value->size())) : std::string("<null>");
}

TEST_P(BulkRead, BytesAndTextsAgreeWhateverTheLengthsFromRowToRow)
{
    Database db;
    open(db);
    // Long values first, then short ones in the same columns: a reused buffer
    // must never show the tail of the value before it. 3,000 bytes is many
    // times the first read of a value.
    const QString long_text = QString(1000, QChar(u'長'));
    const QString mixed = QStringLiteral("  Ｃ😀𠮷 x ");
    db.sql_text = QStringLiteral(
                      "SELECT 1 AS n, '%1' AS a, CAST(NULL AS VARCHAR(10)) AS b, '' AS c"
                      " UNION ALL SELECT 2, 'x', 'not null', '%2'"
                      " UNION ALL SELECT 3, '', CAST(NULL AS VARCHAR(10)), 'ab'"
                      " ORDER BY 1")
                      .arg(long_text, mixed);
    ResultSet rs;
    rs = db.open_query(db.sql_text);
    const int a = rs.column_index(QStringLiteral("a"));
    const int b = rs.column_index(QStringLiteral("b"));
    const int c = rs.column_index(QStringLiteral("c"));
    ASSERT_GE(a, 0);

    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(bytes_of(rs.value_utf8(a)), long_text.toStdString());
    EXPECT_EQ(rs.value(a), long_text);
    EXPECT_FALSE(rs.value_utf8(b).has_value());
    EXPECT_EQ(rs.value(b), std::nullopt);
    EXPECT_EQ(bytes_of(rs.value_utf8(c)), std::string());
    EXPECT_EQ(rs.value(c), QString());

    rs.move_next();
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(bytes_of(rs.value_utf8(a)), "x");
    EXPECT_EQ(rs.value(b), QStringLiteral("not null"));
    EXPECT_EQ(bytes_of(rs.value_utf8(c)), mixed.toStdString());
    EXPECT_EQ(rs.value(c), mixed);  // blanks kept: trimming is the reader's choice

    rs.move_next();
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(bytes_of(rs.value_utf8(a)), std::string());
    EXPECT_FALSE(rs.value_utf8(b).has_value()) << "a Null after a value must read as Null";
    EXPECT_EQ(bytes_of(rs.value_utf8(c)), "ab");

    rs.move_next();
    EXPECT_TRUE(rs.eof());
}

TEST_P(BulkRead, ColumnsAreFoundByNameAndBadAccessIsRefused)
{
    Database db;
    open(db);
    db.sql_text = QStringLiteral("SELECT 区分名称 AS 送受信種別名, 区分 AS kind FROM 区分マスタ ORDER BY 区分コード");
    ResultSet rs;
    rs = db.open_query(db.sql_text);
    EXPECT_EQ(rs.column_index(QStringLiteral("送受信種別名")), 0);
    EXPECT_EQ(rs.column_index(QStringLiteral("KIND")), 1);  // ASCII letters in any case
    EXPECT_EQ(rs.column_index(QStringLiteral("区分")), -1);
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(bytes_of(rs.value_utf8(0)), "送信");
    EXPECT_THROW(rs.value_utf8(2), DbError);
    EXPECT_THROW(rs.value_utf8(-1), DbError);
    while (!rs.eof())
        rs.move_next();
    EXPECT_THROW(rs.value_utf8(0), DbError);
    rs.close();
    EXPECT_EQ(rs.column_index(QStringLiteral("kind")), -1);
}

K4_INSTANTIATE_BACKENDS(BulkRead);

}  // namespace
}  // namespace k4::test
