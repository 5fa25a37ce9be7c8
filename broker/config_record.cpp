#include "config_record.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace morvain
{

ConfigRecord readConfigRecord(const QString &path)
{
    QFile file(path);
    const QString shown = QDir::current().absoluteFilePath(path);
    const auto cannotOpen = [&shown](const QString &reason) {
        return ConfigFileError(QStringLiteral("Cannot open file for reading at '%1': %2.")
                                   .arg(shown, reason)
                                   .toStdString());
    };
    // Only a regular file: a FIFO would block the read. Looked at before the open, which
    // never blocks, and again on the open file.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile() && !info.isDir())
        throw cannotOpen(QStringLiteral("Not a regular file"));
    if (!file.open(QIODevice::ReadOnly))
        throw cannotOpen(file.errorString());
    if (file.isSequential())
        throw cannotOpen(QStringLiteral("Not a regular file"));
    ConfigRecord record;
    if (file.read(reinterpret_cast<char *>(record.data()), ConfigRecord::size) < 0)
        throw ConfigFileError(QStringLiteral("Cannot read file at '%1': %2.")
                                  .arg(shown, file.errorString())
                                  .toStdString());
    return record;
}

Identity identityOf(const ConfigRecord &r)
{
    return {r.text<"cfg_user_id">(), r.text<"cfg_broker_id">(), r.text<"cfg_server_class">(),
            r.text<"cfg_server_name">(), r.text<"cfg_service">()};
}

ConfigRecord recordOf(const Identity &identity)
{
    ConfigRecord r;
    r.setText<"cfg_user_id">(identity.userId);
    r.setText<"cfg_broker_id">(identity.brokerId);
    r.setText<"cfg_server_class">(identity.serverClass);
    r.setText<"cfg_server_name">(identity.serverName);
    r.setText<"cfg_service">(identity.service);
    return r;
}

} // namespace morvain
