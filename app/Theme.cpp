#include "Theme.h"

#include <QApplication>
#include <QFile>
#include <QStyleFactory>

static void initThemeResources() {
    Q_INIT_RESOURCE(themes);
}

bool applyTheme(QApplication& app, const QString& name, services::IMessageBox& messages) {
    initThemeResources();
    QFile sheet(QStringLiteral(":/themes/%1.qss").arg(name));
    if (!sheet.open(QIODevice::ReadOnly | QIODevice::Text)) {
        messages.information(nullptr,
                             QStringLiteral("Não foi possível aplicar o tema visual \"%1\".").arg(name));
        return false;
    }
    // Style sheets render most predictably over the Fusion style.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        app.setStyle(fusion);
    app.setStyleSheet(QString::fromUtf8(sheet.readAll()));
    return true;
}
