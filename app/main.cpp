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
    window.show();
    return app.exec();
}
