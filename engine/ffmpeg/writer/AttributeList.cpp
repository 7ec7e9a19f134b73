#include "writer/AttributeList.h"

namespace engine::ff {

bool isTrueText(const QString& text) {
    const QString t = text.trimmed().toLower();
    if (t == u"true" || t == u"yes" || t == u"on")
        return true;
    bool ok = false;
    const double n = t.toDouble(&ok);
    return ok && n != 0;
}

int AttributeList::store(const AttributeDef& def, const QString& value) {
    if (def.fixed)
        return kNotSupported;
    if (value.isEmpty())
        values_.erase(def.name);
    else
        values_[def.name] = value;
    return kOk;
}

QString AttributeList::valueOf(const AttributeDef& def) const {
    if (def.fixed)
        return def.defaultValue;
    auto it = values_.find(def.name);
    return it == values_.end() ? QString() : it->second;
}

AttributeValues AttributeList::setValues() const {
    AttributeValues out;
    for (const auto& s : defs_) {
        auto it = values_.find(s.name);
        if (it != values_.end())
            out.emplace_back(s.name, it->second);
    }
    return out;
}

} // namespace engine::ff
