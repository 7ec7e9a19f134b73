#pragma once
// The program speaks Brazilian Portuguese to the operator. The words below never occur in its texts: one of
// them in a message means an English text (ours, or a cause FFmpeg or the system gave) came back.
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace testsupport {

// The English words in `text`; names of files, formats, codecs and settings are not among them.
inline QStringList englishWordsIn(const QString& text) {
    static const QRegularExpression word(
        QStringLiteral(
            "\\b(the|cannot|can|does|not|are|was|is|has|with|and|of|to|from|for|failed|denied|"
            "permission|such|directory|folder|file|exist|exists|nothing|written|writing|recorded|"
            "accept|refused|unknown|invalid|argument|setting|frames|space|left|device|encoder)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList found;
    for (auto it = word.globalMatch(text); it.hasNext();)
        found << it.next().captured(1);
    return found;
}

} // namespace testsupport
