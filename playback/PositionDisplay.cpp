#include "playback/PositionDisplay.h"

#include <QLabel>

#include "playback/Timecode.h"
#include "widgets/PositionBar.h"

namespace playback {

PositionDisplay::PositionDisplay(PositionDisplayControls controls, PlayerFields& fields,
                                 services::Services services, std::function<void(int)> sourceStateRead)
    : ui_(controls), fields_(fields), services_(services), sourceStateRead_(std::move(sourceStateRead)) {}

void PositionDisplay::TimerPlayTimer() {
    if (!fields_.m_pFile)
        return;
    try {
        poll();
    } catch (...) {
        if (reportingError_)
            return;
        reportingError_ = true;
        try {
            services_.messages.information(ui_.TBPlay->window(), QStringLiteral(" Erro no timer do ingest"));
        } catch (...) {
        }
        reportingError_ = false;
    }
}

void PositionDisplay::poll() {
    engine::IMFile& file = *fields_.m_pFile;
    double in = 0, out = 0, duration = 0;
    file.GetInOut(in, out, duration);
    double position = 0;
    file.GetPosition(position);
    const double fraction = position / duration;
    fields_.PlayPosition = position;
    if (ui_.TBPlay->tag() == 0)
        ui_.TBPlay->setPosition(barPosition(fraction));
    ui_.TempoAtual->setText(FormataTimecode(position));
    ui_.LblDuracao->setText(FormataTimecode(duration));
    int state = 0;
    engine::query<engine::IMObject>(fields_.m_pFile)->GetState(state);
    if (sourceStateRead_)
        sourceStateRead_(state);
}

QString PositionDisplay::FormataTimecode(double seconds) {
    return formatTimecode(seconds);
}

} // namespace playback
