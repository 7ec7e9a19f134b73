#include "TextLists.h"

namespace {

// Reads a quoted text starting at text[pos] == '"'; leaves pos after the closing quote.
QString readQuoted(const QString& text, qsizetype& pos) {
    QString out;
    ++pos;
    while (pos < text.size()) {
        const QChar c = text[pos++];
        if (c != '"') {
            out += c;
        } else if (pos < text.size() && text[pos] == '"') {
            out += c;
            ++pos;
        } else {
            break;
        }
    }
    return out;
}

bool separatesExtensions(QChar c) {
    return c == ',' || c.isSpace();
}

} // namespace

QStringList pickListEntries(const QString& text) {
    QStringList entries;
    if (text.isEmpty())
        return entries;
    qsizetype pos = 0;
    for (;;) {
        QString entry = pos < text.size() && text[pos] == '"' ? readQuoted(text, pos) : QString();
        while (pos < text.size() && text[pos] != ',')
            entry += text[pos++];
        entries << entry;
        if (pos >= text.size())
            break;
        ++pos; // the comma; one at the very end still opens an (empty) entry
    }
    return entries;
}

QStringList extensionEntries(const QString& text) {
    QStringList entries;
    qsizetype pos = 0;
    while (pos < text.size()) {
        if (separatesExtensions(text[pos])) {
            ++pos;
            continue;
        }
        QString entry;
        while (pos < text.size() && !separatesExtensions(text[pos]))
            entry += text[pos] == '"' ? readQuoted(text, pos) : QString(text[pos++]);
        if (!entry.isEmpty())
            entries << entry;
    }
    return entries;
}
