#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>

#include "RecordingEngine.h"
#include "ScriptedServices.h"
#include "TempSettings.h"
#include "output/SecondaryOutput.h"
#include "settings/RegConfig.h"

using output::SecondaryOutput;
using services::DisplayInfo;
using testsupport::RecordingEngine;

namespace {

const DisplayInfo kMain{"main", QRect(0, 0, 1920, 1080), 96, true};
const DisplayInfo kSide{"side", QRect(1920, 0, 1280, 720), 110, false};
const DisplayInfo kThird{"third", QRect(-1024, 200, 1024, 768), 72, false};

class SecondaryOutputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fields.m_pFile = engine::create<engine::IMFile>(engine, engine::CLSID_FileSource);
        fields.m_FileObj = engine::query<engine::IMObject>(fields.m_pFile);
        engine.clearCalls();
    }
    void choose(int index) {
        combo.setCurrentIndex(index);
        out.ComboMonitorChange();
    }
    // Lets the windows closed so far delete themselves.
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    QStringList rendererCalls() const { return engine.callsStartingWith("preview"); }

    TempSettings settings;
    RecordingEngine engine;
    testsupport::ScriptedServices services;
    PlayerFields fields;
    QComboBox combo;
    SecondaryOutput out{{&combo}, fields, engine, services.view()};
};

const QStringList kRendererStart = {
    R"(preview2.SetProp("deinterlace", "top"))",
    R"(preview2.SetProp("object::background.direct_out", "false"))",
    R"(preview2.SetProp("object::sync_mode", "true"))",
    R"(preview2.SetWindow("", surface))",
    R"(preview2.EnableOutput("", 1, 1))",
    R"(preview2.StartFrom(file1))",
};

} // namespace

TEST_F(SecondaryOutputTest, DisplayLinesNameEveryDisplay) {
    services.displays.list = {kMain, kSide, kThird};
    out.ListaMonitores();
    ASSERT_EQ(combo.count(), 3);
    EXPECT_EQ(combo.itemText(0), "Saída 1: 1920x1080  96 ppi monitor principal - (INDISPONÍVEL)");
    EXPECT_EQ(combo.itemText(1), "Saída 2: 1280x720 110 ppi monitor secundário - (DISPONÍVEL)");
    EXPECT_EQ(combo.itemText(2), "Saída 3: 1024x768  72 ppi monitor secundário - (DISPONÍVEL)");
    services.displays.list = {kMain};
    out.ListaMonitores();
    EXPECT_EQ(combo.count(), 1);
}

TEST_F(SecondaryOutputTest, OneDisplayNeverOpensAnOutput) {
    out.RestauraSaidaHdmi();
    choose(0);
    EXPECT_EQ(out.FrmSecondMonitorOutPut(), nullptr);
    EXPECT_TRUE(rendererCalls().isEmpty());
    EXPECT_EQ(RegConfig("ler", "hdmi_out_index", ""), "0");
    // A stored choice is not restored onto a single display.
    RegConfig("escrever", "hdmi_out_index", "1");
    out.RestauraSaidaHdmi();
    EXPECT_EQ(out.FrmSecondMonitorOutPut(), nullptr);
    EXPECT_EQ(combo.currentIndex(), -1);
}

TEST_F(SecondaryOutputTest, ChoosingADisplayOpensTheOutputThereAndIndexZeroClosesIt) {
    services.displays.list = {kMain, kSide, kThird};
    out.RestauraSaidaHdmi();
    choose(1);
    auto* window = out.FrmSecondMonitorOutPut();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->pos(), kSide.bounds.topLeft());
    EXPECT_EQ(window->size(), QSize(86, 50));
    EXPECT_EQ(rendererCalls(), kRendererStart + QStringList{R"(preview2.SetFullScreen("", 1, 1))"});
    EXPECT_EQ(RegConfig("ler", "hdmi_out_index", ""), "1");

    // Another display moves the window only; the renderer keeps its display.
    engine.clearCalls();
    choose(2);
    EXPECT_EQ(out.FrmSecondMonitorOutPut(), window);
    EXPECT_EQ(window->pos(), kThird.bounds.topLeft());
    EXPECT_TRUE(rendererCalls().isEmpty());
    EXPECT_EQ(RegConfig("ler", "hdmi_out_index", ""), "2");

    QPointer<QWidget> closing = window;
    choose(0);
    EXPECT_EQ(rendererCalls(), QStringList{"preview2.CloseObject()"});
    EXPECT_EQ(out.FrmSecondMonitorOutPut(), nullptr);
    settle();
    EXPECT_TRUE(closing.isNull());
    EXPECT_EQ(RegConfig("ler", "hdmi_out_index", ""), "0");
}

TEST_F(SecondaryOutputTest, DoubleClickClosesTheOutputButKeepsTheChoice) {
    services.displays.list = {kMain, kSide};
    out.RestauraSaidaHdmi();
    choose(1);
    QTest::mouseDClick(out.FrmSecondMonitorOutPut(), Qt::LeftButton);
    EXPECT_EQ(out.FrmSecondMonitorOutPut(), nullptr);
    EXPECT_EQ(engine.callsStartingWith("preview2.CloseObject").size(), 1);
    EXPECT_EQ(combo.currentIndex(), 1);
    EXPECT_EQ(RegConfig("ler", "hdmi_out_index", ""), "1");

    // Choosing again makes a new window with a new renderer, even before the old window is gone.
    choose(1);
    ASSERT_NE(out.FrmSecondMonitorOutPut(), nullptr);
    EXPECT_EQ(engine.callsStartingWith("preview3.SetFullScreen"),
              QStringList{R"(preview3.SetFullScreen("", 1, 1))"});
    settle();
    EXPECT_TRUE(out.FrmSecondMonitorOutPut()->isVisible());
}

TEST_F(SecondaryOutputTest, StartUpRestoresTheRendererWithItsWindowHidden) {
    services.displays.list = {kMain, kSide, kThird};
    RegConfig("escrever", "hdmi_out_index", "1");
    out.RestauraSaidaHdmi();
    EXPECT_EQ(out.IndiceSaidaHdmi(), 1);
    auto* window = out.FrmSecondMonitorOutPut();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(rendererCalls(), kRendererStart + QStringList{R"(preview2.SetFullScreen("", 1, 1))"});
    EXPECT_EQ(combo.currentIndex(), 1);
    EXPECT_EQ(combo.count(), 3);

    // A later choice shows and places that window, with no new renderer.
    engine.clearCalls();
    choose(2);
    EXPECT_EQ(out.FrmSecondMonitorOutPut(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->pos(), kThird.bounds.topLeft());
    EXPECT_TRUE(rendererCalls().isEmpty());
}

TEST_F(SecondaryOutputTest, StoredIndexOutsideTheListOrUnreadable) {
    services.displays.list = {kMain, kSide};
    const struct {
        QString stored;
        int index;
        bool window;
    } cases[] = {{"5", 5, true}, {"abc", 0, false}, {"-2", -2, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.toStdString());
        RegConfig("escrever", "hdmi_out_index", c.stored);
        out.RestauraSaidaHdmi();
        EXPECT_EQ(out.IndiceSaidaHdmi(), c.index);
        EXPECT_EQ(out.FrmSecondMonitorOutPut() != nullptr, c.window);
        if (c.window)
            EXPECT_EQ(engine.callsStartingWith("preview").last(),
                      QString(R"(preview2.SetFullScreen("", 1, 5))"));
        EXPECT_EQ(combo.currentIndex(), c.index == 0 ? 0 : -1);
    }
    // The window made for the stored index closed when a later restore found nothing to restore.
    EXPECT_EQ(engine.callsStartingWith("preview2.CloseObject").size(), 1);
}

TEST_F(SecondaryOutputTest, APrimaryDisplayListedLaterCanBeChosen) {
    services.displays.list = {kSide, kMain};
    out.RestauraSaidaHdmi();
    choose(1);
    ASSERT_NE(out.FrmSecondMonitorOutPut(), nullptr);
    EXPECT_EQ(out.FrmSecondMonitorOutPut()->pos(), kMain.bounds.topLeft());
}

TEST_F(SecondaryOutputTest, TheEndOfTheProgramClosesTheRenderer) {
    services.displays.list = {kMain, kSide};
    {
        SecondaryOutput ending{{&combo}, fields, engine, services.view()};
        ending.RestauraSaidaHdmi();
        ending.ComboMonitorChange();
        combo.setCurrentIndex(1);
        ending.ComboMonitorChange();
        ASSERT_NE(ending.FrmSecondMonitorOutPut(), nullptr);
    }
    EXPECT_EQ(engine.callsStartingWith("preview2.CloseObject").size(), 1);
}
