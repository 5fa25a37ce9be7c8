#pragma once
// Fields of a kind's objects that its records have no place for, read from beside them (a
// NATS broker's endpoint errors and processing times, from the stand-in's extras file) and
// found by object key. The table window, the exports and the thresholds show them after
// the record's fields; the records themselves never change for them.

#include "object_model.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

namespace morvain
{

class ObjectExtras
{
public:
    virtual ~ObjectExtras() = default;
    // The extra fields, in the order the views show them; none where the broker has none.
    virtual QList<FieldInfo> fields() const = 0;
    // Extra field `i` of the object whose ObjectModel::key is `key`: a qint64 for a number,
    // a QString for a text; null when the kind's last query brought none for it.
    virtual QVariant value(const QString &key, int i) const = 0;
};

// The number extra named `field` of object `key`, if `extras` has one for it.
inline std::optional<double> extraNumber(const ObjectExtras *extras, const QString &key,
                                         const QString &field)
{
    const QList<FieldInfo> fields = extras ? extras->fields() : QList<FieldInfo>{};
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].name == field && fields[i].kind != FieldKind::Text)
            if (const QVariant v = extras->value(key, i); !v.isNull())
                return v.toDouble();
    return std::nullopt;
}

} // namespace morvain
