#include "captions/SubtitleText.h"

#include "captions/AssText.h"

namespace engine::ff {

std::shared_ptr<const CaptionScreen> screenOfSubtitle(const AVSubtitle& subtitle) {
    QString text;
    for (unsigned i = 0; i < subtitle.num_rects; ++i) {
        const AVSubtitleRect* rect = subtitle.rects[i];
        QString part;
        if (rect->type == SUBTITLE_ASS && rect->ass)
            part = textOfAssEvent(QString::fromUtf8(rect->ass));
        else if (rect->type == SUBTITLE_TEXT && rect->text)
            part = QString::fromUtf8(rect->text);
        if (part.isEmpty())
            continue;
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += part;
    }
    return std::make_shared<CaptionScreen>(screenFromText(text));
}

} // namespace engine::ff
