#include "settings/RegConfig.h"

#include <QSettings>
#include <stdexcept>

namespace {

constexpr auto kOrganisation = "Orvanta";
constexpr auto kApplication = "VELTRA-PLAYER-2025";

QString readValue(QSettings& store, const QString& name, const QString& fallback) {
    const QVariant value = store.value(name);
    if (!value.isValid()) return fallback;
    if (value.typeId() != QMetaType::QString)
        throw std::runtime_error(QStringLiteral("Tipo de dado inválido no valor \"%1\"").arg(name).toStdString());
    const QString text = value.toString();
    return text.isEmpty() ? fallback : text;
}

void checkWritten(QSettings& store, const QString& name) {
    store.sync();
    if (store.status() != QSettings::NoError)
        throw std::runtime_error(
            QStringLiteral("Não foi possível gravar a configuração \"%1\" em %2").arg(name, store.fileName()).toStdString());
}

}  // namespace

QString RegConfig(const QString& operation, const QString& name, const QString& text) {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication);
    if (operation == QLatin1String("ler")) return readValue(store, name, text);
    if (operation == QLatin1String("escrever")) {
        store.setValue(name, text);
        checkWritten(store, name);
        return QStringLiteral("OK");
    }
    if (operation == QLatin1String("excluir")) {
        store.remove(name);
        checkWritten(store, name);
        return QStringLiteral("OK");
    }
    return {};
}
