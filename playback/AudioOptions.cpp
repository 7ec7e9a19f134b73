#include "playback/AudioOptions.h"

#include "playback/ChannelMap.h"
#include "widgets/CheckBox.h"
#include "widgets/RadioGroup.h"

namespace playback {

using engine::IMPlugins;
using engine::IMProps;
using engine::IMUnknown;
using engine::MRef;
using engine::query;

AudioOptions::AudioOptions(AudioOptionsControls controls, PlayerFields& fields,
                           engine::IEngineFactory& factory)
    : ui_(controls), fields_(fields), factory_(factory) {}

void AudioOptions::AudioSelect() {
    std::array<bool, 16> ticked{};
    for (size_t k = 0; k < ticked.size(); ++k)
        ticked[k] = ui_.CHk[k]->isChecked();
    const std::optional<QString> map = channelMapText(ui_.RgAudioSelect->itemIndex(), ticked);
    if (!map || !fields_.m_FileObj)
        return;
    query<IMProps>(fields_.m_FileObj)->SetProp(QStringLiteral("object::audio_channels"), *map);
}

void AudioOptions::RgAudioSelectClick() {
    // Every box whose tick changes sends the map through its own click action as well.
    const int mode = ui_.RgAudioSelect->itemIndex();
    if (mode == int(AudioMode::All) || mode == int(AudioMode::None))
        for (widgets::CheckBox* box : ui_.CHk)
            box->setChecked(mode == int(AudioMode::All));
    AudioSelect();
}

void AudioOptions::CHk1Click() {
    AudioSelect();
}

void AudioOptions::checkBoxAudioClick() {
    if (fields_.m_pPreviewPlay)
        fields_.m_pPreviewPlay->EnableOutput(QString(), ui_.checkBoxAudio->isChecked() ? 1 : 0, 1);
}

void AudioOptions::CHKVUClick() {
    if (!fields_.m_pPreviewPlay)
        return;
    const MRef<IMProps> props = query<IMProps>(fields_.m_pPreviewPlay);
    const QString shown = ui_.CHKVU->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    props->SetProp(QStringLiteral("overlay_rms"), shown);
    props->SetProp(QStringLiteral("overlay_rms.ch"), shown);
    props->SetProp(QStringLiteral("overlay_rms.pos"), QStringLiteral("0.01"));
    props->SetProp(QStringLiteral("overlay_rms.color"), QStringLiteral("green"));
}

void AudioOptions::ChKCCClick() {
    if (!fields_.m_FileObj)
        return;
    // Made before the chain is touched: when the engine cannot make one, the chain stays as it was.
    const MRef<engine::IMCaptionPlugin> plugin =
        engine::create<engine::IMCaptionPlugin>(factory_, engine::CLSID_CaptionPlugin);
    const MRef<IMPlugins> chain = query<IMPlugins>(fields_.m_FileObj);
    int count = 0;
    chain->CountPlugins(count);
    for (int index = count - 1; index >= 0; --index) {
        MRef<IMUnknown> attached;
        int ignored = 0;
        chain->GetPluginAt(index, attached, ignored);
        if (attached)
            chain->DetachPlugin(attached.get());
    }
    if (ui_.ChKCC->isChecked())
        chain->AttachPlugin(plugin.get(), nullptr);
}

} // namespace playback
