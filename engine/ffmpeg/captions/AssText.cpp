#include "captions/AssText.h"

#include <QStringList>

namespace engine::ff {

QString textOfAssEvent(const QString& assEvent) {
    // The text is everything after the eighth comma (it may itself hold commas).
    int pos = 0;
    for (int field = 0; field < 8; ++field) {
        pos = assEvent.indexOf(QLatin1Char(','), pos);
        if (pos < 0)
            return assEvent;
        ++pos;
    }
    QString text;
    const QString raw = assEvent.mid(pos);
    for (int i = 0; i < raw.size(); ++i) {
        const QChar ch = raw[i];
        if (ch == QLatin1Char('{')) {
            const int close = raw.indexOf(QLatin1Char('}'), i);
            if (close >= 0) {
                i = close;
                continue;
            }
        }
        if (ch == QLatin1Char('\\') && i + 1 < raw.size()) {
            const QChar next = raw[i + 1];
            if (next == QLatin1Char('N') || next == QLatin1Char('n')) {
                text += QLatin1Char('\n');
                ++i;
                continue;
            }
            if (next == QLatin1Char('h')) {
                text += QLatin1Char(' ');
                ++i;
                continue;
            }
        }
        text += ch;
    }
    return text;
}

CaptionScreen screenFromText(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.back().trimmed().isEmpty())
        lines.removeLast();
    while (!lines.isEmpty() && lines.front().trimmed().isEmpty())
        lines.removeFirst();
    if (lines.size() > kCaptionRows)
        lines = lines.mid(lines.size() - kCaptionRows);
    CaptionScreen screen;
    screen.rows.assign(kCaptionRows, QString());
    const int first = kCaptionRows - int(lines.size());
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        line.remove(QLatin1Char('\r'));
        screen.rows[size_t(first + i)] = line;
    }
    return screen;
}

} // namespace engine::ff
