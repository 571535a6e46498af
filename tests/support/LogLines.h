#pragma once
// The log lines of some of the program's categories, kept in order for a test
// to read while the capture lives, from every thread. A kept line is not
// printed unless asked (a soak run fails thousands of statements on
// purpose); every other line goes on to the handler that was there before.
#include <QByteArray>
#include <QLoggingCategory>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <utility>
#include <vector>

namespace k4::test {

// Which lines a LogLines keeps.
struct LogKeep {
    // One category ("k4.changes"); ended by a dot, every category under it
    // ("k4."); empty, every category.
    QByteArray category;
    // Switches the category's debug lines on while the capture lives.
    bool debug = false;
    // Prints the kept lines as well.
    bool echo = false;
};

class LogLines {
public:
    explicit LogLines(LogKeep keep = {}) : keep_(std::move(keep))
    {
        if (keep_.debug)
            QLoggingCategory::setFilterRules(QString::fromUtf8(keep_.category + ".debug=true"));
        outer_ = current;
        current = this;
        previous_ = qInstallMessageHandler(&LogLines::handle);
    }
    ~LogLines()
    {
        qInstallMessageHandler(previous_);
        current = outer_;
        if (keep_.debug)
            QLoggingCategory::setFilterRules(QString());
    }
    LogLines(const LogLines&) = delete;
    LogLines& operator=(const LogLines&) = delete;

    // The messages, in order.
    QStringList lines() const { return texts(false, false); }
    // The warnings among them.
    QStringList warnings() const { return texts(true, false); }
    // The messages as "category: message".
    QStringList lines_with_category() const { return texts(false, true); }
    void clear()
    {
        QMutexLocker lock(&mutex_);
        kept_.clear();
    }

private:
    struct Line {
        QtMsgType type;
        QByteArray category;
        QString text;
    };

    bool keeps(const QByteArray& category) const
    {
        return keep_.category.isEmpty() || category == keep_.category
               || (keep_.category.endsWith('.') && category.startsWith(keep_.category));
    }
    QStringList texts(bool warnings_only, bool with_category) const
    {
        QMutexLocker lock(&mutex_);
        QStringList out;
        for (const Line& line : kept_)
            if (!warnings_only || line.type == QtWarningMsg)
                out << (with_category ? QString::fromUtf8(line.category) + QStringLiteral(": ") + line.text
                                      : line.text);
        return out;
    }
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        LogLines* self = current;
        if (!self)
            return;
        const QByteArray category(context.category ? context.category : "");
        const bool kept = self->keeps(category);
        if (kept) {
            QMutexLocker lock(&self->mutex_);
            self->kept_.push_back({type, category, text});
        }
        if ((!kept || self->keep_.echo) && self->previous_)
            self->previous_(type, context, text);
    }

    static inline LogLines* current = nullptr;
    LogKeep keep_;
    LogLines* outer_ = nullptr;
    QtMessageHandler previous_ = nullptr;
    mutable QMutex mutex_;
    std::vector<Line> kept_;
};

}  // namespace k4::test
