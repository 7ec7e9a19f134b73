#pragma once
// The setup dialog that the Setup button shows.
#include <QDialog>
#include <memory>

#include "engine/EngineFactory.h"
#include "widgets/Services.h"

std::unique_ptr<QDialog> makeSetupDialog(QWidget* owner, engine::IEngineFactory& factory,
                                         services::Services services);
