#pragma once
// The one-line status strip along the window's bottom edge. Several handlers have something to say there;
// the strip shows the most urgent: the progress of exports, then why a clip failed to open, then how the
// last export was written, then its usual text (the clip selected). A new usual text ends the showing of
// the last export's outcome: it told of another moment.
#include <QLabel>
#include <array>

namespace widgets {

class StatusStrip : public QLabel {
  public:
    enum class Layer { Usual, Outcome, Failure, Progress }; // in rising rank

    explicit StatusStrip(const QString& usualText, QWidget* parent = nullptr);

    // Sets what one layer says; an empty text lets the layers below show.
    void say(Layer layer, const QString& text);
    QString said(Layer layer) const { return texts_[size_t(layer)]; }

  private:
    std::array<QString, 4> texts_;
};

} // namespace widgets
