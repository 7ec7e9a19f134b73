#pragma once
// One attribute list of the writer's configuration (a format's or a codec's): named text values with
// their descriptive fields. Values start empty, meaning "the default of field 2".
#include <QString>
#include <map>
#include <vector>

#include "core/EngineObject.h"
#include "writer/AttributeTable.h"

namespace engine::ff {

using AttributeValues = std::vector<std::pair<QString, QString>>;

class AttributeList final : public EngineObject<AttributeList, AttributeTable<IMAttributes>> {
  public:
    explicit AttributeList(std::vector<AttributeDef> defs) : defs_(std::move(defs)) {}

    // The values set by the caller (non-empty, settable ones), in the list's order.
    AttributeValues setValues() const;
    void clearValues() { values_.clear(); }

  private:
    const std::vector<AttributeDef>& defs() const override { return defs_; }
    int store(const AttributeDef& def, const QString& value) override;
    QString valueOf(const AttributeDef& def) const override;

    std::vector<AttributeDef> defs_;
    std::map<QString, QString> values_;
};

} // namespace engine::ff
