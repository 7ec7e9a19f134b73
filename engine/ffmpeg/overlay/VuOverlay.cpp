#include "overlay/VuOverlay.h"

#include <algorithm>

namespace engine::ff {
namespace {
constexpr float kScaleBottomDb = -60.f;
constexpr float kYellowDb = -9.f;
constexpr float kRedDb = -3.f;

// Fraction of the bar height for a level.
double heightFraction(float db) {
    return std::clamp((db - kScaleBottomDb) / -kScaleBottomDb, 0.f, 1.f);
}
} // namespace

VuOptions VuOptions::fromProps(const QString& ch, const QString& pos, const QString& color) {
    VuOptions o;
    o.channelNumbers = ch.trimmed() != QLatin1String("0");
    bool ok = false;
    const double margin = pos.trimmed().toDouble(&ok);
    if (ok && margin >= 0 && margin <= 0.4)
        o.margin = margin;
    const QColor named = QColor::fromString(color.trimmed());
    if (named.isValid())
        o.color = named;
    return o;
}

void drawVuOverlay(QPainter& painter, const QRect& picture, const std::vector<ChannelLevel>& levels,
                   const VuOptions& options) {
    if (levels.empty() || picture.isEmpty())
        return;
    const int n = int(levels.size());
    const int marginX = int(picture.width() * options.margin);
    const int marginY = int(picture.height() * options.margin);
    // The meter keeps to the left 18% of the width (clear of centred captions) and 40% of the height.
    const int barWidth = std::max(2, std::min(int(picture.width() * 0.18 / n * 0.75), picture.height() / 40));
    const int gap = std::max(1, barWidth / 3);
    const int numberHeight = options.channelNumbers ? std::max(7, (barWidth + gap) * 3 / 4) : 0;
    const int barHeight = std::max(8, int(picture.height() * 0.4));
    const int width = n * barWidth + (n + 1) * gap;
    const QRect panel(picture.left() + marginX,
                      picture.bottom() + 1 - marginY - barHeight - numberHeight - 2 * gap, width,
                      barHeight + numberHeight + 2 * gap);

    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 140));
    painter.drawRect(panel);

    const int barsBottom = panel.top() + gap + barHeight;
    for (int c = 0; c < n; ++c) {
        const int x = panel.left() + gap + c * (barWidth + gap);
        const float rms = levels[size_t(c)].rmsDb;
        const int h = int(barHeight * heightFraction(rms));
        if (h > 0) {
            const QColor fill = rms > kRedDb      ? QColor(Qt::red)
                                : rms > kYellowDb ? QColor(Qt::yellow)
                                                  : options.color;
            painter.setBrush(fill);
            painter.drawRect(QRect(x, barsBottom - h, barWidth, h));
        }
        const float peak = levels[size_t(c)].peakDb;
        if (peak > kScaleBottomDb) {
            const int y = barsBottom - std::max(1, int(barHeight * heightFraction(peak)));
            painter.setBrush(options.color.lighter(150));
            painter.drawRect(QRect(x, y, barWidth, std::max(1, barWidth / 4)));
        }
    }

    if (options.channelNumbers) {
        QFont font = painter.font();
        // Two digits fit under a bar.
        font.setPixelSize(std::max(6, numberHeight - 1));
        painter.setFont(font);
        painter.setPen(options.color);
        for (int c = 0; c < n; ++c) {
            const QRect cell(panel.left() + gap / 2 + c * (barWidth + gap), barsBottom + gap / 2,
                             barWidth + gap, numberHeight);
            painter.drawText(cell, Qt::AlignHCenter | Qt::AlignTop, QString::number(c + 1));
        }
    }
    painter.restore();
}

} // namespace engine::ff
