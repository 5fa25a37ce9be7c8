#pragma once
// Where each round's document goes: standard output, or a file replaced whole (a new file
// beside it, synced and renamed over it), so a reader such as node_exporter's textfile
// collector never sees half a document. Only a regular file is ever replaced; a symbolic
// link at the path is refused, never followed.

#include <QByteArray>
#include <QString>

namespace morvain::snapshot
{

// Why `outputFile` may not be replaced (a link, a FIFO, a device, a folder), or an empty
// string. Looks only; opens nothing.
QString refusedOutput(const QString &outputFile);

// Returns an empty string, or what went wrong, naming the file.
QString writeDocument(const QString &outputFile, const QByteArray &document);

} // namespace morvain::snapshot
