#include "writer/ParamText.h"
#include "engine/OperatorTexts.h"

#include <QStringList>

namespace engine::ff {
namespace {

bool isBlank(QChar c) {
    return c.isSpace();
}

bool needsQuotes(const QString& v) {
    if (v.isEmpty())
        return true;
    for (QChar c : v)
        if (isBlank(c) || c == u'"' || c == u'=' || c == u'\\')
            return true;
    return false;
}

} // namespace

ParsedParams parseParamText(const QString& text) {
    ParsedParams out;
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto fail = [&](const QString& why) {
        out.pairs.clear();
        out.error = texts::badParameters(i + 1, why);
        return out;
    };
    while (true) {
        while (i < n && isBlank(text[i]))
            ++i;
        if (i >= n)
            break;
        const qsizetype nameStart = i;
        while (i < n && !isBlank(text[i]) && text[i] != u'=' && text[i] != u'"')
            ++i;
        const QString name = text.mid(nameStart, i - nameStart);
        if (name.isEmpty())
            return fail(texts::settingNameMissing());
        if (i >= n || text[i] != u'=')
            return fail(texts::settingWithoutEquals(name));
        ++i;
        QString value;
        if (i < n && text[i] == u'"') {
            ++i;
            bool closed = false;
            while (i < n) {
                const QChar c = text[i++];
                if (c == u'"') {
                    closed = true;
                    break;
                }
                if (c == u'\\' && i < n && (text[i] == u'"' || text[i] == u'\\')) {
                    value += text[i++];
                    continue;
                }
                value += c;
            }
            if (!closed)
                return fail(texts::quotedValueNotClosed(name));
        } else {
            const qsizetype valueStart = i;
            while (i < n && !isBlank(text[i]) && text[i] != u'"' && text[i] != u'=')
                ++i;
            value = text.mid(valueStart, i - valueStart);
            if (value.isEmpty())
                return fail(texts::settingWithoutValue(name));
        }
        if (i < n && !isBlank(text[i]))
            return fail(texts::unexpectedAfter(text[i], name));
        for (const auto& p : out.pairs)
            if (p.first == name)
                return fail(texts::settingGivenTwice(name));
        out.pairs.emplace_back(name, value);
    }
    return out;
}

QString formatParamText(const AttributeValues& pairs) {
    QStringList parts;
    for (const auto& [name, value] : pairs) {
        if (!needsQuotes(value)) {
            parts << name + u'=' + value;
            continue;
        }
        QString quoted = value;
        quoted.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
        parts << name + QStringLiteral("=\"") + quoted + u'"';
    }
    return parts.join(u' ');
}

} // namespace engine::ff
