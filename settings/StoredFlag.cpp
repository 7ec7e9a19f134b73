#include "settings/StoredFlag.h"

#include <stdexcept>

bool readStoredFlag(const QString& name, const QString& text) {
    const QString word = text.trimmed();
    if (word.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    bool number = false;
    const double value = word.toDouble(&number);
    if (!number)
        throw std::runtime_error(
            QStringLiteral("Valor inválido \"%1\" na configuração \"%2\"").arg(text, name).toStdString());
    return value != 0;
}
