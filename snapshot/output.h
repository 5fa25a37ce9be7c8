#pragma once
// Where each round's document goes: standard output, or a file replaced atomically (a
// temporary file in the same folder, renamed over it), so a reader such as node_exporter's
// textfile collector never sees half a document.

#include <QByteArray>
#include <QString>

namespace morvain::snapshot
{

// Returns an empty string, or what went wrong, naming the file.
QString writeDocument(const QString &outputFile, const QByteArray &document);

} // namespace morvain::snapshot
