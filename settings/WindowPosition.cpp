#include <QWidget>

#include "settings/RegConfig.h"

namespace {
int storedCoordinate(const QString& name) {
    bool ok = false;
    const int value = RegConfig("ler", name, QString()).trimmed().toInt(&ok);
    return ok ? value : 0;
}
}  // namespace

void SalvaPosicaoForm(QWidget* window) {
    const QString name = window->objectName();
    RegConfig("escrever", "top" + name, QString::number(window->y()));
    RegConfig("escrever", "left" + name, QString::number(window->x()));
}

void LePosicaoForm(QWidget* window) {
    const QString name = window->objectName();
    const int top = storedCoordinate("top" + name);
    const int left = storedCoordinate("left" + name);
    // A 0 or negative coordinate (a display left of or above the primary one) is never restored.
    if (top > 0) window->move(window->x(), top);
    if (left > 0) window->move(left, window->y());
}
