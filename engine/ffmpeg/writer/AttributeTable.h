#pragma once
// IMAttributes over a table of named attributes with their descriptive fields. Lookup, order and the
// fields are the same for every table; a subclass lists the defs and keeps the values. Base is
// IMAttributes or an interface that extends it.
#include <QString>
#include <iterator>
#include <vector>

#include "engine/EngineError.h"
#include "engine/Interfaces.h"

namespace engine::ff {

struct AttributeDef {
    QString name;
    QString help;
    QString type; // "bool", "option", "option_fixed", "int", "double", "string"
    QString defaultValue;
    QString namedValues; // comma-separated
    bool fixed = false;  // a read-only fact about the choice (its value is defaultValue)
};

// "true"/"1"/"yes"/"on" or a non-zero number.
bool isTrueText(const QString& text);

template <class Base>
class AttributeTable : public Base {
  public:
    int SetAttribute(const QString& name, const QString& value) override {
        const AttributeDef* def = find(name);
        return def ? store(*def, value) : kInvalidArg;
    }
    int GetAttributeText(const QString& name, int& ignored, QString& value) override {
        const AttributeDef* def = find(name);
        if (!def)
            return kInvalidArg;
        ignored = 0;
        value = valueOf(*def);
        return kOk;
    }
    int GetAttributeFlag(const QString& name, int& value) override {
        const AttributeDef* def = find(name);
        if (!def)
            return kInvalidArg;
        value = flagOf(*def) ? 1 : 0;
        return kOk;
    }
    int GetAttributeCount(int& count) override {
        count = int(defs().size());
        return kOk;
    }
    int GetAttributeName(int index, QString& name) override {
        const auto& all = defs();
        if (index < 0 || index >= int(all.size()))
            return kInvalidArg;
        name = all[size_t(index)].name;
        return kOk;
    }
    int GetAttributeInfo(const QString& name, int field, QString& text) override {
        const AttributeDef* def = find(name);
        if (!def)
            return kInvalidArg;
        // field 0 help text, 1 type, 2 default, 3 named values
        const QString* fields[] = {&def->help, &def->type, &def->defaultValue, &def->namedValues};
        if (field < 0 || field >= int(std::size(fields)))
            return kInvalidArg;
        text = *fields[field];
        return kOk;
    }

    const AttributeDef* find(const QString& name) const {
        for (const auto& s : defs())
            if (s.name == name)
                return &s;
        return nullptr;
    }

  protected:
    virtual const std::vector<AttributeDef>& defs() const = 0;
    // Takes a value for a listed attribute; returns the status SetAttribute() reports.
    virtual int store(const AttributeDef& def, const QString& value) = 0;
    virtual QString valueOf(const AttributeDef& def) const = 0;
    // The value (the default while it is empty) read as a truth.
    virtual bool flagOf(const AttributeDef& def) const {
        const QString value = valueOf(def);
        return isTrueText(value.isEmpty() ? def.defaultValue : value);
    }
};

} // namespace engine::ff
