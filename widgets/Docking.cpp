#include "widgets/Docking.h"

#include <QEvent>
#include <QWidget>

namespace widgets {

namespace {

constexpr const char* kDock = "veltraDock";
constexpr const char* kInset = "veltraDockInset";
constexpr const char* kSuspended = "veltraDockSuspended";
constexpr const char* kWatched = "veltraDockWatched";

// Re-places the docked children of the container it watches after each resize.
class DockWatcher : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize) {
            auto* container = static_cast<QWidget*>(watched);
            if (!container->property(kSuspended).toBool())
                alignDocked(container);
        }
        return false;
    }
};

void watch(QWidget* container) {
    if (!container || container->property(kWatched).toBool())
        return;
    container->setProperty(kWatched, true);
    container->installEventFilter(new DockWatcher(container));
}

} // namespace

void setDock(QWidget* control, DockEdge edge) {
    control->setProperty(kDock, int(edge));
    watch(control->parentWidget());
    if (control->parentWidget())
        alignDocked(control->parentWidget());
}

DockEdge dockOf(const QWidget* control) {
    return DockEdge(control->property(kDock).toInt());
}

void setDockInset(QWidget* container, int inset) {
    container->setProperty(kInset, inset);
}

void alignDocked(QWidget* container) {
    const int inset = container->property(kInset).toInt();
    QRect free = container->rect().adjusted(inset, inset, -inset, -inset);
    const auto children = container->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    // Bottom panels take their strip first; right panels share what is left above them.
    for (QWidget* child : children) {
        if (dockOf(child) != DockEdge::Bottom)
            continue;
        child->setGeometry(free.left(), free.bottom() + 1 - child->height(), free.width(), child->height());
        free.setBottom(free.bottom() - child->height());
    }
    for (QWidget* child : children) {
        if (dockOf(child) != DockEdge::Right)
            continue;
        child->setGeometry(free.right() + 1 - child->width(), free.top(), child->width(), free.height());
        free.setRight(free.right() - child->width());
    }
}

void suspendDocking(QWidget* container) {
    container->setProperty(kSuspended, true);
}

void resumeDocking(QWidget* container) {
    container->setProperty(kSuspended, false);
    alignDocked(container);
}

} // namespace widgets
