// The floor of a whole start-up as a process: connect through ODBC, fetch the
// full list's rows as UTF-8 strings, show an empty Qt window, handle its first
// events, exit. Arguments: data source name, user name.

#include "BenchSandbox.h"

#include "store/Statements.h"

#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <data source> <user>\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    try {
        k4::bench::RawOdbc db(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
        std::vector<std::string> values;
        db.fetch_all(k4::sql::full_list(), values);
        QWidget window;
        window.resize(800, 600);
        window.show();
        QCoreApplication::processEvents();
        return values.empty() ? 1 : 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
