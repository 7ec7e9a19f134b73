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
    // 608 captions are laid out for a 4:3 picture: on a wider one they keep to its centred 4:3 part.
    const double areaWidth = std::min<double>(picture.width(), picture.height() * 4.0 / 3.0) * kSafeArea;
    const double areaHeight = picture.height() * kSafeArea;
    const QRectF safe(picture.left() + (picture.width() - areaWidth) / 2,
                      picture.top() + (picture.height() - areaHeight) / 2, areaWidth, areaHeight);
    const double rowHeight = safe.height() / kCaptionRows;
    const double columnWidth = safe.width() / kColumns;

    painter.save();
    QFont font = captionFont(rowHeight);
    QFontMetricsF metrics(font);
    // Narrow the font when its cells are wider than a column.
    const double cell = metrics.horizontalAdvance(QLatin1Char('M'));
    if (cell > columnWidth) {
        font.setPixelSize(std::max(6, int(font.pixelSize() * columnWidth / cell)));
        metrics = QFontMetricsF(font);
    }
    painter.setFont(font);
    const double pad = metrics.horizontalAdvance(QLatin1Char(' ')) / 2;

    // Rows are laid out from the bottom of a 15-row screen: the last rows sit in the lower third.
    const int rows = std::min<int>(int(screen.rows.size()), kCaptionRows);
    const int firstRow = kCaptionRows - rows;
    for (int r = 0; r < rows; ++r) {
        const QString& row = screen.rows[size_t(screen.rows.size()) - size_t(rows) + size_t(r)];
        const QString text = row.trimmed();
        if (text.isEmpty())
            continue;
        const int indent = int(row.indexOf(text));
        QRectF box(safe.left() + indent * columnWidth, safe.top() + (firstRow + r) * rowHeight,
                   metrics.horizontalAdvance(text) + 2 * pad, rowHeight);
        box = box.intersected(QRectF(picture));
        painter.fillRect(box, Qt::black);
        painter.setPen(Qt::white);
        painter.drawText(box.adjusted(pad, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    }
    painter.restore();
}

} // namespace engine::ff
