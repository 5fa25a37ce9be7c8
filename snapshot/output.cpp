#include "output.h"

#include <QDir>
#include <QSaveFile>

#include <cstdio>

namespace morvain::snapshot
{

QString writeDocument(const QString &outputFile, const QByteArray &document)
{
    if (outputFile.isEmpty()) {
        if (std::fwrite(document.constData(), 1, size_t(document.size()), stdout) !=
                size_t(document.size()) ||
            std::fflush(stdout) != 0)
            return QStringLiteral("Cannot write to standard output.");
        return {};
    }
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
