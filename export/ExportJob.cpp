#include "export/ExportJob.h"

namespace clipexport {

ExportJob::ExportJob(ExportJobControls controls, PlayerFields& fields, engine::IEngineFactory& factory,
                     services::Services services)
    : ui_(controls), fields_(fields), factory_(factory), services_(services) {}

void ExportJob::BtExportarClick() {}
void ExportJob::checkCompletion(int) {}

} // namespace clipexport
