#pragma once
// Handlers of this folder run through `guarded`: an error that a handler does not catch ends the
// handler and its text is shown in a message box, and the dialog goes on with the next event.
#include <QString>
#include <exception>

#include "engine/EngineError.h"
#include "widgets/Services.h"

template <class Handler> void guarded(services::IMessageBox& messages, QWidget* parent, Handler&& handler) {
    try {
        handler();
    } catch (const engine::EngineError& e) {
        messages.information(parent, e.text());
    } catch (const std::exception& e) {
        messages.information(parent, QString::fromUtf8(e.what()));
    }
}
