#include "writer/ParamText.h"

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
        out.error = QStringLiteral("Invalid parameters at character %1: %2").arg(i + 1).arg(why);
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
            return fail(QStringLiteral("a setting name is missing"));
        if (i >= n || text[i] != u'=')
            return fail(QStringLiteral("'%1' has no '=' and value").arg(name));
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
                return fail(QStringLiteral("the quoted value of '%1' is not closed").arg(name));
        } else {
            const qsizetype valueStart = i;
            while (i < n && !isBlank(text[i]) && text[i] != u'"' && text[i] != u'=')
                ++i;
            value = text.mid(valueStart, i - valueStart);
            if (value.isEmpty())
                return fail(QStringLiteral("'%1' has no value").arg(name));
        }
        if (i < n && !isBlank(text[i]))
            return fail(QStringLiteral("unexpected '%1' after '%2'").arg(text[i]).arg(name));
        for (const auto& p : out.pairs)
            if (p.first == name)
                return fail(QStringLiteral("'%1' is given twice").arg(name));
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
