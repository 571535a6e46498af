// Rows that other programs may have written into the shared master: Nulls in
// every column, quotes, values longer than the screen's fields, characters the
// code page cannot hold. The list shows them as they are, and changing or
// deleting one never touches another row nor rewrites the selected one into
// something else. Runs on SQLite and PostgreSQL, with a master table that has
// no key and wide columns, as an older installation's may have.
#include "ScreenFixture.h"

#include "ui/Controls.h"
#include "ui/FlexGrid.h"
#include "ui/MessageService.h"

#include <QLabel>

namespace k4::test {
namespace {

class BadRows : public ScreenBackendTest {
protected:
    void prepare() override
    {
        h->reset_schema();
        run(QStringLiteral("DROP TABLE FL1914利用情報区分マスタ"));
        run(QStringLiteral("CREATE TABLE FL1914利用情報区分マスタ (相手先企業コード VARCHAR(400),"
                           " 送受信種別 VARCHAR(10), 情報区分コード VARCHAR(40))"));
    }

    void run(const QString& statement) const { OdbcSandbox::shared().execute(dsn(), statement); }
    void insert(const QString& values) const
    {
        run(QStringLiteral("INSERT INTO FL1914利用情報区分マスタ VALUES (%1)").arg(values));
    }

    void delete_listed(const QString& partner)
    {
        const int row = h->grid_row_of(partner);
        ASSERT_GT(row, 0) << partner.toStdString();
        h->delete_row(row, mb::IdOK);
    }
    // Changes the listed row's send/receive type to 2 and saves with Yes.
    void change_type_of_listed(const QString& partner)
    {
        const int row = h->grid_row_of(partner);
        ASSERT_GT(row, 0) << partner.toStdString();
        h->change_row(row, QStringLiteral("2"), mb::IdYes);
    }
};

TEST_P(BadRows, NullsAreListedEmptyAndNeverMatchAnything)
{
    insert(QStringLiteral("NULL, NULL, NULL"));
    insert(QStringLiteral("NULL, '1', NULL"));
    insert(QStringLiteral("'C00001', '1', '0001'"));
    insert(QStringLiteral("'C00003', '3', '0002'"));
    run(QStringLiteral("INSERT INTO 区分マスタ (区分, 区分コード, 区分名称) VALUES ('送受信種別', '3', NULL)"));
    start();
    EXPECT_TRUE(h->messages.shown().empty());
    // The row without a type has no name to join with: not listed.
    QStringList rows = h->grid_rows();
    rows.sort();
    EXPECT_EQ(rows, (QStringList{QStringLiteral("C00001|1|送信|0001|受注データ"),
                                 QStringLiteral("C00003|3||0002|出荷案内"),
                                 QStringLiteral("|1|送信||")}));

    // The row of Nulls has no partner code: a click on it is no choice of a
    // row, so it can be neither deleted nor changed; nothing is written.
    const int null_row = h->grid_row_of(QString());
    ASSERT_GT(null_row, 0);
    h->click_cell(null_row, 1);
    EXPECT_EQ(h->screen->input_phase, Phase::head);
    EXPECT_FALSE(h->form->CMD[2]->isEnabled());
    EXPECT_TRUE(h->messages.shown().empty());
    EXPECT_EQ(master_rows(dsn()).size(), 4);

    // A type whose name is Null has no name: the not-found path.
    h->click_cell(h->grid_row_of(QStringLiteral("C00003")), 1);
    h->form->SJSHU->setFocus();
    h->key(Qt::Key_Return);
    EXPECT_EQ(h->messages.texts(), QStringList{msg::no_such_name});
    EXPECT_EQ(h->form->lbl_SJNM->text(), QString());
}

TEST_P(BadRows, QuotesInValuesStayInsideTheirLiterals)
{
    insert(QStringLiteral("'C''001', '1', '0001'"));
    insert(QStringLiteral("'C00001', '1', '0001'"));
    insert(QStringLiteral("'C''002', '1', '0001'"));
    start();
    EXPECT_GT(h->grid_row_of(QStringLiteral("C'001")), 0);

    delete_listed(QStringLiteral("C'001"));
    EXPECT_EQ(h->messages.texts(), QStringList{msg::confirm_delete});
    EXPECT_EQ(master_rows(dsn()),
              (QStringList{QStringLiteral("C'002|1|0001"), QStringLiteral("C00001|1|0001")}));

    h->messages.clear();
    change_type_of_listed(QStringLiteral("C'002"));
    EXPECT_EQ(h->messages.texts(), QStringList{msg::confirm_update});
    EXPECT_EQ(master_rows(dsn()),
              (QStringList{QStringLiteral("C'002|2|0001"), QStringLiteral("C00001|1|0001")}));
}

TEST_P(BadRows, LongValuesAreReadWhole)
{
    const QString long_name = QString(1000, QChar(u'長'));
    run(QStringLiteral("DROP TABLE 区分マスタ"));
    run(postgres()
            ? QStringLiteral("CREATE TABLE 区分マスタ (区分 VARCHAR(20), 区分コード VARCHAR(10), 区分名称 TEXT,"
                             " 区分ｺｰﾄﾞ VARCHAR(10) GENERATED ALWAYS AS (区分コード) STORED)")
            : QStringLiteral("CREATE TABLE 区分マスタ (区分 VARCHAR(20), 区分コード VARCHAR(10), 区分名称 TEXT,"
                             " 区分ｺｰﾄﾞ VARCHAR(10) GENERATED ALWAYS AS (区分コード) VIRTUAL)"));
    run(QStringLiteral("INSERT INTO 区分マスタ (区分, 区分コード, 区分名称) VALUES ('送受信種別', '1', '%1')")
            .arg(long_name));
    const QString long_partner = QString(400, u'P');
    insert(QStringLiteral("'%1', '1', '0001'").arg(long_partner));
    start();
    ASSERT_EQ(h->grid_rows().size(), 1);
    EXPECT_EQ(h->form->GRID->TextMatrix(1, 1), long_partner);
    EXPECT_EQ(h->form->GRID->TextMatrix(1, 3), long_name);

    // The name lookup reads it whole too.
    h->click_cell(1, 1);
    h->form->SJSHU->setFocus();
    h->key(Qt::Key_Return);
    EXPECT_EQ(h->form->lbl_SJNM->text(), long_name);
}

TEST_P(BadRows, AnOverLongPartnerIsNeverCutIntoAnotherRow)
{
    // Longer than the 12 bytes the partner field holds, and its first 12
    // characters are another partner's code.
    insert(QStringLiteral("'PPPPPPPPPPPPXYZ', '1', '0001'"));
    insert(QStringLiteral("'PPPPPPPPPPPP', '1', '0001'"));
    start();

    delete_listed(QStringLiteral("PPPPPPPPPPPPXYZ"));
    EXPECT_TRUE(master_rows(dsn()).contains(QStringLiteral("PPPPPPPPPPPP|1|0001")))
        << "deleting the long partner's row deleted the short partner's row";

    h->messages.clear();
    if (h->grid_row_of(QStringLiteral("PPPPPPPPPPPPXYZ")) == 0)
        return;  // the long row was deleted above: nothing left to change
    change_type_of_listed(QStringLiteral("PPPPPPPPPPPPXYZ"));
    const QStringList rows = master_rows(dsn());
    EXPECT_FALSE(rows.contains(QStringLiteral("PPPPPPPPPPPP|2|0001")))
        << "changing the long partner's row wrote it back cut to the field's length";
    EXPECT_TRUE(rows.contains(QStringLiteral("PPPPPPPPPPPPXYZ|1|0001"))
                || rows.contains(QStringLiteral("PPPPPPPPPPPPXYZ|2|0001")))
        << "the long partner's row was lost";
}

TEST_P(BadRows, CharactersTheCodePageCannotHoldAreKept)
{
    const QString partner = QStringLiteral("Ｃ😀𠮷");
    insert(QStringLiteral("'%1', '1', '0001'").arg(partner));
    insert(QStringLiteral("'Ｃ?" "?', '1', '0001'"));
    start();
    EXPECT_GT(h->grid_row_of(partner), 0);

    change_type_of_listed(partner);
    const QStringList rows = master_rows(dsn());
    EXPECT_FALSE(rows.contains(QStringLiteral("Ｃ?" "?|2|0001")))
        << "changing the row wrote its partner back with '?' for the characters";
    EXPECT_TRUE(rows.contains(partner + QStringLiteral("|1|0001"))
                || rows.contains(partner + QStringLiteral("|2|0001")))
        << "the row was lost";

    h->messages.clear();
    delete_listed(partner);
    EXPECT_TRUE(master_rows(dsn()).contains(QStringLiteral("Ｃ?" "?|1|0001")))
        << "deleting the row deleted another partner's row";
}

TEST_P(BadRows, ALowerCasePartnerAndAnOverLongTypeAreActedOnAsListed)
{
    run(QStringLiteral("INSERT INTO 区分マスタ (区分, 区分コード, 区分名称) VALUES ('送受信種別', '12', '送受')"));
    insert(QStringLiteral("'abc', '1', '0001'"));
    insert(QStringLiteral("'ABC', '1', '0001'"));
    insert(QStringLiteral("'A1', '1', '0001'"));
    insert(QStringLiteral("'A1', '12', '0001'"));
    start();

    // The lower-case row, changed to type 2 through the keys: only it moves.
    change_type_of_listed(QStringLiteral("abc"));
    QStringList rows = master_rows(dsn());
    EXPECT_TRUE(rows.contains(QStringLiteral("abc|2|0001"))) << rows.join(u' ').toStdString();
    EXPECT_TRUE(rows.contains(QStringLiteral("ABC|1|0001")));
    EXPECT_FALSE(rows.contains(QStringLiteral("ABC|2|0001")));
    // ... and deleted after the existence check: only it goes.
    h->messages.clear();
    delete_listed(QStringLiteral("abc"));
    EXPECT_EQ(h->messages.texts(), QStringList{msg::confirm_delete});
    rows = master_rows(dsn());
    EXPECT_FALSE(rows.contains(QStringLiteral("abc|2|0001")));
    EXPECT_TRUE(rows.contains(QStringLiteral("ABC|1|0001")));

    // The type longer than its field: End in SJSHU leaves it whole, and the
    // deletion removes that row, not the one whose type is its first byte.
    h->messages.clear();
    ASSERT_GT(h->grid_row_of(QStringLiteral("A1"), QStringLiteral("12")), 0);
    h->click_cell(h->grid_row_of(QStringLiteral("A1"), QStringLiteral("12")), 1);
    h->form->SJSHU->setFocus();
    h->key(Qt::Key_End);
    EXPECT_EQ(h->form->SJSHU->text(), QStringLiteral("12"));
    h->messages.plan(mb::IdOK);
    h->click_button(2);
    EXPECT_EQ(h->messages.texts(), QStringList{msg::confirm_delete});
    rows = master_rows(dsn());
    EXPECT_TRUE(rows.contains(QStringLiteral("A1|1|0001")));
    EXPECT_FALSE(rows.contains(QStringLiteral("A1|12|0001")));

    // Changed (its code), the row keeps its whole type.
    insert(QStringLiteral("'A1', '12', '0001'"));
    ASSERT_TRUE(h->screen->reload_full_list() == Outcome::done);
    h->messages.clear();
    h->click_cell(h->grid_row_of(QStringLiteral("A1"), QStringLiteral("12")), 1);
    h->form->SJSHU->setFocus();
    h->key(Qt::Key_End);
    h->form->JKBN->setFocus();
    h->form->JKBN->selectAll();
    h->type(QStringLiteral("0002"));
    h->enter_answering(mb::IdYes);
    EXPECT_EQ(h->messages.texts(), QStringList{msg::confirm_update});
    rows = master_rows(dsn());
    EXPECT_TRUE(rows.contains(QStringLiteral("A1|12|0002"))) << rows.join(u' ').toStdString();
    EXPECT_TRUE(rows.contains(QStringLiteral("A1|1|0001")));
    EXPECT_FALSE(rows.contains(QStringLiteral("A1|12|0001")));
    EXPECT_FALSE(rows.contains(QStringLiteral("A1|1|0002")));
}

TEST_P(BadRows, KeysWithEdgeBlanksAreDeletedAndChangedAsStored)
{
    // The grid shows ' A1' and 'A1' alike; the entry line and the statements
    // keep the stored value, so each click acts on its own row.
    insert(QStringLiteral("' A1', '1', '0001'"));
    insert(QStringLiteral("'A1', '1', '0001'"));
    insert(QStringLiteral("'B1 ', '1', '0002'"));
    start();
    ASSERT_EQ(h->grid_rows().size(), 3);
    auto click_stored = [this](const QString& partner) {
        for (int row = 1; row <= h->screen->grid_row_count; ++row) {
            h->click_cell(row, 1);
            if (h->form->ATCD->text() == partner)
                return true;
        }
        return false;
    };
    ASSERT_TRUE(click_stored(QStringLiteral(" A1")));
    h->messages.plan(mb::IdOK);
    h->click_button(2);
    EXPECT_EQ(h->messages.texts(), QStringList{msg::confirm_delete});
    EXPECT_EQ(master_rows(dsn()), (QStringList{QStringLiteral("A1|1|0001"), QStringLiteral("B1 |1|0002")}));

    // The change removes the stored row and writes the new one trimmed.
    h->messages.clear();
    change_type_of_listed(QStringLiteral("B1"));
    EXPECT_EQ(h->messages.texts(), QStringList{msg::confirm_update});
    EXPECT_EQ(master_rows(dsn()), (QStringList{QStringLiteral("A1|1|0001"), QStringLiteral("B1|2|0002")}));
}

K4_INSTANTIATE_SCREEN_BACKENDS(BadRows);

}  // namespace
}  // namespace k4::test
