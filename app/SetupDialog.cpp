#include "SetupDialog.h"

// Stand-in until the setup subsystem provides its dialog: an empty dialog closed with its close box.
std::unique_ptr<QDialog> makeSetupDialog(QWidget* owner, engine::IEngineFactory&, services::Services) {
    auto dialog = std::make_unique<QDialog>(owner);
    dialog->setObjectName(QStringLiteral("FrmSetup"));
    dialog->setWindowTitle(QStringLiteral("Setup"));
    dialog->resize(480, 320);
    return dialog;
}
