#include "config_file.h"

#include "dialogs.h"

#include <QDir>
#include <QFile>

namespace morvain
{

namespace
{

void openForRecords(QFile &file)
{
    if (!file.open(QIODevice::ReadWrite))
        throw ConfigFileError(
            QStringLiteral("Cannot open file for reading and writing at '%1': %2.")
                .arg(QDir::current().absoluteFilePath(file.fileName()), file.errorString())
                .toStdString());
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
                                  .arg(configFileName, file.errorString())
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
                                  .arg(configFileName, file.errorString())
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
