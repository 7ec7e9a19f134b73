#pragma once
// The main player window: owns the controls, the engine objects and the handlers' controllers, and
// binds every control event and keyboard action to its handler.
#include <QMargins>
#include <QPointer>
#include <QWidget>

#include "ErrorReporter.h"
#include "PlayerLayout.h"
#include "windowstate/PlayerFields.h"
#include "engine/EngineFactory.h"
#include "export/CuePoints.h"
#include "export/ExportJob.h"
#include "library/ClipLibrary.h"
#include "output/SecondaryOutput.h"
#include "playback/AudioOptions.h"
#include "playback/PositionDisplay.h"
#include "playback/Transport.h"
#include "widgets/Services.h"

#include <QDialog>

class TFrm_Player : public QWidget {
    Q_OBJECT
  public:
    // Creates the window and runs FormCreate; the factory and the services outlive the window.
    TFrm_Player(engine::IEngineFactory& factory, services::Services services, QWidget* parent = nullptr);
    ~TFrm_Player() override;

    const PlayerControls& controls() const { return ui_; }
    PlayerFields& fields() { return fields_; }
    // The setup dialog while BtSetupClick shows it; null otherwise.
    QDialog* setupDialog() const { return setupDialog_; }

    void FormCreate();
    void FormShow();
    void FormClose();
    void BtSetupClick();
    void destroir();

  signals:
    // leconfig has run (at the first showing, and after the setup dialog closed).
    void configurationLoaded();
    // The operator closed the window: the program ends with it.
    void closed();

  protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // PLAY, by its button or a double click on a clip.
    void play();
    void bindControls();
    void bindActions();
    void runLeconfig();
    void setUpEngine();
    void fitFrameToDisplay();

    engine::IEngineFactory& factory_;
    services::Services services_;
    ErrorReporter errors_;
    PlayerControls ui_;
    PlayerFields fields_;
    playback::Transport transport_;
    playback::AudioOptions audio_;
    clipexport::CuePoints cuePoints_;
    clipexport::ExportJob exportJob_;
    playback::PositionDisplay positionDisplay_;
    library::ClipLibrary library_;
    output::SecondaryOutput secondaryOutput_;
    QPointer<QDialog> setupDialog_;
    QMargins fittedFrame_; // the window manager's frame the layout was last fitted to
    bool shown_ = false;
    bool engineClosed_ = false;
};
