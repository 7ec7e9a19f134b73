#include "Scaling.h"

#include <QWidget>

#include "widgets/Docking.h"

int mulDiv(int a, int b, int c) {
    if (c == 0)
        return -1;
    const std::int64_t product = std::int64_t(a) * b;
    std::int64_t quotient = product / c;
    const std::int64_t remainder = product % c;
    if (2 * (remainder < 0 ? -remainder : remainder) >= (c < 0 ? -std::int64_t(c) : std::int64_t(c)))
        quotient += ((product < 0) != (c < 0)) ? -1 : 1;
    return int(quotient);
}

namespace {

constexpr const char* kLayoutControl = "veltraLayoutControl";
constexpr const char* kDesignedBounds = "veltraDesignedBounds";

// Only the controls of the layout are scaled; the inner parts of compound controls (the buttons of a
// radio group, the scroll bars of a list) follow their control.
QList<QWidget*> controlsOn(QWidget* container) {
    QList<QWidget*> controls;
    for (QWidget* child : container->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (child->property(kLayoutControl).toBool() && !child->isWindow())
            controls << child;
    return controls;
}

// Every control of the layout on `container`, at every depth, containers before their children.
QList<QWidget*> layoutBelow(QWidget* container) {
    QList<QWidget*> all;
    for (QWidget* control : controlsOn(container))
        all << control << layoutBelow(control);
    return all;
}

} // namespace

void markLayoutControl(QWidget* control) {
    control->setProperty(kLayoutControl, true);
}

void EscalaControles(QWidget* control, int newWidth, int oldWidth, int newHeight, int oldHeight) {
    const QList<QWidget*> children = controlsOn(control);
    const bool container = !children.isEmpty();
    if (container) {
        widgets::suspendDocking(control);
        for (QWidget* child : children)
            EscalaControles(child, newWidth, oldWidth, newHeight, oldHeight);
    }
    const QRect r = control->geometry();
    const int left = mulDiv(r.x(), newWidth, oldWidth);
    const int top = mulDiv(r.y(), newHeight, oldHeight);
    const int right = mulDiv(r.x() + r.width(), newWidth, oldWidth);
    const int bottom = mulDiv(r.y() + r.height(), newHeight, oldHeight);
    control->setGeometry(left, top, right - left, bottom - top);
    if (container)
        widgets::resumeDocking(control);
}

void scaleWindowLayout(QWidget* window, QSize newClient, QSize oldClient) {
    for (QWidget* control : controlsOn(window))
        EscalaControles(control, newClient.width(), oldClient.width(), newClient.height(),
                        oldClient.height());
}

void rememberDesignedLayout(QWidget* window) {
    for (QWidget* control : layoutBelow(window))
        control->setProperty(kDesignedBounds, control->geometry());
}

void scaleDesignedLayout(QWidget* window, QSize newClient, QSize designedClient) {
    for (QWidget* control : layoutBelow(window))
        control->setGeometry(control->property(kDesignedBounds).toRect());
    scaleWindowLayout(window, newClient, designedClient);
}
