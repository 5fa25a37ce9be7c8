#include "output.h"

#include "whole_file.h"

#include <QDir>

#include <cstdio>

namespace morvain::snapshot
{

namespace
{
QString cannotWrite(const QString &outputFile, const QString &why)
{
    return QStringLiteral("Cannot write to '%1': %2.")
        .arg(QDir::current().absoluteFilePath(outputFile), why);
}
} // namespace

QString refusedOutput(const QString &outputFile)
{
    // A rename over a FIFO, a device or a folder would replace it with a regular file (run
    // as root, --output /dev/null would take the machine's /dev/null away); through a link,
    // whoever may write the folder would choose which file is replaced.
    const QString refused = refusedTarget(outputFile);
    return refused.isEmpty() ? refused : cannotWrite(outputFile, refused);
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
    const QString failed = writeWholeFile(outputFile, document);
    return failed.isEmpty() ? failed : cannotWrite(outputFile, failed);
}

} // namespace morvain::snapshot
