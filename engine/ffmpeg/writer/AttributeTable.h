#pragma once
// IMAttributes over a table of named attributes with their descriptive fields. Lookup, order and the
// fields are the same for every table; a subclass lists the specs and keeps the values. Base is
// IMAttributes or an interface that extends it.
#include <QString>
#include <iterator>
#include <vector>

#include "engine/EngineError.h"
#include "engine/Interfaces.h"

namespace engine::ff {

struct AttributeSpec {
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
        const AttributeSpec* spec = find(name);
        return spec ? store(*spec, value) : kInvalidArg;
    }
    int GetAttributeText(const QString& name, int& ignored, QString& value) override {
        const AttributeSpec* spec = find(name);
        if (!spec)
            return kInvalidArg;
        ignored = 0;
        value = valueOf(*spec);
        return kOk;
    }
    int GetAttributeFlag(const QString& name, int& value) override {
        const AttributeSpec* spec = find(name);
        if (!spec)
            return kInvalidArg;
        value = flagOf(*spec) ? 1 : 0;
        return kOk;
    }
    int GetAttributeCount(int& count) override {
        count = int(specs().size());
        return kOk;
    }
    int GetAttributeName(int index, QString& name) override {
        const auto& all = specs();
        if (index < 0 || index >= int(all.size()))
            return kInvalidArg;
        name = all[size_t(index)].name;
        return kOk;
    }
    int GetAttributeInfo(const QString& name, int field, QString& text) override {
        const AttributeSpec* spec = find(name);
        if (!spec)
            return kInvalidArg;
        // field 0 help text, 1 type, 2 default, 3 named values
        const QString* fields[] = {&spec->help, &spec->type, &spec->defaultValue, &spec->namedValues};
        if (field < 0 || field >= int(std::size(fields)))
            return kInvalidArg;
        text = *fields[field];
        return kOk;
    }

    const AttributeSpec* find(const QString& name) const {
        for (const auto& s : specs())
            if (s.name == name)
                return &s;
        return nullptr;
    }

  protected:
    virtual const std::vector<AttributeSpec>& specs() const = 0;
    // Takes a value for a listed attribute; returns the status SetAttribute() reports.
    virtual int store(const AttributeSpec& spec, const QString& value) = 0;
    virtual QString valueOf(const AttributeSpec& spec) const = 0;
    // The value (the default while it is empty) read as a truth.
    virtual bool flagOf(const AttributeSpec& spec) const {
        const QString value = valueOf(spec);
        return isTrueText(value.isEmpty() ? spec.defaultValue : value);
    }
};

} // namespace engine::ff
