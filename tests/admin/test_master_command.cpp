// The administrators' command on each database the program runs on: what it
// writes out is exactly the table, what it brings in is exactly the file or
// nothing, every refusal names its line, and the change log has each row.
#include "DbFixture.h"
#include "SettingsText.h"
#include "TcpRelay.h"
#include "TempDir.h"

#include "admin/MasterCommand.h"
#include "common/Messages.h"

#include <QBuffer>
#include <QFile>
#include <QTextStream>

namespace k4::test {
namespace {

class MasterCommand : public DbBackendTest {
protected:
    void SetUp() override
    {
        DbBackendTest::SetUp();
        if (IsSkipped())
            return;
        run_elsewhere(QStringLiteral("DELETE FROM 区分マスタ WHERE 区分コード NOT IN ('1', '2')"));
        use_dsn(dsn());
        write_file(list_path(), sjis(QStringLiteral("0001受注データ          \r\n0002出荷案内            \r\n"
                                                    "0003発注データ          \r\n")));
    }
    void use_dsn(const QString& dsn)
    {
        write_file(dir.path() + QStringLiteral("/EDI/EDI.ini"),
                   sjis(fixtures::settings_text(dsn, user(), list_path())));
    }
    QString list_path() const { return dir.path() + QStringLiteral("/EDI/JOHOKUBUN.TXT"); }
    QString path(const char* name) const { return dir.path() + u'/' + QString::fromUtf8(name); }

    // Runs the command in-process; standard input is `input`.
    int run(const QStringList& args, const QByteArray& input = {})
    {
        QBuffer in, out;
        in.setData(input);
        in.open(QIODevice::ReadOnly);
        out.open(QIODevice::WriteOnly);
        QString errors;
        QTextStream err(&errors);
        CommandContext c;
        c.arguments = args;
        c.program_dir = dir.path() + QStringLiteral("/EDI/BIN/K408020");
        c.standard_input = &in;
        c.standard_output = &out;
        c.errors = &err;
        c.login_user = QStringLiteral("admin");
        c.machine_name = QStringLiteral("SERVER1");
        c.system_log = [this](const QString& line) { log << line; };
        const int status = run_master_command(c);
        err.flush();
        output = out.data();
        messages = errors;
        return status;
    }
    void insert(const QString& values)
    {
        run_elsewhere(QStringLiteral("INSERT INTO FL1914利用情報区分マスタ VALUES (%1)").arg(values));
    }
    // The table as a second connection sees it, "partner|type|code" in order.
    QStringList table()
    {
        QStringList rows;
        const int n = master_rows_elsewhere();
        for (int i = 0; i < n; ++i)
            rows << scalar_elsewhere(QStringLiteral(
                "SELECT 相手先企業コード || '|' || 送受信種別 || '|' || 情報区分コード FROM "
                "FL1914利用情報区分マスタ ORDER BY 相手先企業コード, 送受信種別, 情報区分コード "
                "LIMIT 1 OFFSET %1").arg(i));
        return rows;
    }
    static QByteArray file(const QString& name)
    {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir dir;
    QByteArray output;
    QString messages;
    QStringList log;
};

const QByteArray header = QStringLiteral("相手先企業コード,送受信種別,情報区分コード\r\n").toUtf8();

TEST_P(MasterCommand, ExportWritesTheTableExactlyAndImportBringsItBack)
{
    insert(QStringLiteral("'C00001', '1', '0001'"));
    insert(QStringLiteral("'取引先Ａ', '2', '0002'"));
    insert(QStringLiteral("'C00009', '9', '0003'"));   // a type 区分マスタ does not name
    ASSERT_EQ(run({QStringLiteral("export"), QStringLiteral("--names"), path("all.csv")}), 0) << messages.toStdString();
    EXPECT_EQ(file(path("all.csv")),
              sjis(QStringLiteral("相手先企業コード,送受信種別,情報区分コード,送受信種別名,情報区分名\r\n"
                                  "C00001,1,0001,送信,受注データ\r\nC00009,9,0003,,発注データ\r\n"
                                  "取引先Ａ,2,0002,受信,出荷案内\r\n")));
    ASSERT_EQ(run({QStringLiteral("export"), QStringLiteral("--encoding"), QStringLiteral("utf-8"),
                   QStringLiteral("--partner"), QStringLiteral("取引先Ａ")}), 0);
    EXPECT_EQ(output, QByteArray("\xEF\xBB\xBF") + header + QStringLiteral("取引先Ａ,2,0002\r\n").toUtf8());

    // Into an empty table: the same rows; the type 9 is refused as the window would.
    const QStringList before = table();
    run_elsewhere(QStringLiteral("DELETE FROM FL1914利用情報区分マスタ"));
    EXPECT_EQ(run({QStringLiteral("import"), QStringLiteral("--operator"), QStringLiteral("OP9"), path("all.csv")}), 1);
    EXPECT_TRUE(messages.contains(QStringLiteral("line 3: 送受信種別 \"9\""))) << messages.toStdString();
    EXPECT_TRUE(messages.contains(msg::no_such_name));
    EXPECT_TRUE(table().isEmpty());
    run_elsewhere(QStringLiteral("INSERT INTO 区分マスタ (区分, 区分コード, 区分名称) VALUES ('送受信種別', '9', '其他')"));
    EXPECT_EQ(run({QStringLiteral("import"), QStringLiteral("--dry-run"), QStringLiteral("--operator"),
                   QStringLiteral("OP9"), path("all.csv")}), 0) << messages.toStdString();
    EXPECT_TRUE(table().isEmpty()) << "a dry run writes nothing";
    EXPECT_TRUE(log.isEmpty());
    ASSERT_EQ(run({QStringLiteral("import"), QStringLiteral("--operator"), QStringLiteral("OP9"), path("all.csv")}), 0)
        << messages.toStdString();
    EXPECT_EQ(table(), before);
    ASSERT_EQ(log.size(), 3);
    EXPECT_EQ(log[0], QStringLiteral("added operator=\"OP9\" user=\"admin\" workstation=\"SERVER1\" old=- "
                                     "new=\"C00001/1/0001\""));

    // A value code page 932 cannot hold stops the export; no file is left.
    insert(QStringLiteral("'森鷗外', '1', '0003'"));
    EXPECT_EQ(run({QStringLiteral("export"), path("none.csv")}), 1);
    EXPECT_TRUE(messages.contains(QStringLiteral("森鷗外/1/0003"))) << messages.toStdString();
    EXPECT_FALSE(QFile::exists(path("none.csv")));

    // Values other programs wrote go out exactly (quoted where CSV needs it).
    run_elsewhere(QStringLiteral("DELETE FROM FL1914利用情報区分マスタ"));
    insert(QStringLiteral("' C1', '1', '0001'"));
    insert(QStringLiteral("'A,\"B''', '1', '0002'"));
    ASSERT_EQ(run({QStringLiteral("export"), QStringLiteral("--encoding=utf-8")}), 0);
    EXPECT_EQ(output, QByteArray("\xEF\xBB\xBF") + header + " C1,1,0001\r\n\"A,\"\"B'\",1,0002\r\n");
}

TEST_P(MasterCommand, EveryRefusalNamesItsLineAndNothingIsWritten)
{
    insert(QStringLiteral("'C00001', '1', '0001'"));
    const QString lines[] = {
        QStringLiteral(",1,0001"),             // 2: no partner
        QStringLiteral("c00002,1,0001"),       // 3: lower case
        QStringLiteral(" C00002,1,0001"),      // 4: edge blank
        QStringLiteral("C000020000001,1,0001"),// 5: 13 bytes
        QStringLiteral("\"C'2\",1,0001"),      // 6: a quote
        QStringLiteral("C00002,7,0001"),       // 7: no such type
        QStringLiteral("C00002,1,0009"),       // 8: no such code
        QStringLiteral("C00001,1,0001"),       // 9: in the table
        QStringLiteral("C00003,1,0001"),       // 10: fine
        QStringLiteral("C00003,1,0001"),       // 11: as line 10
        QStringLiteral("C00004,1"),            // 12: two columns
    };
    QString text = QString::fromUtf8(header);
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    write_file(path("bad.csv"), sjis(text));
    EXPECT_EQ(run({QStringLiteral("import"), QStringLiteral("--operator"), QStringLiteral("OP1"), path("bad.csv")}), 1);
    const char* expected[] = {
        "line 2: 相手先企業コード \"\": missing (相手先企業コードが入力されていません)",
        "line 3: 相手先企業コード \"c00002\": lower case",
        "line 4: 相手先企業コード \" C00002\": leading or trailing blanks",
        "line 5: 相手先企業コード \"C000020000001\": longer than 12 bytes",
        "line 6: 相手先企業コード \"C'2\": a character the entry field refuses",
        "line 7: 送受信種別 \"7\": not in 区分マスタ under 送受信種別 (該当データがありませんでした)",
        "line 8: 情報区分コード \"0009\": not in the list file (該当コードがありません)",
        "line 12: 2 columns where the header has 3",
    };
    for (const char* e : expected)
        EXPECT_TRUE(messages.contains(QString::fromUtf8(e))) << e << "\n" << messages.toStdString();
    EXPECT_EQ(table(), QStringList{QStringLiteral("C00001|1|0001")});
    EXPECT_TRUE(log.isEmpty());

    // The duplicates, once the lines before them are mended.
    write_file(path("dup.csv"), sjis(QString::fromUtf8(header) + lines[7] + QStringLiteral("\r\n") + lines[8]
                                     + QStringLiteral("\r\n") + lines[9] + QStringLiteral("\r\n")));
    EXPECT_EQ(run({QStringLiteral("import"), QStringLiteral("--operator"), QStringLiteral("OP1"), path("dup.csv")}), 1);
    EXPECT_TRUE(messages.contains(QStringLiteral("line 2: C00001/1/0001: the row is in the table already")));
    EXPECT_TRUE(messages.contains(QStringLiteral("line 4: C00003/1/0001: the row is in the table already or on an earlier line (データが重複しています)")))
        << messages.toStdString();
    EXPECT_EQ(table(), QStringList{QStringLiteral("C00001|1|0001")});

    // The wrong encoding, the wrong header, an empty file, no operator.
    write_file(path("utf8.csv"), header + QStringLiteral("取引先,1,0001\r\n").toUtf8());
    EXPECT_EQ(run({QStringLiteral("import"), QStringLiteral("--operator"), QStringLiteral("OP1"), path("utf8.csv")}), 1);
    EXPECT_TRUE(messages.contains(QStringLiteral("line 1"))) << messages.toStdString();
    write_file(path("sjis.csv"), sjis(QString::fromUtf8(header) + QStringLiteral("取引先,1,0001\r\n")));
    EXPECT_EQ(run({QStringLiteral("import"), QStringLiteral("--encoding"), QStringLiteral("utf-8"),
                   QStringLiteral("--operator"), QStringLiteral("OP1"), path("sjis.csv")}), 1);
    EXPECT_TRUE(messages.contains(QStringLiteral("line 1"))) << messages.toStdString();
    EXPECT_EQ(run({QStringLiteral("import"), QStringLiteral("--operator"), QStringLiteral("OP1"), QStringLiteral("-")},
                  sjis(QStringLiteral("partner,type,code\r\n"))), 1);
    EXPECT_TRUE(messages.contains(QStringLiteral("the header must be")));
    EXPECT_EQ(run({QStringLiteral("import"), QStringLiteral("--operator"), QStringLiteral("OP1"), QStringLiteral("-")}), 1);
    EXPECT_TRUE(messages.contains(QStringLiteral("empty"))) << messages.toStdString();
    EXPECT_EQ(run({QStringLiteral("import"), path("dup.csv")}), 2);
    EXPECT_EQ(run({QStringLiteral("frobnicate")}), 2);
    EXPECT_EQ(table(), QStringList{QStringLiteral("C00001|1|0001")});
}

TEST_P(MasterCommand, CheckListsTheRowsTheWindowCannotActOn)
{
    insert(QStringLiteral("'C00001', '1', '0001'"));
    EXPECT_EQ(run({QStringLiteral("check")}), 0) << messages.toStdString();
    EXPECT_TRUE(output.isEmpty());
    insert(QStringLiteral("' C2', '1', '0001'"));
    insert(QStringLiteral("'c3', '1', '0001'"));
    insert(QStringLiteral("'C4', '9', '0001'"));
    insert(QStringLiteral("'C5', '1', '0009'"));
    insert(QStringLiteral("'C\"6', '1', '0002'"));
    EXPECT_EQ(run({QStringLiteral("check")}), 1);
    const QString text = QString::fromUtf8(output);
    for (const char* e : {"\" C2\" \"1\" \"0001\": 相手先企業コード \" C2\": leading or trailing blanks",
                          "\"c3\" \"1\" \"0001\": 相手先企業コード \"c3\": lower case",
                          "\"C4\" \"9\" \"0001\": 送受信種別 \"9\": not in 区分マスタ",
                          "\"C5\" \"1\" \"0009\": 情報区分コード \"0009\": not in the list file",
                          "\"C\"6\" \"1\" \"0002\": 相手先企業コード \"C\"6\": a character the entry field refuses"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(e))) << e << "\n" << text.toStdString();
    EXPECT_EQ(text.count(u'\n'), 5);
    EXPECT_EQ(run({QStringLiteral("check"), QStringLiteral("--format"), QStringLiteral("csv")}), 1);
    EXPECT_EQ(QString::fromUtf8(output).count(QStringLiteral("\r\n")), 6);
}

K4_INSTANTIATE_BACKENDS(MasterCommand);

// The server out of reach in the middle of an import: nothing written, a
// connection failure.
TEST(MasterCommandServer, AConnectionLostDuringTheImportWritesNothing)
{
    OdbcSandbox& sandbox = OdbcSandbox::shared();
    if (!sandbox.has_postgres())
        GTEST_SKIP() << "K4_PG_PORT is not set: no PostgreSQL test server";
    sandbox.execute(sandbox.pg_dsn(), QStringLiteral("DELETE FROM FL1914利用情報区分マスタ"));
    QTemporaryDir dir;
    write_file(dir.path() + QStringLiteral("/EDI/JOHOKUBUN.TXT"), sjis(QStringLiteral("0001受注\r\n")));
    write_file(dir.path() + QStringLiteral("/EDI/EDI.ini"),
               sjis(fixtures::settings_text(sandbox.relay_dsn(), sandbox.pg_user(),
                                            dir.path() + QStringLiteral("/EDI/JOHOKUBUN.TXT"))));
    QString text = QString::fromUtf8(header);
    for (int i = 0; i < 50; ++i)
        text += QStringLiteral("C%1,1,0001\r\n").arg(i, 5, 10, QChar(u'0'));
    write_file(dir.path() + QStringLiteral("/in.csv"), sjis(text));
    TcpRelay relay(sandbox.relay_port(), sandbox.pg_port());
    relay.drop_before("INSERT", 1);
    QString errors;
    QTextStream err(&errors);
    QBuffer none;
    CommandContext c;
    c.arguments = {QStringLiteral("import"), QStringLiteral("--operator"), QStringLiteral("OP1"),
                   dir.path() + QStringLiteral("/in.csv")};
    c.program_dir = dir.path() + QStringLiteral("/EDI/BIN/K408020");
    c.standard_input = &none;
    c.standard_output = &none;
    c.errors = &err;
    EXPECT_EQ(run_master_command(c), 3);
    err.flush();
    EXPECT_TRUE(errors.contains(msg::connect_error)) << errors.toStdString();
    EXPECT_EQ(sandbox.scalar(sandbox.pg_dsn(), QStringLiteral("SELECT COUNT(*) FROM FL1914利用情報区分マスタ")),
              QStringLiteral("0"));
}

}  // namespace
}  // namespace k4::test
