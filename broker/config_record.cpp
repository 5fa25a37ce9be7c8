#include "config_record.h"

#include <QDir>
#include <QFile>

namespace morvain
{

ConfigRecord readConfigRecord(const QString &path)
{
    QFile file(path);
    const QString shown = QDir::current().absoluteFilePath(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ConfigFileError(QStringLiteral("Cannot open file for reading at '%1': %2.")
                                  .arg(shown, file.errorString())
                                  .toStdString());
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
