#include "output.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

namespace morvain::snapshot
{

QString refusedOutput(const QString &outputFile)
{
    // A rename over a FIFO, a device or a folder would replace it with a regular file (run
    // as root, --output /dev/null would take the machine's /dev/null away).
    const QFileInfo info(outputFile); // follows a link to what it names
    if (!info.exists() || info.isFile())
        return {};
    return QStringLiteral("Cannot write to '%1': not a regular file, and only a regular file is "
                          "ever replaced.")
        .arg(QDir::current().absoluteFilePath(outputFile));
}

QString writeDocument(const QString &outputFile, const QByteArray &document)
{
    if (outputFile.isEmpty()) {
        if (std::fwrite(document.constData(), 1, size_t(document.size()), stdout) !=
                size_t(document.size()) ||
            std::fflush(stdout) != 0)
            return QStringLiteral("Cannot write to standard output.");
        return {};
    }
    if (const QString refused = refusedOutput(outputFile); !refused.isEmpty())
        return refused;
    QSaveFile file(outputFile);
    const QString shown = QDir::current().absoluteFilePath(outputFile);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("Cannot open file for writing at '%1': %2.")
            .arg(shown, file.errorString());
    file.write(document);
    if (!file.commit())
        return QStringLiteral("Cannot write file at '%1': %2.").arg(shown, file.errorString());
    return {};
}

} // namespace morvain::snapshot
