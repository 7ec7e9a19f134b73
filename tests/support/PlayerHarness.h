#pragma once
// The main window built against the recording engine and scripted services, with its timer stopped so
// that tests tick it themselves, and a temporary recording root stored as "storage". Header only: link
// veltra_app to use it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidgetItem>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "QtPrinters.h"
#include "RecordingEngine.h"
#include "ScriptedServices.h"
#include "TFrm_Player.h"
#include "TempSettings.h"
#include "settings/RegConfig.h"
#include "widgets/ClipList.h"

namespace testsupport {

struct PlayerHarness : ::testing::Test {
    TempSettings settings;
    RecordingEngine engine;
    ScriptedServices services;
    QTemporaryDir root;
    std::unique_ptr<TFrm_Player> window;

    PlayerHarness() {
        RegConfig("escrever", "storage", QDir::toNativeSeparators(root.path()));
        // The clip list starts in the working directory; an earlier test may have removed the one it left.
        QDir::setCurrent(root.path());
    }

    // Builds, shows and activates the window (showing runs leconfig); the timer is stopped.
    TFrm_Player& open(services::Services view) {
        window = std::make_unique<TFrm_Player>(engine, view);
        window->controls().TimerPlay->stop();
        window->show();
        QApplication::setActiveWindow(window.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        return *window;
    }
    TFrm_Player& open() { return open(services.view()); }

    const PlayerControls& ui() const { return window->controls(); }
    PlayerFields& fields() { return window->fields(); }

    // One run of the window's timer, through its own binding.
    void tick() { QMetaObject::invokeMethod(ui().TimerPlay, "timeout", Qt::DirectConnection); }

    // Creates an empty file (and its folders) at a path relative to the root; returns its native path.
    QString makeFile(const QString& relative) {
        const QString path = root.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        return QDir::toNativeSeparators(path);
    }
    QString makeFolder(const QString& relative) {
        QDir().mkpath(root.filePath(relative));
        return QDir::toNativeSeparators(root.filePath(relative));
    }
    // The root as the program writes it, with one trailing separator.
    QString storage() const { return QDir::toNativeSeparators(root.path()) + QDir::separator(); }

    // Clicks entry `row` of the clip list like the operator, optionally holding Ctrl.
    void clickEntry(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        widgets::ClipList* list = ui().FileList;
        const QRect rect = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, rect.center());
    }

    // The engine calls made so far, without the timer's polling.
    QStringList callsBesidesPolling() const {
        QStringList calls = engine.calls();
        calls.removeIf([](const QString& c) {
            return c.endsWith(".GetInOut()") || c.endsWith(".GetPosition()") || c.endsWith(".GetState()");
        });
        return calls;
    }
};

} // namespace testsupport
