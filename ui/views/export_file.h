#pragma once
// What a window exports (a table's CSV, the Trends window's CSV and PNG) is written whole
// or not at all, never through a link; a failure is a box titled as the export.

#include <QByteArray>
#include <QString>

namespace morvain
{

// Returns whether `bytes` is now the whole of `path`; otherwise a box said why.
bool exportFile(const QString &title, const QString &path, const QByteArray &bytes);

} // namespace morvain
