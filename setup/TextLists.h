#pragma once
// The two ways lists arrive from the engine as one text.
#include <QStringList>

// Allowed values of an option: only commas separate entries, blanks stay part of them, a trailing comma
// adds an empty last entry, and an entry opening with a double quote is a quoted text ("" inside it is
// one quote). An empty text is no entries.
QStringList pickListEntries(const QString& text);

// File extensions: commas and blanks separate entries, double quotes group a part holding either, and
// empty entries are dropped.
QStringList extensionEntries(const QString& text);
