#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <cmath>
#include <limits>

#include "QtPrinters.h"
#include "RecordingEngine.h"
#include "ScriptedServices.h"
#include "TFrm_Player.h"
#include "TempSettings.h"
#include "engine/ClassIds.h"
#include "export/CuePoints.h"
#include "widgets/BitmapButton.h"

using testsupport::RecordingEngine;
using testsupport::ScriptedServices;

namespace {

const QString kZero = QStringLiteral("00:00:00:00");
const QString kRefused = QStringLiteral("Ponto de saída menor que ponto de entrada!");
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The cue controller on its own controls, against a recording file source.
struct Cues {
    RecordingEngine engine;
    ScriptedServices services;
    QWidget window;
    QLabel* in = new QLabel(kZero, &window);
    QLabel* out = new QLabel(kZero, &window);
    QLabel* partial = new QLabel(kZero, &window);
    widgets::BitmapButton* exportButton = new widgets::BitmapButton("EXPORT", &window);
    PlayerFields fields;
    clipexport::CuePoints cues{{in, out, partial, exportButton}, fields, services.view()};

    Cues() {
        exportButton->setEnabled(false);
        fields.m_pFile = engine::create<engine::IMFile>(engine, engine::CLSID_FileSource);
        engine.clearCalls();
    }
    void markIn(double at) {
        fields.PlayPosition = at;
        cues.BtCueInClick();
    }
    void markOut(double at) {
        fields.PlayPosition = at;
        cues.btCueOutClick();
    }
    QStringList labels() const { return {in->text(), out->text(), partial->text()}; }
};

struct CueFixture : ::testing::Test, Cues {};

struct PairCase {
    const char* name;
    double in, out;
    bool valid;
};

} // namespace

TEST(CuePoints, OutMarkArmsExportOnlyForAStrictlyLaterOutAfterAMarkedIn) {
    const PairCase cases[] = {
        {"no in mark", 0, 5, false},
        {"in at the first frame", 0, 3600, false},
        {"negative in", -1, 5, false},
        {"out at the in point", 10, 10, false},
        {"out before in", 10, 9.5, false},
        {"in is not a number", kNaN, 5, false},
        {"out is not a number", 10, kNaN, false},
        {"out one frame after in", 10, 10 + 1.0 / 30, true},
    };
    for (const PairCase& c : cases) {
        SCOPED_TRACE(c.name);
        Cues f;
        f.markIn(c.in);
        const QString inLabel = f.in->text();
        f.markOut(c.out);
        EXPECT_EQ(f.exportButton->isEnabled(), c.valid);
        EXPECT_EQ(f.services.messages.shown, c.valid ? QStringList() : QStringList{kRefused});
        // The out value is taken even when the pair is refused.
        if (std::isnan(c.out))
            EXPECT_TRUE(std::isnan(f.fields.Cue_Out));
        else
            EXPECT_EQ(f.fields.Cue_Out, c.out);
        if (!c.valid)
            EXPECT_EQ(f.labels(), QStringList({inLabel, kZero, kZero}));
        EXPECT_TRUE(f.engine.calls().isEmpty());
    }
}

TEST_F(CueFixture, LaterMarksKeepTheArmedButtonAndOnlyAValidPairRewritesTheCounters) {
    markIn(10.0);
    markOut(25.5);
    EXPECT_EQ(labels(), QStringList({"00:00:10:00", "00:00:25:15", "00:00:15:15"}));
    EXPECT_TRUE(exportButton->isEnabled());

    // An out mark before the in point is refused, yet taken, and the armed button stays armed.
    markOut(5.0);
    EXPECT_EQ(services.messages.shown, QStringList{kRefused});
    EXPECT_EQ(fields.Cue_Out, 5.0);
    EXPECT_TRUE(exportButton->isEnabled());
    EXPECT_EQ(labels(), QStringList({"00:00:10:00", "00:00:25:15", "00:00:15:15"}));

    // An in mark is never tested against the out point.
    markIn(30.0);
    EXPECT_EQ(services.messages.shown.size(), 1);
    EXPECT_EQ(fields.Cue_In, 30.0);
    EXPECT_TRUE(exportButton->isEnabled());
    EXPECT_EQ(labels(), QStringList({"00:00:30:00", "00:00:25:15", "00:00:15:15"}));
    EXPECT_TRUE(engine.calls().isEmpty());
}

TEST_F(CueFixture, GoToPausesThenSeeksToThePointEvenWhenUnmarked) {
    const struct {
        const char* name;
        double in, out;
        bool toIn;
        QString seek;
    } cases[] = {
        {"go to in", 12.5, 40, true, "file1.SetPosition(12.5, 0)"},
        {"go to out", 12.5, 40, false, "file1.SetPosition(40, 0)"},
        {"go to an unmarked in", 0, 0, true, "file1.SetPosition(0, 0)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        engine.clearCalls();
        fields.Cue_In = c.in;
        fields.Cue_Out = c.out;
        c.toIn ? cues.BTGoInClick() : cues.BtGoOutClick();
        EXPECT_EQ(engine.calls(), QStringList({"file1.PauseFile(0)", c.seek}));
    }
}
