#pragma once
// The export documents as the plain reference writers make them: what the writers in
// objects/export/ must give byte for byte.

#include <QByteArray>

namespace morvain
{
class ObjectModel;
struct SnapshotReport;

namespace reference
{
QByteArray jsonDocument(const SnapshotReport &report);
QByteArray prometheusDocument(const SnapshotReport &report);
QByteArray csvDocument(const ObjectModel &model);
} // namespace reference
} // namespace morvain
