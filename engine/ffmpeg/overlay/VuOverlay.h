#pragma once
// The VU meter drawn over a preview picture: one vertical bar per routed channel, bottom-left of the
// picture, scale -60..0 dBFS. The bar shows RMS, a line above it the peak; levels above -9 dBFS turn
// yellow, above -3 dBFS red. Called on whatever thread composes the picture; no shared state.
#include <QColor>
#include <QPainter>
#include <QRect>
#include <QString>
#include <vector>

#include "overlay/LevelMeter.h"

namespace engine::ff {

struct VuOptions {
    bool channelNumbers = true;       // "overlay_rms.ch": number under each bar (1-based)
    double margin = 0.01;             // "overlay_rms.pos": distance from the picture edges, fraction of it
    QColor color = QColor(Qt::green); // "overlay_rms.color"

    // From the renderer's property texts: ch "1"/"0"; pos a number in [0, 0.4] (else 0.01);
    // color any name QColor knows ("green", "#00ff00"; else green).
    static VuOptions fromProps(const QString& ch, const QString& pos, const QString& color);
};

void drawVuOverlay(QPainter& painter, const QRect& picture, const std::vector<ChannelLevel>& levels,
                   const VuOptions& options);

} // namespace engine::ff
