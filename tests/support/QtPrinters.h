#pragma once
// Readable Qt texts in test failures.
#include <QRect>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '{';
    for (qsizetype i = 0; i < list.size(); ++i)
        *out << (i ? ", \"" : "\"") << list[i].toStdString() << '"';
    *out << '}';
}
inline std::ostream& operator<<(std::ostream& out, const QRect& r) {
    return out << r.width() << 'x' << r.height() << (r.x() < 0 ? "" : "+") << r.x() << (r.y() < 0 ? "" : "+")
               << r.y();
}
