#pragma once
#include <QString>
#include <stdexcept>

namespace engine {

// Raised by object creation and interface lookup; the text is what the operator sees.
class EngineError : public std::runtime_error {
public:
    explicit EngineError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};

// Status codes of engine operations (0 success, negative failure).
enum Status : int {
    kOk = 0,
    kFail = -1,
    kInvalidArg = -2,
    kNotOpen = -3,
    kClosed = -4,
    kNotSupported = -5,
};

}  // namespace engine
