#pragma once
// The program's dark look, carried as a style sheet resource.
#include <QString>

#include "widgets/Services.h"

class QApplication;

// Applies the theme named `name` (":/themes/<name>.qss") to every window. When it cannot be applied, a
// message naming the theme is shown and the default look stays; returns whether it was applied.
bool applyTheme(QApplication& app, const QString& name, services::IMessageBox& messages);
