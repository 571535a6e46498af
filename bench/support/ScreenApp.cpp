#include "ScreenApp.h"

#include "db/Database.h"
#include "maint/F_K408020.h"
#include "maint/MaintScreen.h"
#include "store/Statements.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <stdexcept>

namespace k4::bench {

int CountingMessages::show(const QString& text, mb::Style /*style*/, const QString& /*caption*/)
{
    ++count;
    last = text;
    return mb::IdOK;
}

std::unique_ptr<ScreenApp> ScreenApp::start(BenchSandbox& sandbox, const DataSource& source,
                                            int list_lines)
{
    auto started = std::make_unique<ScreenApp>();
    StartupEnvironment env;
    env.program_dir = QDir(sandbox.folder()).filePath(QStringLiteral("EDI/BIN/K408020"));
    env.edi_ini_override = sandbox.edi_ini(source, list_lines);
    env.arguments = {QStringLiteral("OP001")};
    started->app = std::make_unique<Application>(started->messages, env);
    started->app->main();
    QCoreApplication::processEvents();
    if (started->messages.count > 0)
        throw std::runtime_error("start-up showed a message: " + started->messages.last.toStdString());
    if (started->grid_rows() != source.rows)
        throw std::runtime_error("start-up did not fill the grid with every row");
    return started;
}

ScreenApp::~ScreenApp()
{
    app.reset();
}

void ScreenApp::refresh()
{
    const Result<ListedRows> list = app->store.full_list();
    if (!list.done())
        throw std::runtime_error("the full list could not be read");
    app->screen->flow.fill_grid(list.value);
}

int ScreenApp::grid_rows() const
{
    return app && app->screen ? app->screen->flow.grid_row_count : -1;
}

void install_program_fonts()
{
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"));
    QFont app_font(QStringLiteral("IPAGothic"));
    app_font.setPointSize(10);
    QApplication::setFont(app_font);
}

}  // namespace k4::bench
