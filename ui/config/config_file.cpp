#include "config_file.h"

#include "dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace morvain
{

namespace
{

QString absolutePath(const QFile &file)
{
    return QDir::current().absoluteFilePath(file.fileName());
}

[[noreturn]] void cannotOpen(const QFile &file, const QString &reason)
{
    throw ConfigFileError(QStringLiteral("Cannot open file for reading and writing at '%1': %2.")
                              .arg(absolutePath(file), reason)
                              .toStdString());
}

// Only a regular file (or a link to one) is opened: a FIFO would block the read, a device
// or socket is no record file. The type is looked at before the open, which never blocks,
// and again on the open file in case it was swapped in between.
void openForRecords(QFile &file)
{
    const QString notRegular = QStringLiteral("Not a regular file");
    const QFileInfo info(file.fileName());
    if (info.exists() && !info.isFile() && !info.isDir())
        cannotOpen(file, notRegular);
    if (!file.open(QIODevice::ReadWrite))
        cannotOpen(file, file.errorString());
    if (file.isSequential()) {
        file.close();
        cannotOpen(file, notRegular);
    }
}

} // namespace

ConfigRecord readConfigFile()
{
    QFile file(configFileName);
    openForRecords(file);
    ConfigRecord record;
    const qint64 got = file.read(reinterpret_cast<char *>(record.data()), ConfigRecord::size);
    if (got < 0)
        throw ConfigFileError(QStringLiteral("Cannot read file at '%1': %2.")
                                  .arg(absolutePath(file), file.errorString())
                                  .toStdString());
    return record;
}

void writeConfigFile(const ConfigRecord &record)
{
    QFile file(configFileName);
    openForRecords(file);
    if (file.write(reinterpret_cast<const char *>(record.data()), ConfigRecord::size) !=
            ConfigRecord::size ||
        !file.flush())
        throw ConfigFileError(QStringLiteral("Cannot write file at '%1': %2.")
                                  .arg(absolutePath(file), file.errorString())
                                  .toStdString());
}

ConfigRecord readConfigOrEnd()
{
    try {
        return readConfigFile();
    } catch (const ConfigFileError &e) {
        dialogs::fatalMessage(QString::fromLocal8Bit(e.what()));
    }
}

void writeConfigOrEnd(const ConfigRecord &record)
{
    try {
        writeConfigFile(record);
    } catch (const ConfigFileError &e) {
        dialogs::fatalMessage(QString::fromLocal8Bit(e.what()));
    }
}

} // namespace morvain
