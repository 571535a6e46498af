#pragma once
// Suites of the whole program run once per back-end, as DbBackendTest runs
// the database layer's: SQLite through its ODBC driver, and PostgreSQL on the
// private test server (skipped only when K4_PG_PORT is not set). The
// parameter names the back-end; each case has a fresh harness on it.

#include "ProgramHarness.h"
#include "ui/FlexGrid.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <memory>

namespace k4::test {

class ScreenBackendTest : public ::testing::TestWithParam<QString> {
protected:
    void SetUp() final
    {
        if (postgres() && !OdbcSandbox::shared().has_postgres())
            GTEST_SKIP() << "no PostgreSQL server configured (K4_PG_PORT)";
        h = std::make_unique<ScreenHarness>(backend());
        prepare();
    }
    // What a suite does before each case, once the harness is there.
    virtual void prepare() {}

    QString backend() const { return GetParam(); }
    bool postgres() const { return GetParam() == QLatin1String("postgresql"); }
    QString dsn() const { return OdbcSandbox::shared().dsn(backend()); }
    QString user() const { return OdbcSandbox::shared().user(backend()); }

    // Runs the start-up; when it stops, so does the case, with the message it stopped with.
    void start(const QStringList& arguments = {QStringLiteral("OP001")})
    {
        QString failure;
        ASSERT_NO_FATAL_FAILURE(failure = h->start_failure(arguments));
        ASSERT_EQ(failure, QString()) << "the start-up stopped";
    }
    F_K408020& form() { return *h->form; }
    MaintFlow& screen() { return *h->screen; }
    FlexGrid& grid() { return *h->form->GRID; }

    std::unique_ptr<ScreenHarness> h;
};

}  // namespace k4::test

#define K4_INSTANTIATE_SCREEN_BACKENDS(suite)                                                \
    INSTANTIATE_TEST_SUITE_P(Backends, suite,                                                \
                             ::testing::Values(QStringLiteral("sqlite"),                     \
                                               QStringLiteral("postgresql")),                \
                             [](const auto& info) { return info.param.toStdString(); })
