#include "writer/OptionTable.h"

namespace engine::ff {
namespace {

const AVOption* nextOption(void* obj, const AVOption* prev) {
    return av_opt_next(obj, prev);
}

std::vector<const AVOption*> constantsOf(void* obj, const char* unit) {
    std::vector<const AVOption*> out;
    if (!unit)
        return out;
    for (const AVOption* o = nextOption(obj, nullptr); o; o = nextOption(obj, o))
        if (o->type == AV_OPT_TYPE_CONST && o->unit && qstrcmp(o->unit, unit) == 0)
            out.push_back(o);
    return out;
}

QString typeName(const AVOption* o, bool hasNamedValues) {
    switch (o->type) {
    case AV_OPT_TYPE_BOOL:
        return QStringLiteral("bool");
    case AV_OPT_TYPE_FLAGS:
        return QStringLiteral("option");
    case AV_OPT_TYPE_INT:
    case AV_OPT_TYPE_INT64:
    case AV_OPT_TYPE_UINT64:
        return hasNamedValues ? QStringLiteral("option") : QStringLiteral("int");
    case AV_OPT_TYPE_FLOAT:
    case AV_OPT_TYPE_DOUBLE:
        return hasNamedValues ? QStringLiteral("option") : QStringLiteral("double");
    case AV_OPT_TYPE_PIXEL_FMT:
    case AV_OPT_TYPE_SAMPLE_FMT:
        return QStringLiteral("option_fixed");
    default:
        return hasNamedValues ? QStringLiteral("option") : QStringLiteral("string");
    }
}

bool usableForWriting(const AVOption* o) {
    if (o->type == AV_OPT_TYPE_CONST)
        return false;
    if (!(o->flags & AV_OPT_FLAG_ENCODING_PARAM))
        return false;
    if (o->flags & (AV_OPT_FLAG_DEPRECATED | AV_OPT_FLAG_READONLY))
        return false;
    return true;
}

} // namespace

QString optionValueText(void* obj, const AVOption* o) {
    if (o->type == AV_OPT_TYPE_FLAGS) {
        int64_t v = 0;
        if (av_opt_get_int(obj, o->name, 0, &v) < 0)
            return {};
        if (v == 0)
            return QStringLiteral("0");
        QStringList names;
        for (const AVOption* c : constantsOf(obj, o->unit))
            if (c->default_val.i64 && (v & c->default_val.i64) == c->default_val.i64)
                names << QStringLiteral("+") + QString::fromUtf8(c->name);
        return names.isEmpty() ? QString::number(v) : names.join(QString());
    }
    if (o->unit && (o->type == AV_OPT_TYPE_INT || o->type == AV_OPT_TYPE_INT64)) {
        int64_t v = 0;
        if (av_opt_get_int(obj, o->name, 0, &v) >= 0)
            for (const AVOption* c : constantsOf(obj, o->unit))
                if (c->default_val.i64 == v)
                    return QString::fromUtf8(c->name);
    }
    uint8_t* raw = nullptr;
    if (av_opt_get(obj, o->name, 0, &raw) < 0 || !raw)
        return {};
    QString text = QString::fromUtf8(reinterpret_cast<const char*>(raw));
    av_free(raw);
    return text;
}

std::vector<AttributeDef> optionDefs(void* obj, const QStringList& only) {
    std::vector<AttributeDef> out;
    QStringList seen;
    auto add = [&](const AVOption* o) {
        const QString name = QString::fromUtf8(o->name);
        if (seen.contains(name))
            return;
        seen << name;
        QStringList named;
        for (const AVOption* c : constantsOf(obj, o->unit))
            named << QString::fromUtf8(c->name);
        named.removeDuplicates();
        out.push_back(AttributeDef{name, QString::fromUtf8(o->help ? o->help : ""),
                                    typeName(o, !named.isEmpty()), optionValueText(obj, o), named.join(u','),
                                    false});
    };
    if (only.isEmpty()) {
        for (const AVOption* o = nextOption(obj, nullptr); o; o = nextOption(obj, o))
            if (usableForWriting(o))
                add(o);
    } else {
        for (const QString& n : only)
            if (const AVOption* o = av_opt_find(obj, n.toUtf8().constData(), nullptr, 0, 0);
                o && usableForWriting(o))
                add(o);
    }
    return out;
}

} // namespace engine::ff
