#include "export/CuePoints.h"

#include <QLabel>

#include "export/MarkedRange.h"
#include "playback/PositionDisplay.h"
#include "widgets/BitmapButton.h"

namespace clipexport {

using playback::PositionDisplay;

CuePoints::CuePoints(CuePointsControls controls, PlayerFields& fields, services::Services services)
    : ui_(controls), fields_(fields), services_(services) {}

void CuePoints::BtCueInClick() {
    fields_.Cue_In = fields_.PlayPosition;
    ui_.Lblcue_in->setText(PositionDisplay::FormataTimecode(fields_.Cue_In));
}

void CuePoints::btCueOutClick() {
    // Kept even when the pair is refused: an export started afterwards uses it.
    fields_.Cue_Out = fields_.PlayPosition;
    if (!isExportableRange(fields_.Cue_In, fields_.Cue_Out)) {
        services_.messages.information(ui_.BtExportar->window(), outBeforeInMessage());
        return;
    }
    ui_.BtExportar->setEnabled(true);
    ui_.LblParcial->setText(PositionDisplay::FormataTimecode(fields_.Cue_Out - fields_.Cue_In));
    ui_.Lblcue_out->setText(PositionDisplay::FormataTimecode(fields_.Cue_Out));
}

void CuePoints::BTGoInClick() {
    goTo(fields_.Cue_In);
}

void CuePoints::BtGoOutClick() {
    goTo(fields_.Cue_Out);
}

void CuePoints::goTo(double position) {
    if (!fields_.m_pFile)
        return;
    fields_.m_pFile->PauseFile(0.0);
    fields_.m_pFile->SetPosition(position, 0.0);
}

void CuePoints::CueINExecute() {
    BtCueInClick();
}

void CuePoints::CueOutExecute() {
    btCueOutClick();
}

} // namespace clipexport
