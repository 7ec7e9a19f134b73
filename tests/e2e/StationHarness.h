#pragma once
// The station as an operator finds it: a day of sample recordings under the storage root, the main
// window on the real engine, and the operator's mouse and keyboard. Message boxes and the date are
// scripted so that the test can read them; the save dialog is Qt's own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <optional>

#include "QtPrinters.h"
#include "ScriptedServices.h"
#include "TFrm_Player.h"
#include "Theme.h"
#include "TempSettings.h"
#include "engine_ffmpeg/FfmpegEngine.h"
#include "samples/SampleClips.h"
#include "settings/RegConfig.h"
#include "widgets/BitmapButton.h"
#include "widgets/ClipList.h"
#include "widgets/DatePicker.h"
#include "widgets/PositionBar.h"
#include "widgets/PreviewPanel.h"
#include "widgets/QtServices.h"
#include "widgets/RadioGroup.h"

namespace e2e {

// The day the sample recordings were made, and the station's today, the day after.
inline const QDate kRecordingDay{2025, 7, 4};
inline const QDate kToday{2025, 7, 5};

struct StationHarness : ::testing::Test {
    TempSettings settings;
    QTemporaryDir root;
    std::unique_ptr<engine::IEngineFactory> engine = engine::ff::makeFfmpegEngine();
    testsupport::ScriptedServices scripted;
    services::QtSaveFileDialog saveDialog;
    services::QtDisplayList displays;
    std::unique_ptr<TFrm_Player> window;

    StationHarness() {
        scripted.dates.todayDate = kToday;
        RegConfig("escrever", "storage", QDir::toNativeSeparators(root.path()));
        QDir::setCurrent(root.path());
    }

    ~StationHarness() override {
        if (window)
            window->close();
    }

    void SetUp() override {
        ASSERT_NO_THROW(samples::writeSampleDay(root.path(), kRecordingDay, samples::SampleDay::DayBefore,
                                               samples::InputSize::Small));
        applyTheme(*qApp, QStringLiteral("Carbon"), scripted.messages);
        window = std::make_unique<TFrm_Player>(
            *engine, services::Services{scripted.messages, saveDialog, scripted.folderChooser, displays,
                                        scripted.dates});
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        // Today has no recordings, and the station says so as it opens.
        ASSERT_EQ(scripted.messages.shown,
                  QStringList{QString::fromUtf8("Não há arquivos do canal gravados na data selecionada!")});
        scripted.messages.shown.clear();
    }

    const PlayerControls& ui() const { return window->controls(); }
    PlayerFields& fields() { return window->fields(); }

    // --- What the operator does ---------------------------------------------------------------------
    void chooseDate(QDate day) {
        ui().ComboData->setDate(day);
        emit ui().ComboData->closeUp();
    }
    // Clicks a control once it shows and takes clicks: in the middle, or at `at`.
    void click(QWidget* control, std::optional<QPoint> at = {}) {
        ASSERT_TRUE(waitFor([control] { return control->isVisible() && control->isEnabled(); }, 2000))
            << control->objectName().toStdString();
        QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, at.value_or(control->rect().center()));
    }
    // A radio item is clicked on its mark or caption, as its style lays them out: its row may be
    // wider than both.
    void chooseItem(widgets::RadioGroup* group, int index) {
        QRadioButton* item = group->button(index);
        ASSERT_TRUE(item);
        QStyleOptionButton option;
        option.initFrom(item);
        option.text = item->text();
        const QRect area = item->style()->subElementRect(QStyle::SE_RadioButtonClickRect, &option, item);
        click(item, area.center());
    }
    void chooseChannel(int index) { chooseItem(ui().RGCanal, index); }
    void chooseSpeed(int index) { chooseItem(ui().RGSpeedPlay, index); }
    // Clicks the listed clip of that name; fails the test when it is not listed.
    void clickClip(const QString& name) {
        widgets::ClipList* list = ui().FileList;
        const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString() << " in " << listedClips().join(", ").toStdString();
        list->scrollToItem(found.first());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(found.first()).center());
    }
    // A key pressed with the focus wherever the last click left it.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : window.get(), key, modifiers);
    }

    // --- What the operator sees ---------------------------------------------------------------------
    QStringList listedClips() const {
        QStringList names;
        for (int i = 0; i < ui().FileList->count(); ++i)
            names << ui().FileList->item(i)->text();
        return names;
    }
    QString counter() const { return ui().TempoAtual->text(); }
    int bar() const { return ui().TBPlay->position(); }
    // The frame number burnt into the picture the preview panel shows, or -1.
    int64_t shownFrame() const { return samples::readFrameCode(ui().panelPreviewPlay->picture()); }

    // Runs the event loop (the window's own timer ticks) until `done` holds; false after `ms`.
    static bool waitFor(const std::function<bool()>& done, int ms = 10000) { return QTest::qWaitFor(done, ms); }

    // Waits until the position the window reads stops moving (after a pause has reached the engine).
    bool waitUntilStill() {
        return waitFor([&] {
            const double before = fields().PlayPosition;
            QTest::qWait(150);
            return fields().PlayPosition == before;
        });
    }

    // Saves what the screen shows when E2E_SCREENSHOTS names a folder (for looking at it by eye).
    void screenshot(const QString& name) const {
        const QString folder = qEnvironmentVariable("E2E_SCREENSHOTS");
        if (!folder.isEmpty() && QDir().mkpath(folder))
            window->grab().save(QDir(folder).filePath(name + ".png"));
    }
};

} // namespace e2e
