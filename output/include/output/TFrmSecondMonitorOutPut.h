#pragma once
// The output window: a small borderless window that owns the second preview renderer, which mirrors the
// main window's file source full screen on the chosen display. Double-clicking the window closes it.
#include <QWidget>
#include <functional>

#include "engine/EngineFactory.h"
#include "widgets/Services.h"

namespace widgets {
class PreviewPanel;
}

namespace output {

// What the output window works with; all of it outlives the window.
struct OutputWindowContext {
    engine::IEngineFactory& factory;
    // The renderer of the latest window: replaced at each creation, closed with the window, released
    // only by its owner.
    engine::MRef<engine::IMPreview>& PreviewSaida;
    const int& IndiceSaidaHdmi;
    services::IDisplayList& displays;
    // Runs when the window has closed (whatever closed it).
    std::function<void()> closed;
};

class TFrmSecondMonitorOutPut : public QWidget {
    Q_OBJECT
  public:
    // Creating the window starts its renderer (FormCreate); the window itself stays hidden.
    TFrmSecondMonitorOutPut(OutputWindowContext context, engine::IMObject* source);

    void InitObject(engine::IMObject* objetoIN);

  protected:
    void showEvent(QShowEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void FormShow();
    void FormClose();

    OutputWindowContext context_;
    widgets::PreviewPanel* surface_;
};

// Closes the renderer, if any, through its object view.
void closeRenderer(const engine::MRef<engine::IMPreview>& renderer);

// Moves `window`'s top-left corner to that of display `index`; nothing when the list has no such display.
void placeOnDisplay(QWidget& window, const services::IDisplayList& displays, int index);

} // namespace output
