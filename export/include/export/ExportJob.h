#pragma once
// The export of the marked segment through a file writer fed by the window's file source, and the
// check, at every timer tick, that the job has ended. A writer finishes its file in the background after
// the job closes it: the job keeps it in a list of finishing exports until its outcome is in, shows the
// progress of every export in the status strip, and tells a failure when it arrives, or else shows in
// the strip how the file was written (which parts were copied from the source and which re-encoded).
#include <vector>

#include "windowstate/PlayerFields.h"
#include "engine/EngineFactory.h"
#include "widgets/Services.h"

class QWidget;
namespace widgets {
class BitmapButton;
class ClipList;
class RadioGroup;
class StatusStrip;
} // namespace widgets

namespace clipexport {

struct ExportJobControls {
    QWidget* window; // owner of the save dialog
    widgets::RadioGroup* RGSpeedPlay;
    widgets::BitmapButton* BtExportar; // its Tag is the export-running flag
    widgets::ClipList* FileList;
    widgets::StatusStrip* PainelArquivo; // shows "Exportando <file>: NN%" while exports are under way
};

class ExportJob {
  public:
    ExportJob(ExportJobControls controls, PlayerFields& fields, engine::IEngineFactory& factory,
              services::Services services);

    void BtExportarClick();
    // Completion check, given the file source's state code read by the tick; also collects the outcomes of
    // finishing exports and shows the progress.
    void checkCompletion(int sourceState);
    // The window closes: every export not yet finished is abandoned and leaves no file.
    void abandonAll();

  private:
    // The source and writer properties every click sets, confirmed or not.
    void prepareSourceAndWriter();
    void prepareWriter();
    // Points the writer at `file` and plays the marked range into it.
    void start(const QString& file);
    // Closes the running export's writer and hands it to the finishing exports; the job lets go of it.
    void closeWriter();
    // Tells the outcomes of the finishing exports whose outcome is in and forgets them; true when any ended.
    bool collectOutcomes();
    // A box beginning "Falha na exportação:" for a non-empty reason; nothing otherwise.
    void reportFailure(const QString& failure);
    void showProgress();

    ExportJobControls ui_;
    PlayerFields& fields_;
    engine::IEngineFactory& factory_;
    services::Services services_;
    QString refusal_;     // the writer's reason when it refused the running job's target
    QString runningName_; // the running job's file name, without its folder
    struct Finishing {
        engine::MRef<engine::IMWriter> writer;
        QString name;
        QString refusal;
    };
    std::vector<Finishing> finishing_;
};

} // namespace clipexport
