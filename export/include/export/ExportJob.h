#pragma once
// The export of the marked segment through a file writer fed by the window's file source, and the
// check, at every timer tick, that the job has ended.
#include "app/PlayerFields.h"
#include "engine/EngineFactory.h"
#include "widgets/Services.h"

class QWidget;
namespace widgets {
class BitmapButton;
class ClipList;
class RadioGroup;
} // namespace widgets

namespace clipexport {

struct ExportJobControls {
    QWidget* window; // owner of the save dialog
    widgets::RadioGroup* RGSpeedPlay;
    widgets::BitmapButton* BtExportar; // its Tag is the export-running flag
    widgets::ClipList* FileList;
};

class ExportJob {
  public:
    ExportJob(ExportJobControls controls, PlayerFields& fields, engine::IEngineFactory& factory,
              services::Services services);

    void BtExportarClick();
    // Completion check, given the file source's state code read by the tick.
    void checkCompletion(int sourceState);

  private:
    // The source and writer properties every click sets, confirmed or not.
    void prepareSourceAndWriter();
    // Points the writer at `file` and plays the marked range into it.
    void start(const QString& file);
    // Closes the writer, which finishes its file; the reason its recording failed, empty on success.
    QString closeWriter();
    // A box beginning "Falha na exportação:" for a non-empty reason; nothing otherwise.
    void reportFailure(const QString& failure);

    ExportJobControls ui_;
    PlayerFields& fields_;
    engine::IEngineFactory& factory_;
    services::Services services_;
    QString refusal_; // the writer's reason when it refused the running job's target
};

} // namespace clipexport
