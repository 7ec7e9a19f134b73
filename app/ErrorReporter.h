#pragma once
// The application's default error handler: every bound handler runs through it, and an error that
// leaves the handler is shown in a modal message box with its text; the event loop then goes on.
#include <functional>

#include "widgets/Services.h"

class QWidget;

class ErrorReporter {
  public:
    ErrorReporter(QWidget* owner, services::IMessageBox& messages) : owner_(owner), messages_(messages) {}

    void run(const std::function<void()>& handler) noexcept;

    // A slot that runs `handler` through run().
    template <class F> auto guarded(F handler) {
        return [this, handler]() { run(handler); };
    }

  private:
    QWidget* owner_;
    services::IMessageBox& messages_;
};
