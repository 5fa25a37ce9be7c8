#pragma once
// Files the programs write and read, so that none can be taken over or hang them.
//
// Writing: whole or not at all. The bytes go to a new file beside the target (created
// exclusively, never through a link), are synced, and renamed over it; a failure at any
// step removes the new file and leaves the target as it was. A symbolic link at the target
// is refused, not followed: whoever may write the folder could otherwise point it at any
// file the program may replace. Only a regular file is ever replaced.
//
// Reading: only a regular file of bounded size. The open never blocks (a FIFO would wait
// for a writer for ever, a device may never end), and the file is judged by what was
// opened, not by a look before. A link is followed here: reading through it takes nothing
// over.

#include <QByteArray>
#include <QString>

namespace morvain
{

// Why `path` may not be replaced (a link, a FIFO, a device, a folder), or an empty string.
// Looks only; opens nothing.
QString refusedTarget(const QString &path);

// Writes `bytes` as the whole of `path`. Returns an empty string, or why not, in words that
// follow "Cannot write to '...': ".
QString writeWholeFile(const QString &path, const QByteArray &bytes);

struct SmallFile {
    bool missing = false; // nothing at the path (error says so too)
    QString error;        // empty: bytes is the whole file
    QByteArray bytes;
};

inline constexpr qint64 defaultReadLimit = 4 * 1024 * 1024;

// The whole of `path` if it is a regular file of at most `limit` bytes. The error follows
// "Cannot open file for reading at '...': ".
SmallFile readSmallFile(const QString &path, qint64 limit = defaultReadLimit);

} // namespace morvain
