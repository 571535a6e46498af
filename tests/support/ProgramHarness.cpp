#include "ProgramHarness.h"

#include "SettingsText.h"
#include "TempDir.h"
#include "app/StartupFailure.h"
#include "common/text.h"
#include "ui/Controls.h"
#include "ui/FlexGrid.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

namespace k4::test {

int HookedMessages::show(const QString& text, mb::Style style, const QString& caption)
{
    if (on_show) {
        const auto hook = on_show;  // the hook may replace itself
        hook(text);
    }
    return ScriptedMessages::show(text, style, caption);
}

ProgramHarness::ProgramHarness(QString dsn, QString user)
    : dsn_(std::move(dsn)), user_(std::move(user))
{
    settings_bytes = sjis(standard_settings());
    list_bytes = standard_list_bytes();
}

ProgramHarness::~ProgramHarness()
{
    app.reset();
}

QString ProgramHarness::standard_settings() const
{
    return fixtures::settings_text(dsn_, user_, list_path());
}

QString ProgramHarness::edi_folder() const { return dir_.path() + QStringLiteral("/EDI"); }
QString ProgramHarness::settings_path() const { return edi_folder() + QStringLiteral("/EDI.ini"); }
QString ProgramHarness::list_path() const { return edi_folder() + QStringLiteral("/JOHOKUBUN.TXT"); }

void ProgramHarness::start(const QStringList& arguments)
{
    if (write_files) {
        write_file(settings_path(), settings_bytes);
        write_file(list_path(), list_bytes);
    }
    StartupEnvironment env;
    env.program_dir = program_dir.isEmpty() ? edi_folder() + QStringLiteral("/BIN/K408020")
                                            : program_dir;
    env.edi_ini_override = edi_ini_override;
    env.arguments = arguments;
    env.today = [] { return QDate(2026, 12, 8); };
    env.end_program = [this] { ended = true; };
    env.system_log = [this](const QString& line) { system_log << line; };
    app = std::make_unique<Application>(messages, env);
    form = nullptr;
    screen = nullptr;
    app->main();
    form = app->form.get();
    screen = &app->screen->flow;
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
}

QString ProgramHarness::start_failure(const QStringList& arguments)
{
    try {
        start(arguments);
    } catch (const StartupFailure& failure) {
        return failure.message();
    }
    return QString();
}

QWidget* ProgramHarness::focus() const
{
    return QApplication::focusWidget();
}

void ProgramHarness::key(Qt::Key k, Qt::KeyboardModifiers modifiers)
{
    QWidget* target = QApplication::focusWidget();
    QTest::keyClick(target ? target : form, k, modifiers);
}

void ProgramHarness::type(const QString& text)
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
        if (QApplication::focusWidget())
            target = QApplication::focusWidget();
        QTest::sendKeyEvent(QTest::Release, target, k, QString(ch), Qt::NoModifier);
    }
}

namespace {

// The centre of a data cell, scrolled into view.
QPoint cell_point(FlexGrid* grid, int row, int col)
{
    grid->Refresh();
    const QModelIndex index = grid->model()->index(row - 1, col);
    grid->scrollTo(index);
    return grid->visualRect(index).center();
}

}  // namespace

void ProgramHarness::click_cell(int row, int col)
{
    const QPoint p = cell_point(form->GRID, row, col);
    QTest::mouseClick(form->GRID->viewport(), Qt::LeftButton, Qt::NoModifier, p);
}

void ProgramHarness::double_click_cell(int row, int col)
{
    const QPoint p = cell_point(form->GRID, row, col);
    QTest::mouseClick(form->GRID->viewport(), Qt::LeftButton, Qt::NoModifier, p);
    QTest::mouseDClick(form->GRID->viewport(), Qt::LeftButton, Qt::NoModifier, p);
}

void ProgramHarness::click_button(int index)
{
    QTest::mouseClick(form->CMD[std::size_t(index)], Qt::LeftButton);
}

QStringList ProgramHarness::grid_rows() const
{
    QStringList rows;
    const FlexGrid& grid = *form->GRID;
    for (int r = 1; r <= screen->grid_row_count && r < grid.Rows(); ++r) {
        QStringList cells;
        for (int c = 1; c <= 5; ++c)
            cells << grid.TextMatrix(r, c);
        rows << cells.join(u'|');
    }
    return rows;
}

void ProgramHarness::begin_add(const QString& partner)
{
    click_button(int(Command::add));
    type(partner);
    key(Qt::Key_Return);
}

void ProgramHarness::enter_new_row(const QString& partner, const QString& type_code,
                                   const QString& code)
{
    begin_add(partner);
    type(type_code);
    type(code);
}

void ProgramHarness::enter_answering(int answer)
{
    messages.plan(answer);
    key(Qt::Key_Return);
}

void ProgramHarness::add_row(const QString& partner, const QString& type_code, const QString& code,
                             int answer)
{
    enter_new_row(partner, type_code, code);
    enter_answering(answer);
}

void ProgramHarness::change_type(int grid_row, const QString& type_code)
{
    click_cell(grid_row, 1);
    form->SJSHU->setFocus();
    form->SJSHU->setText(type_code);
    key(Qt::Key_Return);
}

QString ProgramHarness::change_row(int grid_row, const QString& type_code, int answer)
{
    change_type(grid_row, type_code);
    const QString name = form->lbl_SJNM->text();
    enter_answering(answer);
    return name;
}

void ProgramHarness::delete_row(int grid_row, int answer)
{
    click_cell(grid_row, 1);
    messages.plan(answer);
    click_button(int(Command::remove));
}

void ProgramHarness::at_question(const QString& question, std::function<void()> hook)
{
    messages.on_show = [this, question, hook = std::move(hook)](const QString& text) {
        if (text != question)
            return;
        messages.on_show = nullptr;
        hook();
    };
}

void ProgramHarness::expect_still_answers(bool database_reachable)
{
    EXPECT_FALSE(app->db.in_transaction());
    messages.clear();
    click_button(int(Command::add));
    EXPECT_EQ(screen->input_phase, Phase::body);
    EXPECT_EQ(focus(), form->ATCD);
    if (database_reachable) {
        type(QStringLiteral("C00010"));
        key(Qt::Key_Return);
        type(QStringLiteral("2"));
        EXPECT_TRUE(messages.shown().empty()) << messages.texts().join(u' ').toStdString();
        EXPECT_EQ(form->lbl_SJNM->text(), QStringLiteral("受信"));
        EXPECT_EQ(focus(), form->JKBN);
    }

    messages.clear();
    messages.plan(mb::IdYes);
    click_button(int(Command::end));
    EXPECT_EQ(messages.texts(), QStringList{msg::confirm_exit});
    EXPECT_TRUE(ended);
    EXPECT_FALSE(app->db.is_open());
}

int ProgramHarness::grid_row_of(const QString& partner, const QString& type_code,
                                const QString& code) const
{
    const QStringList rows = grid_rows();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QStringList cells = rows[i].split(u'|');
        if (cells.value(0) == partner && (type_code.isEmpty() || cells.value(1) == type_code)
            && (code.isEmpty() || cells.value(3) == code))
            return int(i) + 1;
    }
    return 0;
}

ScreenHarness::ScreenHarness(const QString& backend)
    : ProgramHarness(OdbcSandbox::shared().dsn(backend), OdbcSandbox::shared().user(backend)),
      backend_(backend)
{
}

void ScreenHarness::set_rows(const std::vector<MasterRow>& rows) const { set_master_rows(dsn(), rows); }
void ScreenHarness::reset_schema() const { k4::test::reset_schema(backend_); }
QStringList ScreenHarness::table_rows() const { return master_rows(dsn()); }

void ScreenHarness::set_list_file(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    list_bytes = sjis(text);
}

QStringList master_rows(const QString& dsn)
{
    OdbcSandbox& sandbox = OdbcSandbox::shared();
    const int n = sandbox.scalar(dsn, QStringLiteral("SELECT COUNT(*) FROM FL1914利用情報区分マスタ"))
                      .value_or(QStringLiteral("0"))
                      .toInt();
    QStringList rows;
    for (int i = 0; i < n; ++i) {
        rows << sandbox
                    .scalar(dsn, QStringLiteral(
                                     "SELECT COALESCE(相手先企業コード, '<null>') || '|' || "
                                     "COALESCE(送受信種別, '<null>') || '|' || "
                                     "COALESCE(情報区分コード, '<null>')"
                                     " FROM FL1914利用情報区分マスタ"
                                     " ORDER BY 相手先企業コード, 送受信種別, 情報区分コード"
                                     " LIMIT 1 OFFSET %1")
                                     .arg(i))
                    .value_or(QString());
    }
    return rows;
}

void set_master_rows(const QString& dsn, const std::vector<MasterRow>& rows)
{
    OdbcSandbox& sandbox = OdbcSandbox::shared();
    sandbox.execute(dsn, QStringLiteral("DELETE FROM FL1914利用情報区分マスタ"));
    for (const MasterRow& r : rows)
        sandbox.execute(dsn, QStringLiteral("INSERT INTO FL1914利用情報区分マスタ VALUES ('%1', '%2', '%3')")
                                 .arg(sql_quote(r.partner), sql_quote(r.type), sql_quote(r.code)));
}

void reset_schema(const QString& backend)
{
    OdbcSandbox& sandbox = OdbcSandbox::shared();
    const QString dsn = sandbox.dsn(backend);
    sandbox.execute(dsn, QStringLiteral("DROP TABLE IF EXISTS FL1914利用情報区分マスタ"));
    sandbox.execute(dsn, QStringLiteral("DROP TABLE IF EXISTS 区分マスタ"));
    sandbox.apply_script(dsn, OdbcSandbox::db_file(backend + QStringLiteral("/schema.sql")));
}

const std::vector<MasterRow>& standard_rows()
{
    static const std::vector<MasterRow> rows = {
        {QStringLiteral("C00001"), QStringLiteral("1"), QStringLiteral("0001")},
        {QStringLiteral("C00001"), QStringLiteral("2"), QStringLiteral("0002")},
        {QStringLiteral("C00002"), QStringLiteral("1"), QStringLiteral("0003")},
    };
    return rows;
}

QStringList table_of(const std::vector<MasterRow>& rows)
{
    QStringList table;
    for (const MasterRow& r : rows)
        table << r.partner + u'|' + r.type + u'|' + r.code;
    return table;
}

QByteArray standard_list_bytes()
{
    return sjis(QStringLiteral("0001受注データ\r\n0002出荷案内\r\n0003請求データ\r\n"
                               "0004支払通知\r\n0005在庫照会\r\n"));
}

}  // namespace k4::test
