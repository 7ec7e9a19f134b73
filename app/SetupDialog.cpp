#include "SetupDialog.h"

#include "setup/TFrmSetup.h"

std::unique_ptr<QDialog> makeSetupDialog(QWidget* owner, engine::IEngineFactory& factory,
                                         services::Services services) {
    return std::make_unique<TFrmSetup>(owner, factory, services);
}
