#include "widgets/StatusStrip.h"

namespace widgets {

StatusStrip::StatusStrip(const QString& usualText, QWidget* parent) : QLabel(usualText, parent) {
    texts_[size_t(Layer::Usual)] = usualText;
}

void StatusStrip::say(Layer layer, const QString& text) {
    texts_[size_t(layer)] = text;
    if (layer == Layer::Usual)
        texts_[size_t(Layer::Outcome)].clear();
    for (auto it = texts_.rbegin(); it != texts_.rend(); ++it)
        if (!it->isEmpty() || it == texts_.rend() - 1) {
            if (QLabel::text() != *it)
                setText(*it);
            return;
        }
}

} // namespace widgets
