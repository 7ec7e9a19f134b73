// Every bound control and keyboard action of the main window, worked as the operator works it, and the
// handler that ran, told apart by what it did: engine calls, cue fields and labels, settings written,
// dialogs opened. Each handler leaves a trace no other one leaves, so a control bound to a sibling's
// handler fails its row.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>
#include <cctype>
#include <functional>

#include "PlayerHarness.h"
#include "engine/ClassIds.h"
#include "widgets/AutoSizeLabel.h"
#include "widgets/BitmapButton.h"
#include "widgets/CheckBox.h"
#include "widgets/DatePicker.h"
#include "widgets/PositionBar.h"
#include "widgets/RadioGroup.h"
#include "widgets/StatusStrip.h"

namespace {

const QString kClipName = QString::fromUtf8("Edição das 7.mxf");
const QString kOpenParameters =
    "external_process=false experimental.mfcodecs=true experimental.out_video_packets=true";
// Marks and positions that differ from each other, so that every handler's trace is its own.
constexpr double kCueIn = 2, kCueOut = 5, kPlayPosition = 3, kEnginePosition = 4, kDuration = 10;

QString number(double d) {
    return QString::number(d, 'g', QLocale::FloatingPointShortest);
}
QString seekTo(double position) {
    return "file1.SetPosition(" + number(position) + ", 0)";
}
// The channel map with every output carrying its own channel except those listed.
QString mapCall(std::initializer_list<int> silenced) {
    QStringList entries;
    for (int k = 0; k < 16; ++k)
        entries << QString::number(std::find(silenced.begin(), silenced.end(), k) == silenced.end() ? k : -1);
    return R"(file1.SetProp("object::audio_channels", ")" + entries.join(',') + "\")";
}

struct Bindings;
struct BindingCase {
    const char* control;
    std::function<void(Bindings&)> operate;
    std::function<void(Bindings&)> expectEffect;
};
void PrintTo(const BindingCase& c, std::ostream* os) {
    *os << c.control;
}

// The window on a day with two channels, the clip of the first one selected, marks set, the source
// running at a known position.
struct Bindings : testsupport::PlayerHarness, ::testing::WithParamInterface<BindingCase> {
    QString clip;
    QDate otherDay{2025, 7, 4};
    int setupDialogsSeen = 0;

    void SetUp() override {
        services.displays.list.push_back({"second", QRect(1920, 0, 1280, 720), 96, false});
        clip = makeFile("2025/07/05/canal1/" + kClipName);
        makeFile("2025/07/05/canal1/notes.txt");
        makeFolder("2025/07/05/canal2");
        makeFolder("2025/07/04/canal1");
        open();
        ui().RGCanal->button(0)->click();
        ASSERT_EQ(ui().FileList->item(0)->text(), kClipName);
        clickEntry(0);
        fields().Cue_In = kCueIn;
        fields().Cue_Out = kCueOut;
        fields().PlayPosition = kPlayPosition;
        engine.presets().position = kEnginePosition;
        engine.presets().duration = kDuration;
        engine.presets().sourceState = 3;
        services.messages.shown.clear();
        engine.clearCalls();
    }

    // --- The operator's hands -------------------------------------------------------------------
    static void click(QWidget* control) {
        ASSERT_TRUE(control->isVisible() && control->isEnabled()) << control->objectName().toStdString();
        QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, control->rect().center());
    }
    // Keys go to the clip list, where the focus usually is.
    void press(QKeyCombination keys) {
        ui().FileList->setFocus();
        QTest::keyClick(ui().FileList, keys.key(), keys.keyboardModifiers());
    }
    QStringList listed() const {
        QStringList names;
        for (int i = 0; i < ui().FileList->count(); ++i)
            names << ui().FileList->item(i)->text();
        return names;
    }

    // --- What a handler leaves --------------------------------------------------------------------
    QStringList playSequence(double in, double out) const {
        return {R"(file1.OpenName("", "loop=false"))",
                "file1.OpenName(\"" + clip + "\", \"" + kOpenParameters + "\")",
                "file1.SetInOut(" + number(in) + ", " + number(out) + ")", seekTo(in), "file1.PlayFile()"};
    }
    void expectOnlyCalls(const QStringList& expected) {
        EXPECT_EQ(callsBesidesPolling(), expected) << callsBesidesPolling().join('\n').toStdString();
        EXPECT_TRUE(services.messages.shown.isEmpty()) << services.messages.shown.join('\n').toStdString();
    }
    void expectMarkedIn() {
        EXPECT_EQ(fields().Cue_In, kPlayPosition);
        EXPECT_EQ(fields().Cue_Out, kCueOut);
        EXPECT_EQ(ui().Lblcue_in->text(), "00:00:03:00");
        EXPECT_EQ(ui().Lblcue_out->text(), "00:00:00:00");
        EXPECT_FALSE(ui().BtExportar->isEnabled());
        expectOnlyCalls({});
    }
    void expectMarkedOut() {
        EXPECT_EQ(fields().Cue_In, kCueIn);
        EXPECT_EQ(fields().Cue_Out, kPlayPosition);
        EXPECT_EQ(ui().Lblcue_in->text(), "00:00:00:00");
        EXPECT_EQ(ui().Lblcue_out->text(), "00:00:03:00");
        EXPECT_EQ(ui().LblParcial->text(), "00:00:01:00");
        EXPECT_TRUE(ui().BtExportar->isEnabled());
        expectOnlyCalls({});
    }
};

const BindingCase kCases[] = {
    // Cue points.
    {"BtCueIn", [](Bindings& t) { t.click(t.ui().BtCueIn); }, [](Bindings& t) { t.expectMarkedIn(); }},
    {"CueIN Ctrl+I", [](Bindings& t) { t.press(Qt::CTRL | Qt::Key_I); },
     [](Bindings& t) { t.expectMarkedIn(); }},
    {"btCueOut", [](Bindings& t) { t.click(t.ui().btCueOut); }, [](Bindings& t) { t.expectMarkedOut(); }},
    {"CueOut Ctrl+O", [](Bindings& t) { t.press(Qt::CTRL | Qt::Key_O); },
     [](Bindings& t) { t.expectMarkedOut(); }},
    {"BTGoIn <<", [](Bindings& t) { t.click(t.ui().BTGoIn); },
     [](Bindings& t) {
         t.expectOnlyCalls({"file1.PauseFile(0)", seekTo(kCueIn)});
     }},
    {"BtGoOut >>", [](Bindings& t) { t.click(t.ui().BtGoOut); },
     [](Bindings& t) {
         t.expectOnlyCalls({"file1.PauseFile(0)", seekTo(kCueOut)});
     }},
    {"BtExportar",
     [](Bindings& t) {
         t.ui().BtExportar->setEnabled(true);
         t.click(t.ui().BtExportar);
     },
     [](Bindings& t) {
         EXPECT_EQ(t.services.saveDialog.requests.size(), 1u);
         EXPECT_EQ(t.engine.createdCount(engine::CLSID_FileWriter), 1);
     }},

    // Transport.
    {"BtPlay", [](Bindings& t) { t.click(t.ui().BtPlay); },
     [](Bindings& t) { t.expectOnlyCalls(t.playSequence(kCueIn, kCueOut)); }},
    {"BtPausa", [](Bindings& t) { t.click(t.ui().BtPausa); },
     [](Bindings& t) { t.expectOnlyCalls({"file1.PauseFile(0)"}); }},
    {"Pause Ctrl+Space", [](Bindings& t) { t.press(Qt::CTRL | Qt::Key_Space); },
     [](Bindings& t) { t.expectOnlyCalls({"file1.PauseFile(0)"}); }},
    {"BtStop", [](Bindings& t) { t.click(t.ui().BtStop); },
     [](Bindings& t) { t.expectOnlyCalls({"file1.StopFile(0)"}); }},
    {"Forward Ctrl+Right", [](Bindings& t) { t.press(Qt::CTRL | Qt::Key_Right); },
     [](Bindings& t) { t.expectOnlyCalls({seekTo(kEnginePosition + 1.0 / 30)}); }},
    {"Rewind Ctrl+Left", [](Bindings& t) { t.press(Qt::CTRL | Qt::Key_Left); },
     [](Bindings& t) { t.expectOnlyCalls({seekTo(kEnginePosition - 1.0 / 30)}); }},
    {"FFW Ctrl+Shift+Right", [](Bindings& t) { t.press(Qt::CTRL | Qt::SHIFT | Qt::Key_Right); },
     [](Bindings& t) { t.expectOnlyCalls({seekTo(kEnginePosition + 1)}); }},
    {"REW Ctrl+Shift+Left", [](Bindings& t) { t.press(Qt::CTRL | Qt::SHIFT | Qt::Key_Left); },
     [](Bindings& t) { t.expectOnlyCalls({seekTo(kEnginePosition - 1)}); }},
    {"GoEnd Ctrl+Up", [](Bindings& t) { t.press(Qt::CTRL | Qt::Key_Up); },
     [](Bindings& t) {
         t.expectOnlyCalls({"file1.SetInOut(0, 0)", seekTo(kDuration * 999 / 1000)});
     }},
    {"GoStart Ctrl+Down",
     [](Bindings& t) {
         t.ui().TBPlay->setPosition(500); // where the timer left it; no seek without the seeking flag
         t.press(Qt::CTRL | Qt::Key_Down);
     },
     [](Bindings& t) {
         t.expectOnlyCalls({"file1.SetInOut(0, 0)", seekTo(0)});
     }},
    {"TBPlay press, release",
     [](Bindings& t) {
         widgets::PositionBar* bar = t.ui().TBPlay;
         QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(bar->width() / 4, bar->height() / 2));
     },
     [](Bindings& t) {
         // Down raises the seeking flag, the jump seeks, the release sends the channel map and lowers it.
         const int at = t.ui().TBPlay->position();
         EXPECT_GT(at, 100);
         EXPECT_LT(at, 400);
         t.expectOnlyCalls({"file1.SetInOut(0, 0)", seekTo(kDuration * at / 1000), mapCall({})});
         EXPECT_EQ(t.ui().TBPlay->tag(), 0);
     }},
    {"RGSpeedPlay", [](Bindings& t) { t.ui().RGSpeedPlay->button(2)->click(); },
     [](Bindings& t) {
         EXPECT_TRUE(t.ui().checkBoxAudio->isChecked());
         t.expectOnlyCalls({R"(preview2.EnableOutput("", 1, 1))", "file1.SetRate(4)"});
     }},
    {"TimerPlay", [](Bindings& t) { t.tick(); },
     [](Bindings& t) {
         EXPECT_EQ(t.fields().PlayPosition, kEnginePosition);
         EXPECT_EQ(t.ui().TempoAtual->text(), "00:00:04:00");
         EXPECT_EQ(t.ui().LblDuracao->text(), "00:00:10:00");
         EXPECT_EQ(t.ui().TBPlay->position(), 400);
     }},

    // Sound, meter and captions.
    {"checkBoxAudio", [](Bindings& t) { t.ui().checkBoxAudio->click(); },
     [](Bindings& t) { t.expectOnlyCalls({R"(preview2.EnableOutput("", 1, 1))"}); }},
    {"CHKVU", [](Bindings& t) { t.ui().CHKVU->click(); },
     [](Bindings& t) {
         t.expectOnlyCalls({R"(preview2.SetProp("overlay_rms", "1"))",
                            R"(preview2.SetProp("overlay_rms.ch", "1"))",
                            R"(preview2.SetProp("overlay_rms.pos", "0.01"))",
                            R"(preview2.SetProp("overlay_rms.color", "green"))"});
     }},
    {"ChKCC", [](Bindings& t) { t.ui().ChKCC->click(); },
     [](Bindings& t) {
         EXPECT_EQ(t.engine.createdCount(engine::CLSID_CaptionPlugin), 1);
         EXPECT_EQ(t.engine.callsStartingWith("file1.AttachPlugin").size(), 1);
     }},
    {"RgAudioSelect", [](Bindings& t) { t.ui().RgAudioSelect->button(1)->click(); },
     [](Bindings& t) {
         ASSERT_FALSE(t.callsBesidesPolling().isEmpty());
         EXPECT_EQ(t.callsBesidesPolling().last(),
                   mapCall({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
     }},
    {"CHk1..CHk16",
     [](Bindings& t) { t.ui().RgAudioSelect->button(2)->click(); }, // only the ticked boxes are heard
     [](Bindings& t) {
         for (int k = 0; k < 16; ++k) {
             t.engine.clearCalls();
             t.ui().CHk[size_t(k)]->click();
             EXPECT_EQ(t.callsBesidesPolling(), QStringList{mapCall({k})}) << "CHk" << k + 1;
             t.ui().CHk[size_t(k)]->click();
         }
     }},

    // Clip library.
    {"FileList click", [](Bindings& t) { t.clickEntry(0); },
     [](Bindings& t) {
         EXPECT_EQ(t.ui().PainelArquivo->text(), " Arquivo de vídeo selecionado: " + t.clip);
         EXPECT_EQ(t.fields().Cue_In, 0);
         EXPECT_EQ(t.fields().Cue_Out, 0);
         t.expectOnlyCalls({R"(file1.OpenName("", "loop=false"))"});
     }},
    {"FileList double click",
     [](Bindings& t) {
         widgets::ClipList* list = t.ui().FileList;
         QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                            list->visualItemRect(list->item(0)).center());
     },
     [](Bindings& t) {
         const QStringList calls = t.callsBesidesPolling();
         ASSERT_GE(calls.size(), 5);
         EXPECT_EQ(calls.mid(calls.size() - 5), t.playSequence(t.fields().Cue_In, t.fields().Cue_Out))
             << calls.join('\n').toStdString();
     }},
    {"BtAtualizar",
     [](Bindings& t) {
         t.makeFile("2025/07/05/canal1/Edição das 8.mxf");
         t.click(t.ui().BtAtualizar);
     },
     [](Bindings& t) {
         EXPECT_TRUE(t.listed().contains(QString::fromUtf8("Edição das 8.mxf")))
             << t.listed().join(", ").toStdString();
     }},
    {"BtExcluir", [](Bindings& t) { t.click(t.ui().BtExcluir); },
     [](Bindings& t) {
         EXPECT_FALSE(QFile::exists(t.clip));
         EXPECT_EQ(t.listed(), QStringList{"notes.txt"});
     }},
    {"ComboData",
     [](Bindings& t) {
         t.ui().ComboData->setDate(t.otherDay);
         emit t.ui().ComboData->closeUp();
     },
     [](Bindings& t) {
         EXPECT_EQ(RegConfig("ler", "ult_data", ""), "04/07/2025");
         EXPECT_EQ(QDir(t.ui().LblPasta->text()), QDir(t.root.filePath("2025/07/04")));
     }},
    {"RGCanal", [](Bindings& t) { t.ui().RGCanal->button(1)->click(); },
     [](Bindings& t) {
         EXPECT_EQ(QDir(t.ui().LblPasta->text()), QDir(t.root.filePath("2025/07/05/canal2")));
         EXPECT_TRUE(t.listed().isEmpty());
     }},
    {"RgExtensao", [](Bindings& t) { t.ui().RgExtensao->button(1)->click(); },
     [](Bindings& t) {
         EXPECT_TRUE(t.listed().contains(kClipName)) << t.listed().join(", ").toStdString();
         EXPECT_FALSE(t.listed().contains("notes.txt")) << "only video files";
     }},

    // Second display and setup.
    {"ComboMonitor",
     [](Bindings& t) {
         t.ui().ComboMonitor->setFocus();
         QTest::keyClick(t.ui().ComboMonitor, Qt::Key_Down);
     },
     [](Bindings& t) {
         EXPECT_EQ(RegConfig("ler", "hdmi_out_index", ""), "1");
         EXPECT_EQ(t.engine.createdCount(engine::CLSID_PreviewRenderer), 2) << "the output's own renderer";
     }},
    {"BtSetup",
     [](Bindings& t) {
         QTimer::singleShot(0, [&t] {
             if (QDialog* dialog = t.window->setupDialog()) {
                 ++t.setupDialogsSeen;
                 dialog->reject();
             }
         });
         t.click(t.ui().BtSetup);
     },
     [](Bindings& t) {
         EXPECT_EQ(t.setupDialogsSeen, 1);
         EXPECT_EQ(t.window->setupDialog(), nullptr);
     }},
};

TEST_P(Bindings, EachControlAndKeyRunsItsOwnHandler) {
    GetParam().operate(*this);
    GetParam().expectEffect(*this);
}

INSTANTIATE_TEST_SUITE_P(MainWindow, Bindings, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string name;
    for (const char c : std::string(info.param.control))
        if (std::isalnum(static_cast<unsigned char>(c)))
            name += c;
    return name;
});

} // namespace
