#pragma once
// Reading of the one stored flag ("UnificaFolder"), the same wherever it is read: any number (non-zero is
// on), or "true"/"false" in any letter case, blanks around either ignored. Any other text throws
// std::runtime_error naming the setting.
#include <QString>

bool readStoredFlag(const QString& name, const QString& text);
