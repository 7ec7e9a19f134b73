#include "playback/Transport.h"

#include <QFileInfo>
#include <array>

#include "playback/ClipOpening.h"
#include "widgets/CheckBox.h"
#include "widgets/ClipList.h"
#include "widgets/PositionBar.h"
#include "widgets/RadioGroup.h"

namespace playback {

namespace {

constexpr double kFrame = 1.0 / 30.0;
constexpr int kPausedState = 2;
constexpr std::array<double, 4> kRates{1.0, 2.0, 4.0, 8.0};
// The bar seeks within a clip whose duration is unknown as if it lasted a millisecond.
constexpr double kUnknownDuration = 0.001;

bool isPlayableFile(const QString& path) {
    const QFileInfo info(path);
    return !path.isEmpty() && info.exists() && !info.isDir();
}

// Keeps the bar's seeking flag raised for one scope.
class SeekingFlag {
  public:
    explicit SeekingFlag(widgets::PositionBar* bar) : bar_(bar) { bar_->setTag(1); }
    ~SeekingFlag() { bar_->setTag(0); }
    SeekingFlag(const SeekingFlag&) = delete;
    SeekingFlag& operator=(const SeekingFlag&) = delete;

  private:
    widgets::PositionBar* bar_;
};

} // namespace

Transport::Transport(TransportControls controls, PlayerFields& fields) : ui_(controls), fields_(fields) {}

void Transport::BtPlayClick() {
    fields_.arquivo_play = ui_.FileList->fullName();
    if (fields_.Cue_In >= fields_.Cue_Out) {
        fields_.Cue_In = 0;
        fields_.Cue_Out = 0;
    }
    engine::IMFile* file = fields_.m_pFile.get();
    if (!file || !isPlayableFile(fields_.arquivo_play))
        return;
    file->OpenName(QString(), QStringLiteral("loop=false"));
    file->OpenName(fields_.arquivo_play, kClipOpenParameters);
    file->SetInOut(fields_.Cue_In, fields_.Cue_Out);
    file->SetPosition(fields_.Cue_In, 0.0);
    file->PlayFile();
}

void Transport::BtPausaClick() {
    if (!fields_.m_pFile || !fields_.m_FileObj)
        return;
    int state = 0;
    fields_.m_FileObj->GetState(state);
    if (state == kPausedState)
        fields_.m_pFile->PlayFile();
    else
        fields_.m_pFile->PauseFile(0.0);
}

void Transport::BtStopClick() {
    if (fields_.m_pFile)
        fields_.m_pFile->StopFile(0.0);
}

void Transport::PauseExecute() {
    BtPausaClick();
}

void Transport::step(double seconds) {
    if (!fields_.m_pFile)
        return;
    double position = 0;
    fields_.m_pFile->GetPosition(position);
    fields_.m_pFile->SetPosition(position + seconds, 0.0);
}

void Transport::ForwardExecute() {
    step(kFrame);
}
void Transport::RewindExecute() {
    step(-kFrame);
}
void Transport::FFWExecute() {
    step(1.0);
}
void Transport::REWExecute() {
    step(-1.0);
}

void Transport::jumpBar(int position) {
    const SeekingFlag seeking(ui_.TBPlay);
    ui_.TBPlay->setPosition(position);
}

void Transport::GoStartExecute() {
    jumpBar(widgets::PositionBar::kMinValue - 1);
}

void Transport::GoEndExecute() {
    jumpBar(widgets::PositionBar::kMaxValue - 1);
}

void Transport::RGSpeedPlayClick() {
    const int item = ui_.RGSpeedPlay->itemIndex();
    if (item < 0 || item >= int(kRates.size()))
        return;
    // Faster playback is checked by ear: the audio preview comes on, and its own click action runs first.
    if (item > 0)
        ui_.checkBoxAudio->setChecked(true);
    if (fields_.m_pFile)
        fields_.m_pFile->SetRate(kRates[size_t(item)]);
}

void Transport::TBPlayChange() {
    if (ui_.TBPlay->tag() == 0 || !fields_.m_pFile)
        return;
    double in = 0, out = 0, duration = 0;
    fields_.m_pFile->GetInOut(in, out, duration);
    if (!(duration > 0))
        duration = kUnknownDuration;
    const double target = duration * ui_.TBPlay->position() / widgets::PositionBar::kMaxValue;
    fields_.m_pFile->SetInOut(0.0, 0.0);
    fields_.m_pFile->SetPosition(target, 0.0);
}

void Transport::TBPlayMouseDown() {
    ui_.TBPlay->setTag(1);
}

void Transport::TBPlayMouseUp() {
    ui_.TBPlay->setTag(0);
}

} // namespace playback
