#include <gtest/gtest.h>

#include <QRadioButton>

#include "PlayerHarness.h"
#include "engine/ClassIds.h"
#include "playback/ChannelMap.h"
#include "widgets/CheckBox.h"
#include "widgets/PositionBar.h"
#include "widgets/RadioGroup.h"

namespace {

const QString kAll = "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15";
const QString kNone = "-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1";

QString mapCall(const QString& map) {
    return R"(file1.SetProp("object::audio_channels", ")" + map + "\")";
}

TEST(ChannelMap, ModesAndBoxesGiveTheMapText) {
    std::array<bool, 16> oneAndThree{};
    oneAndThree[0] = oneAndThree[2] = true;
    std::array<bool, 16> all;
    all.fill(true);
    const struct {
        int mode;
        std::array<bool, 16> ticked;
        std::optional<QString> map;
    } cases[] = {
        {0, {}, kAll},
        {1, all, kNone},
        {2, oneAndThree, "0,-1,2,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1"},
        {2, all, kAll},
        {-1, all, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(playback::channelMapText(c.mode, c.ticked), c.map) << c.mode;
}

struct AudioOptions : testsupport::PlayerHarness {
    void SetUp() override {
        open(); // no recordings for today: the listing's message is not ours
        services.messages.shown.clear();
        engine.clearCalls();
    }
    widgets::CheckBox* box(int number) { return ui().CHk[size_t(number - 1)]; }
    void chooseMode(int mode) { ui().RgAudioSelect->button(mode)->click(); }
    QStringList mapsSent() const {
        return engine.callsStartingWith(R"(file1.SetProp("object::audio_channels")");
    }
};

TEST_F(AudioOptions, SelectedModeSendsTheTickedBoxes) {
    chooseMode(2);
    for (int n = 1; n <= 16; ++n)
        box(n)->setChecked(n == 1 || n == 3);
    EXPECT_EQ(mapsSent().last(), mapCall("0,-1,2,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1"));
    EXPECT_EQ(mapsSent().size(), 1 + 14) << "the mode, then every box cleared, box 10 included";

    engine.clearCalls();
    box(10)->setChecked(true);
    EXPECT_EQ(mapsSent(), QStringList({mapCall("0,-1,2,-1,-1,-1,-1,-1,-1,9,-1,-1,-1,-1,-1,-1")}));

    engine.clearCalls();
    QTest::mouseClick(ui().TBPlay, Qt::LeftButton, {}, QPoint(5, ui().TBPlay->height() / 2));
    EXPECT_EQ(mapsSent(), QStringList({mapCall("0,-1,2,-1,-1,-1,-1,-1,-1,9,-1,-1,-1,-1,-1,-1")}))
        << "a click on the position bar sends the map again";
}

TEST_F(AudioOptions, FixedModesSendTheirTextWhateverTheBoxesShow) {
    box(5)->setChecked(false); // in "Todos" the box clears but the map still carries every channel
    EXPECT_FALSE(box(5)->isChecked());
    EXPECT_EQ(mapsSent(), QStringList({mapCall(kAll)}));

    engine.clearCalls();
    chooseMode(1); // clears the fifteen ticked boxes, each sending, then the mode itself
    EXPECT_EQ(mapsSent(), QStringList(16, mapCall(kNone)));
    engine.clearCalls();
    chooseMode(2);
    for (int n = 1; n <= 16; ++n)
        EXPECT_FALSE(box(n)->isChecked());
    EXPECT_EQ(mapsSent(), QStringList({mapCall(kNone)}));

    engine.clearCalls();
    chooseMode(0);
    for (int n = 1; n <= 16; ++n)
        EXPECT_TRUE(box(n)->isChecked());
    EXPECT_EQ(mapsSent(), QStringList(17, mapCall(kAll)));
}

TEST_F(AudioOptions, AudioPreviewAndVuSwitchTheRenderer) {
    ui().checkBoxAudio->setChecked(true);
    ui().checkBoxAudio->setChecked(false);
    EXPECT_EQ(engine.calls(),
              QStringList({R"(preview2.EnableOutput("", 1, 1))", R"(preview2.EnableOutput("", 0, 1))"}));

    for (const bool on : {true, false}) {
        engine.clearCalls();
        ui().CHKVU->setChecked(on);
        const QString v = on ? "1" : "0";
        EXPECT_EQ(engine.calls(), QStringList({
                                      R"(preview2.SetProp("overlay_rms", ")" + v + "\")",
                                      R"(preview2.SetProp("overlay_rms.ch", ")" + v + "\")",
                                      R"(preview2.SetProp("overlay_rms.pos", "0.01"))",
                                      R"(preview2.SetProp("overlay_rms.color", "green"))",
                                  }));
    }
}

TEST_F(AudioOptions, CaptionBoxLeavesOnlyThePlugInOfItsLastTick) {
    ui().ChKCC->setChecked(true);
    ui().ChKCC->setChecked(false);
    ui().ChKCC->setChecked(true);
    EXPECT_EQ(engine.createdCount(engine::CLSID_CaptionPlugin), 3);
    EXPECT_EQ(engine.callsStartingWith("file1.AttachPlugin"),
              QStringList({"file1.AttachPlugin(caption3)", "file1.AttachPlugin(caption5)"}));
    EXPECT_EQ(engine.callsStartingWith("file1.DetachPlugin"), QStringList({"file1.DetachPlugin(caption3)"}));
    const auto chain = engine::query<engine::IMPlugins>(fields().m_FileObj);
    int count = -1;
    chain->CountPlugins(count);
    EXPECT_EQ(count, 1);

    // An engine that cannot make the plug-in: the error is shown and the chain keeps what it had.
    engine.failingClasses.insert(std::string(engine::CLSID_CaptionPlugin));
    engine.clearCalls();
    ui().ChKCC->setChecked(false);
    EXPECT_EQ(services.messages.shown, QStringList({"Classe não registrada"}));
    EXPECT_TRUE(engine.callsStartingWith("file1.").isEmpty());
    chain->CountPlugins(count);
    EXPECT_EQ(count, 1);
}

} // namespace
