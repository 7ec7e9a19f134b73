#pragma once
// The player program as the operator starts it, with a settings store of its own: single-folder mode on
// an empty folder, so it opens without a message, plus whatever settings the test adds.
#include <QDir>
#include <QMap>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "XWindowProperties.h"

namespace e2e {

struct RunningPlayer {
    QTemporaryDir home;
    QProcess player;

    explicit RunningPlayer(const QMap<QString, QString>& settings = {}) {
        QDir(home.path()).mkpath("recordings");
        QSettings store(home.filePath("config/Orvanta/VELTRA-PLAYER-2025.conf"), QSettings::IniFormat);
        store.setValue("storage", QDir::toNativeSeparators(home.filePath("recordings")));
        store.setValue("UnificaFolder", "-1");
        for (auto it = settings.begin(); it != settings.end(); ++it)
            store.setValue(it.key(), it.value());
        store.sync();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("SDL_AUDIODRIVER", "dummy");
        player.setProcessEnvironment(environment);
        player.setProcessChannelMode(QProcess::ForwardedChannels);
        player.start(QStringLiteral(PLAYER_PROGRAM), {});
    }
    // The main window as the window manager lists it, once its caption is set; 0 when none shows.
    WId mainWindow() const {
        WId main = 0;
        (void)QTest::qWaitFor(
            [&] {
                for (WId window : xClientWindows())
                    if (xTextProperty(window, "_NET_WM_NAME").contains("release"))
                        main = window;
                return main != 0;
            },
            60000);
        return main;
    }
    ~RunningPlayer() {
        player.terminate();
        if (!player.waitForFinished(10000))
            player.kill();
        player.waitForFinished(5000);
    }
};

} // namespace e2e
