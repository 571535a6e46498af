// The statements are compared to the character: the database sees exactly
// these texts, blanks included.
#include "store/Statements.h"

#include <gtest/gtest.h>

namespace k4 {
namespace {

std::string s(const QString& text) { return text.toStdString(); }

const char* const full_list_text =
    "SELECT  FL1914利用情報区分マスタ.相手先企業コード, FL1914利用情報区分マスタ.送受信種別,"
    " FL1914利用情報区分マスタ.情報区分コード, 区分マスタ.区分名称 AS 送受信種別名 "
    " FROM FL1914利用情報区分マスタ, 区分マスタ "
    " WHERE FL1914利用情報区分マスタ.送受信種別 = 区分マスタ.区分コード"
    " AND 区分マスタ.区分 = '送受信種別'"
    " ORDER BY FL1914利用情報区分マスタ.相手先企業コード,送受信種別,情報区分コード";

TEST(StatementText, FullAndPartnerListsAreTheClassicTexts)
{
    EXPECT_EQ(s(sql::full_list()), full_list_text);

    // The partner code goes in as typed: a trailing blank stays inside the quotes.
    EXPECT_EQ(s(sql::partner_list(QStringLiteral("C00001 "))),
              "SELECT  FL1914利用情報区分マスタ.相手先企業コード, FL1914利用情報区分マスタ.送受信種別,"
              " FL1914利用情報区分マスタ.情報区分コード, 区分マスタ.区分名称 AS 送受信種別名 "
              " FROM FL1914利用情報区分マスタ, 区分マスタ "
              " WHERE FL1914利用情報区分マスタ.送受信種別 = 区分マスタ.区分コード"
              " AND 区分マスタ.区分 = '送受信種別'"
              " AND FL1914利用情報区分マスタ.相手先企業コード = 'C00001 '"
              " ORDER BY FL1914利用情報区分マスタ.相手先企業コード,送受信種別,情報区分コード");
}

TEST(StatementText, CheckRemoveInsertDelete)
{
    const QString p = QStringLiteral("C00001"), t = QStringLiteral("1"), c = QStringLiteral("0001");
    EXPECT_EQ(s(sql::duplicate_check(p, t, c)),
              "SELECT *  FROM FL1914利用情報区分マスタ "
              " WHERE FL1914利用情報区分マスタ.相手先企業コード = 'C00001'"
              " AND FL1914利用情報区分マスタ.送受信種別 = '1'"
              " AND FL1914利用情報区分マスタ.情報区分コード = '0001'");
    EXPECT_EQ(s(sql::remove_changed_row(p, t, c)),
              "DELETE *  FROM FL1914利用情報区分マスタ WHERE 相手先企業コード = 'C00001'"
              " AND 送受信種別 = '1' AND 情報区分コード = '0001'");
    EXPECT_EQ(s(sql::insert_entry(p, QStringLiteral("2"), c)),
              "INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード)"
              " VALUES  ('C00001', '2', '0001')");
    EXPECT_EQ(s(sql::delete_entry(p, t, c)),
              "DELETE FROM FL1914利用情報区分マスタ WHERE 相手先企業コード = 'C00001'"
              " AND 送受信種別 = '1' AND 情報区分コード = '0001'");
}

TEST(StatementText, QuotesInsideValuesAreDoubled)
{
    const QString evil = QStringLiteral("X' OR '1'='1");
    const QString doubled = QStringLiteral("'X'' OR ''1''=''1'");
    for (const QString& text :
         {sql::partner_list(evil), sql::duplicate_check(evil, evil, evil),
          sql::remove_changed_row(evil, evil, evil), sql::insert_entry(evil, evil, evil),
          sql::delete_entry(evil, evil, evil)}) {
        EXPECT_TRUE(text.contains(doubled)) << s(text);
        EXPECT_FALSE(text.contains(QStringLiteral("'X' OR"))) << s(text);
    }
}

}  // namespace
}  // namespace k4
