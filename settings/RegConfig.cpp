#include "settings/RegConfig.h"

#include <QSettings>
#include <stdexcept>

namespace {

constexpr auto kOrganisation = "Orvanta";
constexpr auto kApplication = "VELTRA-PLAYER-2025";

QString readValue(QSettings& store, const QString& name, const QString& fallback) {
    const QVariant value = store.value(name);
    if (!value.isValid())
        return fallback;
    if (value.typeId() != QMetaType::QString)
        throw std::runtime_error(
            QStringLiteral("Tipo de dado inválido no valor \"%1\"").arg(name).toStdString());
    const QString text = value.toString();
    return text.isEmpty() ? fallback : text;
}

// Stores the change to `name` made by `change`. When the store cannot be written the change is taken back
// before the error is raised: Qt keeps unwritten changes in memory for the store's next reader.
template <class Change> void writeValue(QSettings& store, const QString& name, Change change) {
    const QVariant before = store.value(name);
    change();
    store.sync();
    if (store.status() == QSettings::NoError)
        return;
    if (before.isValid())
        store.setValue(name, before);
    else
        store.remove(name);
    throw std::runtime_error(QStringLiteral("Não foi possível gravar a configuração \"%1\" em %2")
                                 .arg(name, store.fileName())
                                 .toStdString());
}

} // namespace

QString RegConfig(const QString& operation, const QString& name, const QString& text) {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication);
    // The user's own store only: not the organisation's file nor the system's folders.
    store.setFallbacksEnabled(false);
    if (operation == QLatin1String("ler"))
        return readValue(store, name, text);
    if (operation == QLatin1String("escrever")) {
        writeValue(store, name, [&] { store.setValue(name, text); });
        return QStringLiteral("OK");
    }
    if (operation == QLatin1String("excluir")) {
        writeValue(store, name, [&] { store.remove(name); });
        return QStringLiteral("OK");
    }
    return {};
}
