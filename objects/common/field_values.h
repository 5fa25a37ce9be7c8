#pragma once
// A stored reply's object fields as the ObjectModel face shows them, read through the
// kind's field table. Padding carries nothing and is no column.

#include "object_model.h"
#include "wire_field.h"

#include <QList>

#include <cstdint>
#include <span>
#include <string_view>

namespace morvain
{

// How a kind classifies and decodes its fields.
struct FieldRules {
    FieldKind (*kindOf)(std::string_view name);
    // The word or derived reading of a number field; empty when there is none.
    QString (*decodedOf)(std::string_view name, std::int64_t number);
};

QList<FieldInfo> columnsOf(std::span<const wire::Field> objectFields, const FieldRules &rules);
QList<FieldValue> valuesOf(std::span<const std::uint8_t> record,
                           std::span<const wire::Field> objectFields, const FieldRules &rules);

// The number stored little-endian in `width` bytes at `at`, signed.
std::int64_t numberAt(const std::uint8_t *at, int width);

// The value named `name` among `values`; an empty value when there is none.
FieldValue valueNamed(const QList<FieldValue> &values, std::string_view name);

} // namespace morvain
