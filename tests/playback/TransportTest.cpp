#include <gtest/gtest.h>

#include <QLocale>
#include <QPushButton>
#include <QRadioButton>

#include "PlayerHarness.h"
#include "widgets/BitmapButton.h"
#include "widgets/CheckBox.h"
#include "widgets/PositionBar.h"
#include "widgets/RadioGroup.h"

namespace {

const QString kOpenParameters =
    "external_process=false experimental.mfcodecs=true experimental.out_video_packets=true";

QString number(double d) {
    return QString::number(d, 'g', QLocale::FloatingPointShortest);
}

// A window listing one channel folder with one clip, the clip selected.
struct Transport : testsupport::PlayerHarness {
    QString clip;
    void SetUp() override {
        clip = makeFile("2025/07/05/canal1/Edição das 7.mxf");
        open();
        ui().RGCanal->button(0)->click();
        clickEntry(0);
        engine.clearCalls();
        ASSERT_TRUE(services.messages.shown.isEmpty());
    }
    QStringList playSequence(double in, double out) const {
        return {R"(file1.OpenName("", "loop=false"))",
                "file1.OpenName(\"" + clip + "\", \"" + kOpenParameters + "\")",
                "file1.SetInOut(" + number(in) + ", " + number(out) + ")",
                "file1.SetPosition(" + number(in) + ", 0)", "file1.PlayFile()"};
    }
};

TEST_F(Transport, PlayOpensTheClipAnewWithinAValidCueRange) {
    const struct {
        double in, out, playedIn, playedOut;
    } cases[] = {
        {0, 0, 0, 0}, // just selected: the whole clip
        {5, 0, 0, 0}, // only an in point
        {4, 4, 0, 0}, {0, 8, 0, 8}, {2.5, 8, 2.5, 8}, {9, 3, 0, 0},
    };
    for (const auto& c : cases) {
        fields().Cue_In = c.in;
        fields().Cue_Out = c.out;
        engine.clearCalls();
        ui().BtPlay->click();
        EXPECT_EQ(callsBesidesPolling(), playSequence(c.playedIn, c.playedOut)) << c.in << ".." << c.out;
        EXPECT_EQ(fields().arquivo_play, clip);
        EXPECT_EQ(fields().Cue_In, c.playedIn);
        EXPECT_EQ(fields().Cue_Out, c.playedOut);
    }
}

TEST_F(Transport, PlayWithoutAClipResetsTheCuesAndLeavesTheEngineAlone) {
    fields().Cue_In = 5;
    QFile::remove(clip);
    ui().BtPlay->click();
    EXPECT_EQ(fields().arquivo_play, clip);
    EXPECT_EQ(fields().Cue_In, 0);

    ui().FileList->clearSelection();
    ui().BtPlay->click();
    EXPECT_EQ(fields().arquivo_play, "");
    EXPECT_TRUE(engine.calls().isEmpty());
    EXPECT_TRUE(services.messages.shown.isEmpty());
}

TEST_F(Transport, PauseResumesOnlyAPausedSource) {
    const struct {
        int state;
        const char* call;
    } cases[] = {{0, "file1.PauseFile(0)"},
                 {1, "file1.PauseFile(0)"},
                 {2, "file1.PlayFile()"},
                 {3, "file1.PauseFile(0)"}};
    for (const auto& c : cases) {
        engine.presets().sourceState = c.state;
        engine.clearCalls();
        ui().BtPausa->click();
        EXPECT_EQ(engine.calls(), QStringList({"file1.GetState()", c.call})) << c.state;
    }
    engine.clearCalls();
    ui().BtStop->click();
    EXPECT_EQ(engine.calls(), QStringList({"file1.StopFile(0)"}));
}

TEST_F(Transport, KeyboardStepsSeekFromThePositionWhicheverControlHasTheFocus) {
    engine.presets().position = 0.4;
    const struct {
        QKeyCombination keys;
        double target;
    } cases[] = {
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Left, -0.6},
        {Qt::CTRL | Qt::Key_Left, 0.4 - 1.0 / 30},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Right, 1.4},
        {Qt::CTRL | Qt::Key_Right, 0.4 + 0.03333333333333333},
    };
    for (QWidget* focus : {static_cast<QWidget*>(ui().FileList), static_cast<QWidget*>(ui().BtSetup)}) {
        focus->setFocus();
        for (const auto& c : cases) {
            engine.clearCalls();
            QTest::keyClick(focus, c.keys.key(), c.keys.keyboardModifiers());
            EXPECT_EQ(callsBesidesPolling(), QStringList({"file1.SetPosition(" + number(c.target) + ", 0)"}))
                << focus->objectName().toStdString();
        }
    }
    engine.presets().sourceState = 2;
    engine.clearCalls();
    QTest::keyClick(ui().FileList, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(callsBesidesPolling(), QStringList({"file1.PlayFile()"}));
}

TEST_F(Transport, GoEndAndGoStartMoveTheBarAndSeekOnlyOnAChange) {
    engine.presets().duration = 600;
    engine.presets().position = 0.25;
    tick(); // 0.25 s of 600 s: the bar shows 0
    ASSERT_EQ(ui().TBPlay->position(), 0);
    engine.clearCalls();
    QTest::keyClick(ui().FileList, Qt::Key_Down, Qt::ControlModifier); // GoStart
    EXPECT_TRUE(engine.calls().isEmpty());

    QTest::keyClick(ui().FileList, Qt::Key_Up, Qt::ControlModifier); // GoEnd
    EXPECT_EQ(engine.calls(),
              QStringList({"file1.GetInOut()", "file1.SetInOut(0, 0)", "file1.SetPosition(599.4, 0)"}));
    EXPECT_EQ(ui().TBPlay->position(), 999);
    EXPECT_EQ(ui().TBPlay->tag(), 0);

    engine.clearCalls();
    QTest::keyClick(ui().FileList, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(engine.calls(),
              QStringList({"file1.GetInOut()", "file1.SetInOut(0, 0)", "file1.SetPosition(0, 0)"}));
    EXPECT_EQ(ui().TBPlay->tag(), 0);
}

TEST_F(Transport, FasterSpeedsSwitchTheAudioPreviewOnFirst) {
    ASSERT_FALSE(ui().checkBoxAudio->isChecked());
    ui().RGSpeedPlay->button(2)->click();
    EXPECT_EQ(engine.calls(), QStringList({R"(preview2.EnableOutput("", 1, 1))", "file1.SetRate(4)"}));
    engine.clearCalls();
    ui().RGSpeedPlay->button(3)->click();
    ui().RGSpeedPlay->button(0)->click();
    EXPECT_EQ(engine.calls(), QStringList({"file1.SetRate(8)", "file1.SetRate(1)"}));
    EXPECT_TRUE(ui().checkBoxAudio->isChecked());
}

TEST_F(Transport, DraggingTheBarSeeksWithinTheWholeClipAndNeverPlaysOrPauses) {
    engine.presets().duration = 100;
    engine.presets().sourceState = 2;
    fields().Cue_In = 10;
    fields().Cue_Out = 20;
    widgets::PositionBar* bar = ui().TBPlay;
    const int y = bar->height() / 2;
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(bar->width() / 4, y));
    EXPECT_EQ(bar->tag(), 1);
    const int pressedAt = bar->position();
    QTest::mouseMove(bar, QPoint(bar->width() / 2, y));
    QTest::mouseMove(bar, QPoint(bar->width() * 3 / 4, y));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(bar->width() * 3 / 4, y));
    EXPECT_EQ(bar->tag(), 0);
    ASSERT_GT(pressedAt, 0);
    ASSERT_GT(bar->position(), pressedAt);

    const QStringList calls = engine.calls();
    EXPECT_EQ(calls.filter("SetPosition").size(), 3);
    EXPECT_EQ(calls.filter("SetPosition").first(),
              "file1.SetPosition(" + number(100.0 * pressedAt / 1000) + ", 0)");
    EXPECT_EQ(calls.filter("SetPosition").last(),
              "file1.SetPosition(" + number(100.0 * bar->position() / 1000) + ", 0)");
    for (const QString& call : calls)
        EXPECT_TRUE(call == "file1.GetInOut()" || call == "file1.SetInOut(0, 0)" ||
                    call.startsWith("file1.SetPosition(") ||
                    call.startsWith(R"(file1.SetProp("object::audio_channels")"))
            << call.toStdString();
    EXPECT_EQ(fields().Cue_In, 10) << "the cue points stay for the next Play";
    EXPECT_EQ(fields().Cue_Out, 20);
}

TEST_F(Transport, UnknownDurationSeeksWithinAMillisecond) {
    for (double duration : {0.0, -3.0, std::nan("")}) {
        engine.presets().duration = duration;
        ui().TBPlay->setPosition(0);
        engine.clearCalls();
        ui().TBPlay->setTag(1);
        ui().TBPlay->setPosition(500);
        ui().TBPlay->setTag(0);
        EXPECT_EQ(engine.calls().last(), "file1.SetPosition(" + number(0.0005) + ", 0)") << duration;
    }
}

} // namespace
