#include "ScreenHarness.h"

#include "TempDir.h"
#include "common/text.h"
#include "ui/Controls.h"
#include "ui/FlexGrid.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QTest>

namespace k4::test {

namespace {

const char* const settings_template = R"(; test settings
[動作環境]
MACHINENAME=TEST
USERID=@USER@
PASSWD=
DBSTRING=@DSN@
[Setting0]
FormBackColor=15790320
LabelBackColor=15790320
LabelFontBold=False
LabelFontItalic=False
LabelFontName=ＭＳ ゴシック
LabelFontSize=11.25
LabelFontStrikethru=False
LabelFontUnderline=False
LabelForeColor=0
TextBackColor=16777215
TextFocusColor=12648447
TextFontBold=False
TextFontItalic=False
TextFontName=ＭＳ ゴシック
TextFontSize=12
TextFontStrikethru=False
TextFontUnderline=False
TextForeColor=0
TitleBackColor=8404992
TitleFontBold=True
TitleFontItalic=False
TitleFontName=ＭＳ ゴシック
TitleFontSize=11.25
TitleFontStrikethru=False
TitleFontUnderline=False
TitleForeColor=16777215
[K405010]
MINIMAIZE=0
DEMOMODE=0
[PATH]
JOHOKUBUN=@LIST@
[デバッグ]
MODE=0
)";

}  // namespace

ScreenHarness::ScreenHarness(const QString& backend) : backend_(backend)
{
    OdbcSandbox& sandbox = OdbcSandbox::shared();
    dsn_ = sandbox.dsn(backend);
    user_ = sandbox.user(backend);
    list_lines_ = {QStringLiteral("0001受注データ"), QStringLiteral("0002出荷案内"),
                   QStringLiteral("0003請求データ"), QStringLiteral("0004支払通知"),
                   QStringLiteral("0005在庫照会")};
}

ScreenHarness::~ScreenHarness()
{
    app.reset();
}

void ScreenHarness::set_rows(const std::vector<MasterRow>& rows)
{
    OdbcSandbox& sandbox = OdbcSandbox::shared();
    sandbox.execute(dsn_, QStringLiteral("DELETE FROM FL1914利用情報区分マスタ"));
    for (const MasterRow& r : rows)
        sandbox.execute(dsn_, QStringLiteral("INSERT INTO FL1914利用情報区分マスタ VALUES ('%1', '%2', '%3')")
                                  .arg(sql_quote(r.partner), sql_quote(r.type), sql_quote(r.code)));
}

void ScreenHarness::reset_schema()
{
    OdbcSandbox& sandbox = OdbcSandbox::shared();
    sandbox.execute(dsn_, QStringLiteral("DROP TABLE IF EXISTS FL1914利用情報区分マスタ"));
    sandbox.execute(dsn_, QStringLiteral("DROP TABLE IF EXISTS 区分マスタ"));
    sandbox.apply_script(dsn_, OdbcSandbox::db_file(backend_ + QStringLiteral("/schema.sql")));
}

void ScreenHarness::set_list_file(const QStringList& lines)
{
    list_lines_ = lines;
}

void ScreenHarness::start(const QStringList& arguments)
{
    const QString root = dir.path() + QStringLiteral("/EDI");
    const QString list_path = root + QStringLiteral("/JOHOKUBUN.TXT");
    QString ini = QString::fromUtf8(settings_template);
    ini.replace(QStringLiteral("@DSN@"), dsn_)
        .replace(QStringLiteral("@USER@"), user_)
        .replace(QStringLiteral("@LIST@"), list_path);
    if (edit_settings)
        edit_settings(ini);
    write_file(root + QStringLiteral("/EDI.ini"), sjis(ini));
    write_file(list_path, sjis(list_lines_.join(QStringLiteral("\r\n"))
                               + (list_lines_.isEmpty() ? QString() : QStringLiteral("\r\n"))));

    StartupEnvironment env;
    env.program_dir = program_dir.isEmpty() ? root + QStringLiteral("/BIN/K408020") : program_dir;
    env.arguments = arguments;
    env.today = [] { return QDate(2026, 12, 8); };
    env.end_program = [this] { ended = true; };
    app = std::make_unique<Application>(messages, env);
    form = nullptr;
    screen = nullptr;
    app->main();  // a start-up failure leaves here as StartupFailure
    form = app->form.get();
    screen = app->screen.get();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
}

QStringList ScreenHarness::table_rows() const
{
    // One text per row, built by the database, read through a second connection.
    OdbcSandbox& sandbox = OdbcSandbox::shared();
    const auto count = sandbox.scalar(dsn_, QStringLiteral("SELECT COUNT(*) FROM FL1914利用情報区分マスタ"));
    QStringList rows;
    const int n = count ? count->toInt() : 0;
    for (int i = 0; i < n; ++i) {
        const auto row = sandbox.scalar(
            dsn_, QStringLiteral("SELECT 相手先企業コード || '|' || 送受信種別 || '|' || 情報区分コード"
                                 " FROM FL1914利用情報区分マスタ"
                                 " ORDER BY 相手先企業コード, 送受信種別, 情報区分コード"
                                 " LIMIT 1 OFFSET %1").arg(i));
        rows << row.value_or(QString());
    }
    return rows;
}

QWidget* ScreenHarness::focus() const
{
    return QApplication::focusWidget();
}

void ScreenHarness::key(Qt::Key k, Qt::KeyboardModifiers modifiers)
{
    QWidget* target = QApplication::focusWidget();
    if (!target)
        target = form;
    QTest::keyClick(target, k, modifiers);
}

void ScreenHarness::type(const QString& text)
{
    for (const QChar ch : text) {
        QWidget* target = QApplication::focusWidget();
        if (!target)
            target = form;
        const char16_t u = ch.unicode();
        Qt::Key k = Qt::Key_unknown;
        if (u >= 'a' && u <= 'z')
            k = Qt::Key(Qt::Key_A + (u - 'a'));
        else if (u >= 'A' && u <= 'Z')
            k = Qt::Key(Qt::Key_A + (u - 'A'));
        else if (u >= '0' && u <= '9')
            k = Qt::Key(Qt::Key_0 + (u - '0'));
        else if (u < 128)
            k = Qt::Key(u);
        QTest::sendKeyEvent(QTest::Press, target, k, QString(ch), Qt::NoModifier);
        target = QApplication::focusWidget() ? QApplication::focusWidget() : target;
        QTest::sendKeyEvent(QTest::Release, target, k, QString(ch), Qt::NoModifier);
    }
}

static QPoint cell_point(FlexGrid* grid, int row, int col)
{
    grid->Refresh();
    const QModelIndex index = grid->model()->index(row - 1, col);
    grid->scrollTo(index);
    return grid->visualRect(index).center();
}

void ScreenHarness::click_cell(int row, int col)
{
    const QPoint p = cell_point(form->GRID, row, col);
    QTest::mouseClick(form->GRID->viewport(), Qt::LeftButton, Qt::NoModifier, p);
}

void ScreenHarness::double_click_cell(int row, int col)
{
    const QPoint p = cell_point(form->GRID, row, col);
    QTest::mouseClick(form->GRID->viewport(), Qt::LeftButton, Qt::NoModifier, p);
    QTest::mouseDClick(form->GRID->viewport(), Qt::LeftButton, Qt::NoModifier, p);
}

void ScreenHarness::click_button(int index)
{
    QTest::mouseClick(form->CMD[std::size_t(index)], Qt::LeftButton);
}

}  // namespace k4::test
