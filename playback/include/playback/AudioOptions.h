#pragma once
// The audio channel map, the audio preview switch, the VU overlay and the closed captions.
#include <array>

#include "windowstate/PlayerFields.h"
#include "engine/EngineFactory.h"

namespace widgets {
class CheckBox;
class RadioGroup;
} // namespace widgets

namespace playback {

struct AudioOptionsControls {
    widgets::RadioGroup* RgAudioSelect;
    std::array<widgets::CheckBox*, 16> CHk; // CHk1 .. CHk16
    widgets::CheckBox* checkBoxAudio;
    widgets::CheckBox* CHKVU;
    widgets::CheckBox* ChKCC;
};

class AudioOptions {
  public:
    // The factory makes the caption plug-ins.
    AudioOptions(AudioOptionsControls controls, PlayerFields& fields, engine::IEngineFactory& factory);

    void AudioSelect();
    void RgAudioSelectClick();
    void CHk1Click();
    void checkBoxAudioClick();
    void CHKVUClick();
    void ChKCCClick();

  private:
    AudioOptionsControls ui_;
    PlayerFields& fields_;
    engine::IEngineFactory& factory_;
};

} // namespace playback
