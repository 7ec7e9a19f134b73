#pragma once
// The property texts an object was given (unknown names kept too), for GetProp and for reading them.
#include <QMap>
#include <QString>

#include "engine/EngineError.h"

namespace engine::ff {

class PropertyBag {
public:
    void set(const QString& name, const QString& value) { values_[name] = value; }
    QString value(const QString& name, const QString& fallback = {}) const { return values_.value(name, fallback); }
    // GetProp: kInvalidArg for a name never set, `value` then untouched.
    int get(const QString& name, QString& value) const {
        auto it = values_.find(name);
        if (it == values_.end()) return kInvalidArg;
        value = *it;
        return kOk;
    }

private:
    QMap<QString, QString> values_;
};

}  // namespace engine::ff
