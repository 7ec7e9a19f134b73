#include <gtest/gtest.h>

#include <QLabel>
#include <QWidget>
#include <stdexcept>

#include "QtPrinters.h"
#include "RecordingEngine.h"
#include "ScriptedServices.h"
#include "playback/PositionDisplay.h"
#include "widgets/PositionBar.h"

using namespace engine;
using testsupport::RecordingEngine;
using testsupport::ScriptedServices;

namespace {

struct PositionDisplayTick : ::testing::Test {
    RecordingEngine engine;
    ScriptedServices services;
    QWidget window;
    widgets::PositionBar* bar = new widgets::PositionBar(&window);
    QLabel* position = new QLabel(QStringLiteral("00:00:00:00"), &window);
    QLabel* duration = new QLabel(QStringLiteral("00:00:00:00"), &window);
    PlayerFields fields;
    std::vector<int> statesSeen;
    std::function<void(int)> exportCheck = [this](int state) { statesSeen.push_back(state); };

    PositionDisplayTick() {
        fields.m_pFile = create<IMFile>(engine, CLSID_FileSource);
        fields.m_FileObj = query<IMObject>(fields.m_pFile);
        engine.clearCalls();
    }
    playback::PositionDisplay display(services::Services view) {
        return playback::PositionDisplay({bar, position, duration}, fields, view,
                                         [this](int state) { exportCheck(state); });
    }
    playback::PositionDisplay display() { return display(services.view()); }
    void preset(double pos, double dur) {
        engine.presets().position = pos;
        engine.presets().duration = dur;
    }
};

TEST_F(PositionDisplayTick, FollowsTheSourceAndHandsItsStateToTheExportCheck) {
    auto tick = display();
    preset(3661.5, 7322.9);
    engine.presets().sourceState = 2;
    tick.TimerPlayTimer();
    EXPECT_EQ(engine.calls(), QStringList({"file1.GetInOut()", "file1.GetPosition()", "file1.GetState()"}));
    EXPECT_EQ(position->text(), "01:01:01:15");
    EXPECT_EQ(duration->text(), "02:02:02:27");
    EXPECT_EQ(fields.PlayPosition, 3661.5);
    EXPECT_EQ(bar->position(), 500);
    EXPECT_EQ(statesSeen, std::vector<int>({2}));
    EXPECT_TRUE(services.messages.shown.isEmpty());
}

TEST_F(PositionDisplayTick, BarFollowsTheFractionButNeverSeeks) {
    auto tick = display();
    int changes = 0;
    QObject::connect(bar, &widgets::PositionBar::changed, [&] { ++changes; });
    const struct {
        double pos, dur;
        int bar;
    } cases[] = {
        {1, 2000, 0}, {3, 2000, 2}, {5, 2000, 2}, {2500, 2000, 1000}, {600, 600, 1000}, {10, 0, 0}, {0, 0, 0},
    };
    for (const auto& c : cases) {
        preset(c.pos, c.dur);
        tick.TimerPlayTimer();
        EXPECT_EQ(bar->position(), c.bar) << c.pos << " of " << c.dur;
    }
    EXPECT_EQ(duration->text(), "00:00:00:00");
    EXPECT_EQ(changes, 3); // 0 -> 2 -> 1000 -> 0, the repeats raising nothing
    EXPECT_TRUE(engine.callsStartingWith("file1.Set").isEmpty());
}

TEST_F(PositionDisplayTick, HeldBarStaysWhileTheCountersFollow) {
    auto tick = display();
    bar->setPosition(250);
    bar->setTag(1);
    preset(61.3, 100);
    tick.TimerPlayTimer();
    EXPECT_EQ(bar->position(), 250);
    EXPECT_EQ(position->text(), "00:01:01:09");
    EXPECT_EQ(fields.PlayPosition, 61.3);
    bar->setTag(0);
    tick.TimerPlayTimer();
    EXPECT_EQ(bar->position(), 613);
}

TEST_F(PositionDisplayTick, NoFileSourceMeansNothingAtAll) {
    fields.m_pFile.reset();
    auto tick = display();
    tick.TimerPlayTimer();
    EXPECT_TRUE(engine.calls().isEmpty());
    EXPECT_TRUE(statesSeen.empty());
    EXPECT_TRUE(services.messages.shown.isEmpty());
}

// A message box that, while "open", lets the timer tick as a modal loop would.
struct TickingMessageBox : testsupport::ScriptedMessageBox {
    std::function<void()> whileOpen;
    void information(QWidget* parent, const QString& text) override {
        ScriptedMessageBox::information(parent, text);
        if (whileOpen)
            whileOpen();
    }
};

TEST_F(PositionDisplayTick, AFailingTickShowsOneBoxAtATimeAndTheTimerGoesOn) {
    TickingMessageBox box;
    services::Services view{box, services.saveDialog, services.folderChooser, services.displays,
                            services.dates};
    auto tick = display(view);
    int failures = 0;
    exportCheck = [&](int) {
        ++failures;
        throw std::runtime_error("writer gone");
    };
    box.whileOpen = [&] {
        for (int i = 0; i < 3; ++i)
            tick.TimerPlayTimer();
    };
    preset(5, 10);
    tick.TimerPlayTimer();
    EXPECT_EQ(box.shown, QStringList({" Erro no timer do ingest"}));
    EXPECT_EQ(failures, 4) << "ticks go on while the box is open";
    EXPECT_EQ(position->text(), "00:00:05:00");

    box.whileOpen = nullptr;
    tick.TimerPlayTimer(); // the box was closed: the next failure is shown again
    EXPECT_EQ(box.shown.size(), 2);

    exportCheck = [](int) {};
    preset(7, 10);
    tick.TimerPlayTimer();
    EXPECT_EQ(position->text(), "00:00:07:00");
    EXPECT_EQ(box.shown.size(), 2);
}

} // namespace
