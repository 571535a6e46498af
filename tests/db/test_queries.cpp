// Reading: eof_status, values by column name, Null against the empty text,
// Japanese names, both spellings of the classification code column.

#include "DbFixture.h"

namespace k4::test {
namespace {

using Query = DbBackendTest;

// The full list statement as the screen builds it.
QString full_list_statement()
{
    return QStringLiteral("SELECT ") + QStringLiteral(" FL1914利用情報区分マスタ.相手先企業コード,")
        + QStringLiteral(" FL1914利用情報区分マスタ.送受信種別,")
        + QStringLiteral(" FL1914利用情報区分マスタ.情報区分コード,")
        + QStringLiteral(" 区分マスタ.区分名称 AS 送受信種別名 ")
        + QStringLiteral(" FROM FL1914利用情報区分マスタ,") + QStringLiteral(" 区分マスタ ")
        + QStringLiteral(" WHERE FL1914利用情報区分マスタ.送受信種別 = 区分マスタ.区分コード")
        + QStringLiteral(" AND 区分マスタ.区分 = '") + QStringLiteral("送受信種別") + QStringLiteral("'")
        + QStringLiteral(" ORDER BY FL1914利用情報区分マスタ.相手先企業コード,送受信種別,情報区分コード");
}

QString insert_statement(const QString& partner, const QString& type, const QString& code)
{
    return QStringLiteral("INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, "
                          "情報区分コード) VALUES ('%1', '%2', '%3')")
        .arg(partner, type, code);
}

TEST_P(Query, EofStatusTellsWhetherTheNewResultSetHasARow)
{
    run_elsewhere(insert_statement(QStringLiteral("C00001"), QStringLiteral("1"), QStringLiteral("0001")));
    Database db;
    open(db);
    ResultSet rs;

    rs = db.open_query(QStringLiteral("SELECT * FROM FL1914利用情報区分マスタ WHERE 相手先企業コード = 'C99999'"));
    EXPECT_EQ(db.eof_status, QStringLiteral("9"));
    EXPECT_TRUE(rs.eof());
    EXPECT_TRUE(rs.is_open());

    rs = db.open_query(QStringLiteral("SELECT * FROM FL1914利用情報区分マスタ WHERE 相手先企業コード = 'C00001'"));  // replaces the empty result set
    EXPECT_EQ(db.eof_status, QStringLiteral("0"));
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.value(QStringLiteral("情報区分コード")), QStringLiteral("0001"));
    rs.move_next();
    EXPECT_TRUE(rs.eof());
}

TEST_P(Query, SyntaxErrorThrowsAndLeavesEofStatusAsItWas)
{
    Database db;
    open(db);
    ResultSet rs;
    for (const QString& before : {QStringLiteral("0"), QStringLiteral("9")}) {
        db.eof_status = before;
        try {
            rs = db.open_query(QStringLiteral("SELEC 区分名称 FROM 区分マスタ"));
            FAIL() << "a malformed statement was accepted";
        } catch (const DbError& e) {
            EXPECT_FALSE(e.sqlstate().isEmpty());
            EXPECT_FALSE(e.driver_text().isEmpty());
            EXPECT_EQ(e.statement(), db.sql_text);
            if (is_postgres()) {
                EXPECT_EQ(e.sqlstate(), QStringLiteral("42601"));
            }
        }
        EXPECT_EQ(db.eof_status, before);
    }
    EXPECT_THROW(db.execute_statement(db.sql_text), DbError);
    // The connection stays usable after the failures.
    rs = db.open_query(QStringLiteral("SELECT 区分名称 FROM 区分マスタ WHERE 区分コード = '1'"));
    EXPECT_EQ(db.eof_status, QStringLiteral("0"));
}

TEST_P(Query, NullIsToldApartFromTheEmptyText)
{
    run_elsewhere(QStringLiteral("INSERT INTO 区分マスタ (区分, 区分コード, 区分名称) VALUES ('試験', 'N', NULL)"));
    run_elsewhere(QStringLiteral("INSERT INTO 区分マスタ (区分, 区分コード, 区分名称) VALUES ('試験', 'E', '')"));
    Database db;
    open(db);
    ResultSet rs;
    rs = db.open_query(QStringLiteral("SELECT 区分コード, 区分名称 FROM 区分マスタ WHERE 区分 = '試験' ORDER BY 区分コード"));
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.value(QStringLiteral("区分コード")), QStringLiteral("E"));
    const auto empty = rs.value(QStringLiteral("区分名称"));
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->isEmpty());
    rs.move_next();
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.value(QStringLiteral("区分コード")), QStringLiteral("N"));
    EXPECT_FALSE(rs.value(QStringLiteral("区分名称")).has_value());
}

TEST_P(Query, JapaneseTableAndColumnNamesRoundTrip)
{
    Database db;
    open(db);
    for (const auto& [partner, type, code] :
         {std::tuple{"C00002", "2", "0003"}, {"C00001", "2", "0002"}, {"C00001", "1", "0001"},
          {"Ｃ０１", "1", "0004"}, {"C00003", "3", "0001"}}) {
        db.execute_statement(insert_statement(QString::fromUtf8(partner), QString::fromUtf8(type),
                                       QString::fromUtf8(code)));
    }
    // What went in is stored as characters, not as mangled bytes.
    EXPECT_EQ(scalar_elsewhere(QStringLiteral("SELECT COUNT(*) FROM FL1914利用情報区分マスタ "
                                              "WHERE 相手先企業コード = 'Ｃ０１'")),
              QStringLiteral("1"));
    EXPECT_EQ(scalar_elsewhere(QStringLiteral("SELECT LENGTH(相手先企業コード) FROM FL1914利用情報区分マスタ "
                                              "WHERE 情報区分コード = '0004'")),
              QStringLiteral("3"));

    db.sql_text = full_list_statement();
    ResultSet rs;
    rs = db.open_query(db.sql_text);
    EXPECT_EQ(rs.column_names(),
              (QStringList{QStringLiteral("相手先企業コード"), QStringLiteral("送受信種別"),
                           QStringLiteral("情報区分コード"), QStringLiteral("送受信種別名")}));
    QStringList rows;
    for (; !rs.eof(); rs.move_next())
        rows << QStringList{rs.value(QStringLiteral("相手先企業コード")).value_or(QString()),
                            rs.value(QStringLiteral("送受信種別")).value_or(QString()),
                            rs.value(QStringLiteral("情報区分コード")).value_or(QString()),
                            rs.value(QStringLiteral("送受信種別名")).value_or(QString())}
                    .join(u'|');
    // Type 3 has no name of kind 送受信種別 and is not listed.
    EXPECT_EQ(rows, (QStringList{QStringLiteral("C00001|1|0001|送信"),
                                 QStringLiteral("C00001|2|0002|受信"),
                                 QStringLiteral("C00002|2|0003|受信"),
                                 QStringLiteral("Ｃ０１|1|0004|送信")}));
}

TEST_P(Query, CodeColumnAnswersToBothSpellings)
{
    run_elsewhere(QStringLiteral("INSERT INTO 区分マスタ (区分, 区分コード, 区分名称) VALUES ('試験', 'ｱ', '半角')"));
    Database db;
    open(db);
    ResultSet rs;
    // The name lookup's statement, half-width katakana, exactly as sent.
    rs = db.open_query(QStringLiteral("SELECT 区分名称 FROM 区分マスタ WHERE 区分= '送受信種別' AND 区分ｺｰﾄﾞ= '1'"));
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.value(QStringLiteral("区分名称")), QStringLiteral("送信"));

    rs = db.open_query(QStringLiteral("SELECT 区分名称 FROM 区分マスタ WHERE 区分= '送受信種別' AND 区分コード= '2'"));
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.value(QStringLiteral("区分名称")), QStringLiteral("受信"));

    // A row written under one spelling is found under the other.
    rs = db.open_query(QStringLiteral("SELECT 区分名称 FROM 区分マスタ WHERE 区分= '試験' AND 区分ｺｰﾄﾞ= 'ｱ'"));
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.value(QStringLiteral("区分名称")), QStringLiteral("半角"));
}

TEST_P(Query, ColumnsAreFoundByNameExactlyThenIgnoringAsciiCase)
{
    Database db;
    open(db);
    ResultSet rs;
    // PostgreSQL reports the unquoted alias folded to lower case.
    rs = db.open_query(QStringLiteral("SELECT 区分名称 AS KubunName, 区分コード AS Ｃode FROM 区分マスタ "
                                 "WHERE 区分コード = '1'"));
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.value(QStringLiteral("KubunName")), QStringLiteral("送信"));
    EXPECT_EQ(rs.value(QStringLiteral("KUBUNNAME")), QStringLiteral("送信"));
    EXPECT_EQ(rs.value(1), QStringLiteral("1"));
    // Only ASCII letters fold: a full-width letter is another character.
    EXPECT_THROW(rs.value(QStringLiteral("ｃode")), DbError);
    try {
        rs.value(QStringLiteral("区分名"));
        FAIL() << "an unknown column gave a value";
    } catch (const DbError& e) {
        EXPECT_EQ(e.sqlstate(), QStringLiteral("42S22"));
    }
    rs.move_next();
    ASSERT_TRUE(rs.eof());
    EXPECT_THROW(rs.value(QStringLiteral("KubunName")), DbError);
    rs.move_next();  // staying at the end is harmless
    EXPECT_TRUE(rs.eof());
}

TEST_P(Query, LongValuesAreReadWhole)
{
    run_elsewhere(QStringLiteral("CREATE TABLE 長文 (番号 INTEGER, 本文 TEXT)"));
    // Three-byte characters after one ASCII byte: every read buffer boundary
    // falls inside a character somewhere.
    QString text = QStringLiteral("a");
    while (text.size() < 3000)
        text += QStringLiteral("日本語テキスト");
    run_elsewhere(QStringLiteral("INSERT INTO 長文 VALUES (1, '%1')").arg(text));
    run_elsewhere(QStringLiteral("INSERT INTO 長文 VALUES (2, '%1')").arg(text.left(511)));
    Database db;
    open(db);
    ResultSet rs;
    rs = db.open_query(QStringLiteral("SELECT 本文 FROM 長文 ORDER BY 番号"));
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.value(0), text);
    rs.move_next();
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.value(0), text.left(511));
    rs.close();
    run_elsewhere(QStringLiteral("DROP TABLE 長文"));
}

TEST_P(Query, ClosingTheDatabaseEndsTheResultSetsStillOpen)
{
    run_elsewhere(insert_statement(QStringLiteral("C00001"), QStringLiteral("1"), QStringLiteral("0001")));
    ResultSet outlives_everything;
    {
        Database db;
        open(db);
        ResultSet rs;
        rs = db.open_query(QStringLiteral("SELECT * FROM FL1914利用情報区分マスタ"));
        outlives_everything = db.open_query(db.sql_text);
        ASSERT_FALSE(rs.eof());
        db.close_database();
        EXPECT_FALSE(db.is_open());
        EXPECT_FALSE(rs.is_open());
        EXPECT_TRUE(rs.eof());
        EXPECT_THROW(rs = db.open_query(db.sql_text), DbError);
        EXPECT_THROW(db.execute_statement(db.sql_text), DbError);
        db.close_database();  // a second close is harmless
    }
    EXPECT_FALSE(outlives_everything.is_open());
    outlives_everything.close();
}

K4_INSTANTIATE_BACKENDS(Query);

}  // namespace
}  // namespace k4::test
