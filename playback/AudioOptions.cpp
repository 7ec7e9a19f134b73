#include "playback/AudioOptions.h"

namespace playback {

AudioOptions::AudioOptions(AudioOptionsControls controls, PlayerFields& fields,
                           engine::IEngineFactory& factory)
    : ui_(controls), fields_(fields), factory_(factory) {}

void AudioOptions::AudioSelect() {}
void AudioOptions::RgAudioSelectClick() {}
void AudioOptions::CHk1Click() {}
void AudioOptions::checkBoxAudioClick() {}
void AudioOptions::CHKVUClick() {}
void AudioOptions::ChKCCClick() {}

} // namespace playback
