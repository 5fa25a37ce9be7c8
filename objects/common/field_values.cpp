#include "field_values.h"

#include "decimal.h"

namespace morvain
{

std::int64_t numberAt(const std::uint8_t *at, int width)
{
    std::uint64_t v = 0;
    for (int i = width - 1; i >= 0; --i)
        v = (v << 8) | at[i];
    if (width == 2)
        return static_cast<std::int16_t>(v);
    if (width == 4)
        return static_cast<std::int32_t>(v);
    return static_cast<std::int64_t>(v);
}

QList<FieldInfo> columnsOf(std::span<const wire::Field> objectFields, const FieldRules &rules)
{
    QList<FieldInfo> columns;
    for (const wire::Field &f : objectFields) {
        if (f.encoding == wire::Encoding::Padding)
            continue;
        const FieldKind kind =
            f.encoding == wire::Encoding::Text ? FieldKind::Text : rules.kindOf(f.name);
        columns.append({QString::fromLatin1(f.name.data(), qsizetype(f.name.size())), kind});
    }
    return columns;
}

QList<FieldValue> valuesOf(std::span<const std::uint8_t> record,
                           std::span<const wire::Field> objectFields, const FieldRules &rules)
{
    QList<FieldValue> values;
    for (const wire::Field &f : objectFields) {
        if (f.encoding == wire::Encoding::Padding)
            continue;
        FieldValue v;
        v.name = QString::fromLatin1(f.name.data(), qsizetype(f.name.size()));
        const std::uint8_t *at = record.data() + f.offset;
        if (f.encoding == wire::Encoding::Text) {
            v.kind = FieldKind::Text;
            v.text = QString::fromLatin1(reinterpret_cast<const char *>(at), f.width);
        } else {
            v.kind = rules.kindOf(f.name);
            v.number = numberAt(at, f.width);
            v.text = decimal(v.number);
            v.decoded = rules.decodedOf(f.name, v.number);
        }
        values.append(v);
    }
    return values;
}

FieldValue valueNamed(const QList<FieldValue> &values, std::string_view name)
{
    const QString wanted = QString::fromLatin1(name.data(), qsizetype(name.size()));
    for (const FieldValue &v : values)
        if (v.name == wanted)
            return v;
    return {};
}

} // namespace morvain
