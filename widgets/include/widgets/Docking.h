#pragma once
// Panels docked to an edge of their container: a bottom panel spans the container's width at its
// bottom, a right panel runs down the right edge above the bottom panels. Placement follows every resize
// of the container unless suspended (while a layout is being scaled).
#include <QMargins>

class QWidget;

namespace widgets {

enum class DockEdge { None, Bottom, Right };

void setDock(QWidget* control, DockEdge edge);
DockEdge dockOf(const QWidget* control);

// The container's inner border that docked panels keep clear of.
void setDockInset(QWidget* container, int inset);

// Places every docked child of `container` now.
void alignDocked(QWidget* container);

// While suspended, resizes do not place docked children; resuming places them once.
void suspendDocking(QWidget* container);
void resumeDocking(QWidget* container);

} // namespace widgets
