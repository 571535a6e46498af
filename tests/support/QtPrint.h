#pragma once
// Lets GoogleTest print Qt texts readably in failure messages.

#include <QString>
#include <QStringView>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(QStringView text, std::ostream* os)
{
    PrintTo(text.toString(), os);
}
