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

int AttributeList::store(const AttributeSpec& spec, const QString& value) {
    if (spec.fixed)
        return kNotSupported;
    if (value.isEmpty())
        values_.erase(spec.name);
    else
        values_[spec.name] = value;
    return kOk;
}

QString AttributeList::valueOf(const AttributeSpec& spec) const {
    if (spec.fixed)
        return spec.defaultValue;
    auto it = values_.find(spec.name);
    return it == values_.end() ? QString() : it->second;
}

AttributeValues AttributeList::setValues() const {
    AttributeValues out;
    for (const auto& s : specs_) {
        auto it = values_.find(s.name);
        if (it != values_.end())
            out.emplace_back(s.name, it->second);
    }
    return out;
}

} // namespace engine::ff
