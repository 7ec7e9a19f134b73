#include "captions/CaptionPainter.h"

#include <QFont>
#include <QFontMetricsF>
#include <algorithm>

#include "captions/AssText.h"

namespace engine::ff {
namespace {
constexpr int kColumns = 32;
constexpr double kSafeArea = 0.8;

QFont captionFont(double rowHeight) {
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(std::max(6, int(rowHeight * 0.8)));
    return font;
}
} // namespace

void drawCaptions(QPainter& painter, const QRect& picture, const CaptionScreen& screen) {
    if (screen.empty() || picture.isEmpty())
        return;
    const QRectF safe(picture.left() + picture.width() * (1 - kSafeArea) / 2,
                      picture.top() + picture.height() * (1 - kSafeArea) / 2, picture.width() * kSafeArea,
                      picture.height() * kSafeArea);
    const double rowHeight = safe.height() / kCaptionRows;
    const double columnWidth = safe.width() / kColumns;

    painter.save();
    QFont font = captionFont(rowHeight);
    QFontMetricsF metrics(font);
    // Narrow the font when 32 of its cells would not fit the safe area's width.
    const double cell = metrics.horizontalAdvance(QLatin1Char('M'));
    if (cell > columnWidth) {
        font.setPixelSize(std::max(6, int(font.pixelSize() * columnWidth / cell)));
        metrics = QFontMetricsF(font);
    }
    painter.setFont(font);

    // Rows are laid out from the bottom of a 15-row screen: the last rows sit in the lower third.
    const int rows = std::min<int>(int(screen.rows.size()), kCaptionRows);
    const int firstRow = kCaptionRows - rows;
    for (int r = 0; r < rows; ++r) {
        const QString& row = screen.rows[size_t(screen.rows.size()) - size_t(rows) + size_t(r)];
        const QString text = row.trimmed();
        if (text.isEmpty())
            continue;
        const int indent = int(row.indexOf(text));
        const double textWidth = std::max(metrics.horizontalAdvance(text), columnWidth * text.size());
        QRectF box(safe.left() + indent * columnWidth, safe.top() + (firstRow + r) * rowHeight,
                   textWidth + columnWidth, rowHeight);
        box = box.intersected(QRectF(picture));
        painter.fillRect(box, Qt::black);
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignCenter, text);
    }
    painter.restore();
}

} // namespace engine::ff
