#pragma once
// The database layer's warnings (k4.db) kept for a test to read, from every
// thread. Quiet, they are not printed as well: a soak run fails thousands of
// statements on purpose.
#include <QByteArray>
#include <QMutex>
#include <QStringList>
#include <QtGlobal>

namespace k4::test {

class DbLog {
public:
    explicit DbLog(bool quiet = false) : quiet_(quiet)
    {
        instance = this;
        previous_ = qInstallMessageHandler(&DbLog::handle);
    }
    ~DbLog()
    {
        qInstallMessageHandler(previous_);
        instance = nullptr;
    }
    DbLog(const DbLog&) = delete;
    DbLog& operator=(const DbLog&) = delete;

    QStringList warnings() const
    {
        QMutexLocker lock(&mutex_);
        return warnings_;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        const bool db = instance && context.category && QByteArray(context.category) == "k4.db";
        if (db && type == QtWarningMsg) {
            QMutexLocker lock(&instance->mutex_);
            instance->warnings_ << text;
        }
        if (db && instance->quiet_)
            return;
        if (instance && instance->previous_)
            instance->previous_(type, context, text);
    }

    static inline DbLog* instance = nullptr;
    bool quiet_;
    QtMessageHandler previous_ = nullptr;
    mutable QMutex mutex_;
    QStringList warnings_;
};

}  // namespace k4::test
