#pragma once
// When an in and an out mark make a range that can be exported, and what the operator is told otherwise.
#include <QString>

namespace clipexport {

// After the clip's first instant and ending after it starts; false when either mark is not a number.
inline bool isExportableRange(double in, double out) {
    return in > 0 && out > in;
}

inline QString outBeforeInMessage() {
    return QStringLiteral("Ponto de saída menor que ponto de entrada!");
}

} // namespace clipexport
