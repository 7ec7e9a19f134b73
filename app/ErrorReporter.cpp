#include "ErrorReporter.h"

#include <QString>
#include <exception>

void ErrorReporter::run(const std::function<void()>& handler) noexcept {
    QString text;
    try {
        handler();
        return;
    } catch (const std::exception& e) {
        text = QString::fromUtf8(e.what());
    } catch (...) {
        text = QStringLiteral("Erro inesperado");
    }
    try {
        messages_.information(owner_, text);
    } catch (...) {
        // Nothing is left to report with.
    }
}
