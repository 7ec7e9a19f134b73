#include "OpenFailureNotice.h"

#include "engine/EngineError.h"
#include "widgets/StatusStrip.h"

void showOpenFailure(engine::IMFile& source, int sourceState, widgets::StatusStrip& strip) {
    // The source keeps the reason until it opens something again. An engine without the property has
    // nothing to show.
    QString reason;
    if (sourceState != 0 ||
        engine::query<engine::IMProps>(&source)->GetProp(QStringLiteral("last_error"), reason) != engine::kOk ||
        reason.isEmpty())
        return;
    strip.say(widgets::StatusStrip::Layer::Failure, QStringLiteral(" Falha ao abrir o clipe: ") + reason);
}

void forgetOpenFailure(widgets::StatusStrip& strip) {
    strip.say(widgets::StatusStrip::Layer::Failure, {});
}
