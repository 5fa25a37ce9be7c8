#pragma once
// A snapshot round as one JSON document, its fields in record order. docs/snapshot-schema.md
// describes it; a change that breaks a reader raises the major version.

#include <QByteArray>

namespace morvain
{
struct SnapshotReport;

namespace json
{
inline constexpr const char *schemaVersion = "1.1";

QByteArray document(const SnapshotReport &report);
} // namespace json
} // namespace morvain
