#pragma once
// Readable failure messages for Qt text types in the text tests.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toUtf8().toStdString() << '"';
}

inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << "bytes[" << bytes.toHex(' ').toStdString() << ']';
}

inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '{';
    for (qsizetype i = 0; i < list.size(); ++i) {
        *os << (i ? ", " : "");
        PrintTo(list[i], os);
    }
    *os << '}';
}
