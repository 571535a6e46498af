#pragma once
// The error every failed ODBC call is thrown as, and the logging category of
// the database layer (k4.db), which logs each failure with its detail while the
// operator sees only the program's own message.

#include <QLoggingCategory>
#include <QString>
#include <stdexcept>

Q_DECLARE_LOGGING_CATEGORY(lcDb)

namespace k4 {

class DbError : public std::runtime_error {
public:
    DbError(QString sqlstate, int native_error, QString driver_text, QString statement = {});
    const QString& sqlstate() const noexcept { return sqlstate_; }
    // The connection itself is gone (SQLSTATE class 08, or the server ending
    // the session: 57P01 to 57P03), not just this statement refused.
    bool connection_lost() const noexcept;
    // The program could not connect (again): the data source is unreachable.
    // Set on the error of a failed reconnection.
    bool cannot_connect() const noexcept { return cannot_connect_; }
    DbError as_cannot_connect() const;
    // The connection was lost at a commit, after the commit had been sent:
    // the server may or may not have committed. Whoever wrote must read back
    // what is in the table before telling anyone.
    bool outcome_unknown() const noexcept { return outcome_unknown_; }
    DbError as_outcome_unknown() const;
    int native_error() const noexcept { return native_error_; }
    const QString& driver_text() const noexcept { return driver_text_; }
    const QString& statement() const noexcept { return statement_; }

private:
    QString sqlstate_;
    int native_error_;
    QString driver_text_;
    QString statement_;
    bool cannot_connect_ = false;
    bool outcome_unknown_ = false;
};

}  // namespace k4
