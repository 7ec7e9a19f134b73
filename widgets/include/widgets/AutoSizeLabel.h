#pragma once
// A label that takes the size of its text whenever the text is set through it.
#include <QLabel>

namespace widgets {

class AutoSizeLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;
    void setText(const QString& text) {
        QLabel::setText(text);
        resize(sizeHint());
    }
};

} // namespace widgets
