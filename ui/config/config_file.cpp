#include "config_file.h"

#include "dialogs.h"

namespace morvain
{

ConfigRecord readConfigFile()
{
    return readConfigRecord(configFileName, ConfigAccess::ReadWrite);
}

void writeConfigFile(const ConfigRecord &record)
{
    writeConfigRecord(configFileName, record);
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
