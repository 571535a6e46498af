#include "db/DbError.h"

#include <utility>

// Failures are warnings; each statement and connection step is a debug line
// (QT_LOGGING_RULES="k4.db.debug=true" shows them).
Q_LOGGING_CATEGORY(lcDb, "k4.db", QtInfoMsg)

namespace k4 {

namespace {

QString describe(const QString& sqlstate, int native_error, const QString& driver_text)
{
    return QStringLiteral("SQLSTATE %1 (native %2): %3")
        .arg(sqlstate)
        .arg(native_error)
        .arg(driver_text);
}

}  // namespace

DbError::DbError(QString sqlstate, int native_error, QString driver_text, QString statement)
    : std::runtime_error(describe(sqlstate, native_error, driver_text).toStdString()),
      sqlstate_(std::move(sqlstate)),
      native_error_(native_error),
      driver_text_(std::move(driver_text)),
      statement_(std::move(statement))
{
}

bool DbError::connection_lost() const noexcept
{
    return sqlstate_.startsWith(QLatin1String("08")) || sqlstate_ == QLatin1String("57P01")
           || sqlstate_ == QLatin1String("57P02") || sqlstate_ == QLatin1String("57P03");
}

DbError DbError::as_cannot_connect() const
{
    DbError copy = *this;
    copy.cannot_connect_ = true;
    return copy;
}

DbError DbError::as_outcome_unknown() const
{
    DbError copy = *this;
    copy.outcome_unknown_ = true;
    return copy;
}

}  // namespace k4
