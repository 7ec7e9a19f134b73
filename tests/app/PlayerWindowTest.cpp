#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "RecordingEngine.h"
#include "ScriptedServices.h"
#include "TFrm_Player.h"
#include "TempSettings.h"
#include "engine/ClassIds.h"
#include "widgets/BitmapButton.h"
#include "widgets/ClipList.h"
#include "widgets/DatePicker.h"
#include "widgets/PositionBar.h"
#include "widgets/RadioGroup.h"
#include "widgets/StatusStrip.h"

using testsupport::RecordingEngine;
using testsupport::ScriptedServices;

namespace {

struct PlayerFixture : ::testing::Test {
    TempSettings settings;
    RecordingEngine engine;
    ScriptedServices services;

    // The calls made so far, without the timer's polling.
    QStringList callsBesidesPolling() const {
        QStringList calls = engine.calls();
        calls.removeIf([](const QString& c) {
            return c.endsWith(".GetInOut()") || c.endsWith(".GetPosition()") || c.endsWith(".GetState()");
        });
        return calls;
    }
};

} // namespace

TEST_F(PlayerFixture, CreationSetsUpTheEngineInOrder) {
    TFrm_Player window(engine, services.view());
    EXPECT_EQ(callsBesidesPolling(), QStringList({
                                         "create(file1)",
                                         "create(preview2)",
                                         R"(preview2.SetWindow("", surface))",
                                         R"(preview2.EnableOutput("", 0, 1))",
                                         "preview2.StartFrom(file1)",
                                         R"(preview2.SetProp("maintain_ar", "letter-box"))",
                                         R"(preview2.SetProp("deinterlace", "1"))",
                                         R"(file1.OpenName("ColorBars-HD", "loop=false"))",
                                         "file1.PauseFile(0)",
                                         R"(file1.SetProp("loop", "false"))",
                                         R"(preview2.SetProp("active_frc", "false"))",
                                         R"(preview2.SetProp("preview.drop_frames", "true"))",
                                     }));
    EXPECT_TRUE(services.messages.shown.isEmpty());
    EXPECT_TRUE(window.fields().m_pFile && window.fields().m_FileObj && window.fields().m_pPreviewPlay);
    EXPECT_TRUE(window.controls().TimerPlay->isActive());
    EXPECT_EQ(window.controls().TimerPlay->interval(), 33);
}

TEST_F(PlayerFixture, WindowIsAFixedSizeNormalWindowCoveringThePrimaryDisplay) {
    TFrm_Player window(engine, services.view());
    const QRect display = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window.pos(), display.topLeft());
    EXPECT_EQ(window.size(), display.size());
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(window.windowType(), Qt::Window);
    EXPECT_EQ(window.windowTitle(), "Player");
    EXPECT_FALSE(window.controls().BtExportar->isEnabled());
    EXPECT_EQ(window.controls().RGCanal->itemIndex(), -1);
    EXPECT_EQ(window.controls().RgExtensao->itemIndex(), 0);
    EXPECT_EQ(window.controls().FileList->mask(),
              "*.mxf;*.avi;*.asf;*.mpg;*.mp4;*.flv;*.mkv;*.mxf;*.dv;*.asf;*.m4v");
}

TEST_F(PlayerFixture, ShowingSetsTheCaptionAndLoadsTheConfiguration) {
    TFrm_Player window(engine, services.view());
    QSignalSpy loaded(&window, &TFrm_Player::configurationLoaded);
    window.show();
    EXPECT_EQ(window.windowTitle(), "VELTRA-PLAYER-2025     - release 20.25.07.12");
    EXPECT_EQ(loaded.count(), 1);
    window.hide();
    window.show(); // shown once only
    EXPECT_EQ(loaded.count(), 1);
}

TEST_F(PlayerFixture, ClosingClosesTheFileSourceTwiceAndThePreviewOnce) {
    TFrm_Player window(engine, services.view());
    window.show();
    engine.clearCalls();
    window.close();
    EXPECT_EQ(engine.callsStartingWith(""),
              QStringList({"file1.CloseObject()", "preview2.CloseObject()", "file1.CloseObject()"}));
}

TEST_F(PlayerFixture, ClosingAlsoClosesAHeldExportWriter) {
    TFrm_Player window(engine, services.view());
    window.fields().myWriter_Export = engine::create<engine::IMWriter>(engine, engine::CLSID_FileWriter);
    engine.clearCalls();
    window.close();
    EXPECT_EQ(engine.calls().filter("CloseObject"),
              QStringList({"file1.CloseObject()", "preview2.CloseObject()", "file1.CloseObject()",
                           "writer3.CloseObject()"}));
}

TEST_F(PlayerFixture, SetupDialogRunsModallyAndLeconfigFollowsHoweverItCloses) {
    TFrm_Player window(engine, services.view());
    window.show();
    QSignalSpy loaded(&window, &TFrm_Player::configurationLoaded);
    const std::function<void(QDialog*)> closers[] = {
        [](QDialog* d) { d->close(); }, // the close box
        [](QDialog* d) { d->reject(); },
    };
    for (const auto& closeIt : closers) {
        QPointer<QDialog> seen;
        bool ownedByWindow = false, modal = false;
        QTimer::singleShot(0, [&] {
            seen = window.setupDialog();
            ASSERT_TRUE(seen);
            ownedByWindow = seen->parentWidget() == &window;
            modal = seen->isModal() && QApplication::activeModalWidget() == seen;
            closeIt(seen);
        });
        const int before = int(loaded.count());
        window.controls().BtSetup->click();
        EXPECT_TRUE(ownedByWindow);
        EXPECT_TRUE(modal);
        EXPECT_EQ(loaded.count(), before + 1);
        EXPECT_TRUE(seen.isNull()) << "the dialog is destroyed once closed";
        EXPECT_EQ(window.setupDialog(), nullptr);
    }
}

TEST_F(PlayerFixture, EngineThatCannotCreateObjectsIsReportedAndTheWindowStillOpens) {
    engine.failingClasses.insert(std::string(engine::CLSID_PreviewRenderer));
    TFrm_Player window(engine, services.view());
    ASSERT_EQ(services.messages.shown, QStringList({"Classe não registrada"}));
    // The remaining steps were skipped: the file source exists but was never opened.
    EXPECT_TRUE(window.fields().m_pFile);
    EXPECT_FALSE(window.fields().m_pPreviewPlay);
    EXPECT_TRUE(engine.callsStartingWith("file1.OpenName").isEmpty());
    window.show();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "VELTRA-PLAYER-2025     - release 20.25.07.12");
    QTest::qWait(80); // timer ticks go on without an engine
    window.close();
    EXPECT_EQ(engine.calls().filter("CloseObject"),
              QStringList({"file1.CloseObject()", "file1.CloseObject()"}));
}

TEST_F(PlayerFixture, KeyboardActionsWorkWhicheverControlHasTheFocus) {
    TFrm_Player window(engine, services.view());
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    struct Case {
        const char* action;
        QKeyCombination keys;
    };
    const Case cases[] = {
        {"Forward", Qt::CTRL | Qt::Key_Right},
        {"Forward", QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Right)}, // number pad
        {"Rewind", Qt::CTRL | Qt::Key_Left},
        {"GoEnd", Qt::CTRL | Qt::Key_Up},
        {"GoStart", Qt::CTRL | Qt::Key_Down},
        {"CueIN", Qt::CTRL | Qt::Key_I},
        {"CueOut", Qt::CTRL | Qt::Key_O},
        {"Pause", Qt::CTRL | Qt::Key_Space},
        {"FFW", Qt::CTRL | Qt::SHIFT | Qt::Key_Right},
        {"REW", Qt::CTRL | Qt::SHIFT | Qt::Key_Left},
    };
    const PlayerControls& c = window.controls();
    // The date field is a text field, which would claim Ctrl+arrows for moving by words.
    QWidget* focusHolders[] = {c.FileList, c.ComboMonitor, c.BtSetup, c.ComboData};
    for (const Case& k : cases) {
        auto* action = window.findChild<QAction*>(k.action);
        ASSERT_TRUE(action) << k.action;
        EXPECT_EQ(action->text(), k.action);
        for (QWidget* holder : focusHolders) {
            holder->setFocus();
            QSignalSpy triggered(action, &QAction::triggered);
            QTest::keyClick(holder, k.keys.key(), k.keys.keyboardModifiers());
            EXPECT_EQ(triggered.count(), 1)
                << k.action << " with focus on " << holder->objectName().toStdString();
        }
    }
}

// A clip that failed to open says why in the status strip until the next PLAY, also once the source has
// let the clip go (another clip chosen); then the strip shows what it showed before.
TEST_F(PlayerFixture, StatusStripTellsAFailedOpenUntilTheNextPlay) {
    TFrm_Player window(engine, services.view());
    window.controls().TimerPlay->stop();
    auto tick = [&] {
        QMetaObject::invokeMethod(window.controls().TimerPlay, "timeout", Qt::DirectConnection);
    };
    const QString usual = window.controls().PainelArquivo->text();
    const QString failure = QString::fromUtf8(" Falha ao abrir o clipe: arquivo não encontrado");
    auto source = engine::query<engine::IMProps>(window.fields().m_pFile);
    const struct {
        const char* name;
        int state;
        const char* reason;
        bool play;
        QString shown;
    } steps[] = {
        {"opening", 1, "", false, usual},
        {"open failed", 0, "arquivo não encontrado", false, failure},
        {"source let go, no reason kept", 0, "", false, failure},
        {"next PLAY", 3, "", true, usual},
        {"closed on purpose, no reason", 0, "", false, usual},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        if (s.play)
            window.controls().BtPlay->click();
        engine.presets().sourceState = s.state;
        source->SetProp("last_error", QString::fromUtf8(s.reason));
        tick();
        EXPECT_EQ(window.controls().PainelArquivo->text(), s.shown);
    }
}
