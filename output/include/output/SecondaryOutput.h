#pragma once
// The secondary display output: the display list in ComboMonitor, the choice of display, and its
// restore at start-up.
#include <QPointer>

#include "windowstate/PlayerFields.h"
#include "engine/EngineFactory.h"
#include "output/TFrmSecondMonitorOutPut.h"
#include "widgets/Services.h"

class QComboBox;

namespace output {

struct SecondaryOutputControls {
    QComboBox* ComboMonitor;
};

class SecondaryOutput {
  public:
    // The factory makes the output window's preview renderer.
    SecondaryOutput(SecondaryOutputControls controls, PlayerFields& fields, engine::IEngineFactory& factory,
                    services::Services services);
    ~SecondaryOutput();

    void ListaMonitores();
    void ComboMonitorChange();
    void RestauraSaidaHdmi();

    int IndiceSaidaHdmi() const { return indiceSaidaHdmi_; }
    // The output window while there is one.
    TFrmSecondMonitorOutPut* FrmSecondMonitorOutPut() const { return window_; }

  private:
    void createWindow();
    void closeWindow();
    bool severalDisplays() const;

    SecondaryOutputControls ui_;
    PlayerFields& fields_;
    engine::IEngineFactory& factory_;
    services::Services services_;
    int indiceSaidaHdmi_ = 0;
    QPointer<TFrmSecondMonitorOutPut> window_;
    engine::MRef<engine::IMPreview> previewSaida_;
};

} // namespace output
