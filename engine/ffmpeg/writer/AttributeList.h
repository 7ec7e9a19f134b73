#pragma once
// One attribute list of the writer's configuration (a format's or a codec's): named text values with
// their descriptive fields. Values start empty, meaning "the default of field 2".
#include <QString>
#include <map>
#include <vector>

#include "core/EngineObject.h"

namespace engine::ff {

struct AttributeSpec {
    QString name;
    QString help;
    QString type; // "bool", "option", "option_fixed", "int", "double", "string"
    QString defaultValue;
    QString namedValues; // comma-separated
    bool fixed = false;  // a read-only fact about the choice (its value is defaultValue)
};

using AttributeValues = std::vector<std::pair<QString, QString>>;

class AttributeList final : public EngineObject<AttributeList, IMAttributes> {
  public:
    explicit AttributeList(std::vector<AttributeSpec> specs) : specs_(std::move(specs)) {}

    int SetAttribute(const QString& name, const QString& value) override;
    int GetAttributeText(const QString& name, int& ignored, QString& value) override;
    int GetAttributeFlag(const QString& name, int& value) override;
    int GetAttributeCount(int& count) override;
    int GetAttributeName(int index, QString& name) override;
    int GetAttributeInfo(const QString& name, int field, QString& text) override;

    const AttributeSpec* find(const QString& name) const;
    // The values set by the caller (non-empty, settable ones), in the list's order.
    AttributeValues setValues() const;
    void clearValues() { values_.clear(); }

  private:
    std::vector<AttributeSpec> specs_;
    std::map<QString, QString> values_;
};

// "true"/"1"/"yes"/"on" or a non-zero number.
bool isTrueText(const QString& text);

} // namespace engine::ff
