// The playback station: applies the dark theme, opens the main window and runs until it closes.
#include <QApplication>

#include "TFrm_Player.h"
#include "Theme.h"
#include "engine_ffmpeg/FfmpegEngine.h"
#include "widgets/QtServices.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The program's name for message boxes and untitled windows. Not the display name: Qt would add that
    // to every window's caption.
    QApplication::setApplicationName(QStringLiteral("VELTRA-PLAYER-2025"));
    services::QtServices platform;
    applyTheme(app, QStringLiteral("Carbon"), platform.messages);
    const std::unique_ptr<engine::IEngineFactory> engine = engine::ff::makeFfmpegEngine();
    TFrm_Player window(*engine, platform.view());
    // The program ends with its main window, whatever else still shows (the second display's output, a
    // dialog), not with the last window Qt counts.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&window, &TFrm_Player::closed, &app, &QCoreApplication::quit);
    window.show();
    return app.exec();
}
