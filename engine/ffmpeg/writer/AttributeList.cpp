#include "writer/AttributeList.h"

#include "engine/EngineError.h"

namespace engine::ff {

bool isTrueText(const QString& text) {
    const QString t = text.trimmed().toLower();
    if (t == u"true" || t == u"yes" || t == u"on")
        return true;
    bool ok = false;
    const double n = t.toDouble(&ok);
    return ok && n != 0;
}

const AttributeSpec* AttributeList::find(const QString& name) const {
    for (const auto& s : specs_)
        if (s.name == name)
            return &s;
    return nullptr;
}

int AttributeList::SetAttribute(const QString& name, const QString& value) {
    const AttributeSpec* spec = find(name);
    if (!spec)
        return kInvalidArg;
    if (spec->fixed)
        return kNotSupported;
    if (value.isEmpty())
        values_.erase(name);
    else
        values_[name] = value;
    return kOk;
}

int AttributeList::GetAttributeText(const QString& name, int& ignored, QString& value) {
    const AttributeSpec* spec = find(name);
    if (!spec)
        return kInvalidArg;
    ignored = 0;
    if (spec->fixed) {
        value = spec->defaultValue;
    } else {
        auto it = values_.find(name);
        value = it == values_.end() ? QString() : it->second;
    }
    return kOk;
}

int AttributeList::GetAttributeFlag(const QString& name, int& value) {
    const AttributeSpec* spec = find(name);
    if (!spec)
        return kInvalidArg;
    int ignored = 0;
    QString text;
    GetAttributeText(name, ignored, text);
    value = isTrueText(text.isEmpty() ? spec->defaultValue : text) ? 1 : 0;
    return kOk;
}

int AttributeList::GetAttributeCount(int& count) {
    count = int(specs_.size());
    return kOk;
}

int AttributeList::GetAttributeName(int index, QString& name) {
    if (index < 0 || index >= int(specs_.size()))
        return kInvalidArg;
    name = specs_[size_t(index)].name;
    return kOk;
}

int AttributeList::GetAttributeInfo(const QString& name, int field, QString& text) {
    const AttributeSpec* spec = find(name);
    if (!spec)
        return kInvalidArg;
    switch (field) {
    case 0:
        text = spec->help;
        return kOk;
    case 1:
        text = spec->type;
        return kOk;
    case 2:
        text = spec->defaultValue;
        return kOk;
    case 3:
        text = spec->namedValues;
        return kOk;
    default:
        return kInvalidArg;
    }
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
