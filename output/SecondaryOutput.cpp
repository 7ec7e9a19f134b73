#include "output/SecondaryOutput.h"

namespace output {

SecondaryOutput::SecondaryOutput(SecondaryOutputControls controls, PlayerFields& fields,
                                 engine::IEngineFactory& factory, services::Services services)
    : ui_(controls), fields_(fields), factory_(factory), services_(services) {}

void SecondaryOutput::ListaMonitores() {}
void SecondaryOutput::ComboMonitorChange() {}
void SecondaryOutput::RestauraSaidaHdmi() {}

} // namespace output
