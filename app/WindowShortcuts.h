#pragma once
// The window's keyboard actions work whichever control has the focus: a text field would otherwise
// claim Ctrl+arrows (word moves) for itself and swallow the transport's steps.
class QWidget;

// Makes every text-editing control inside `window` leave the keys of the window's actions to them.
// Call once the controls and the actions exist.
void keepWindowShortcuts(QWidget* window);
