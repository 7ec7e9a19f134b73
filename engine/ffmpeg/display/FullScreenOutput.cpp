#include "display/FullScreenOutput.h"

#include <QGuiApplication>
#include <QScreen>

#include "display/VideoWindow.h"

namespace engine::ff {

FullScreenOutput::FullScreenOutput(int displayIndex) : displayIndex_(displayIndex) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (displayIndex < 0 || displayIndex >= screens.size())
        return;
    QScreen* screen = screens[displayIndex];

    window_ = std::make_unique<VideoWindow>(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window_->setWindowTitle(QStringLiteral("Saída %1").arg(displayIndex + 1));
    // An output, not a window of the program's own: it never keeps the program running.
    window_->setAttribute(Qt::WA_QuitOnClose, false);
    VideoWindow* window = window_.get();
    window->setScreen(screen);
    window->setGeometry(screen->geometry());
    QObject::connect(screen, &QScreen::geometryChanged, window,
                     [window](const QRect& geometry) { window->setGeometry(geometry); });
    // The display went away: hide rather than show on whatever screen Qt picks.
    QObject::connect(screen, &QObject::destroyed, window, [window] { window->hide(); });
    window->show();
    window->raise();
}

FullScreenOutput::~FullScreenOutput() = default;

bool FullScreenOutput::isShowing() const {
    return window_ && window_->isVisible();
}

IVideoSurface* FullScreenOutput::surface() const {
    return window_.get();
}

} // namespace engine::ff
