#pragma once
// Proportional scaling of a designed layout to the window's real client size.
#include <QSize>
#include <cstdint>

class QWidget;

// Marks a widget as a control of the designed layout, which the scaling moves and sizes.
void markLayoutControl(QWidget* control);

// a × b ÷ c with a 64-bit product, rounded to the nearest integer, halves away from zero; -1 when c is 0.
int mulDiv(int a, int b, int c);

// Scales the control's bounds by the client ratios newWidth/oldWidth and newHeight/oldHeight. A container
// has its children (the named controls placed on it) scaled first, by the same window ratios, with the
// placement of its docked panels held until its own bounds are set.
void EscalaControles(QWidget* control, int newWidth, int oldWidth, int newHeight, int oldHeight);

// Applies EscalaControles to every control placed directly on the window.
void scaleWindowLayout(QWidget* window, QSize newClient, QSize oldClient);

// Notes the bounds of every control of the layout, at every depth, as designed (before any scaling).
void rememberDesignedLayout(QWidget* window);
// Puts every control back at its designed bounds, then scales the layout from the designed client size to
// `newClient`: rounding never adds up over several scalings.
void scaleDesignedLayout(QWidget* window, QSize newClient, QSize designedClient);
