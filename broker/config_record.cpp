#include "config_record.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace morvain
{

namespace
{

// The one way "Broker.cfg" is opened, read and written. A message names the file by its
// absolute path as the file system holds it (QFile::encodeName), not as it was decoded.
class ConfigFile
{
public:
    ConfigFile(const QString &path, ConfigAccess access)
        : m_file(path), m_shown(QFile::encodeName(QDir::current().absoluteFilePath(path))),
          m_opening(access == ConfigAccess::Read ? "Cannot open file for reading"
                                                 : "Cannot open file for reading and writing")
    {
        // Only a regular file: a FIFO would block the read, a device or socket is no record
        // file. Looked at before the open, which never blocks, and again on the open file
        // in case it was swapped in between.
        const QByteArray notRegular = "Not a regular file";
        const QFileInfo info(path);
        if (info.exists() && !info.isFile() && !info.isDir())
            fail(m_opening, notRegular);
        const auto mode = access == ConfigAccess::Read ? QIODevice::ReadOnly : QIODevice::ReadWrite;
        if (!m_file.open(mode))
            fail(m_opening, m_file.errorString().toLocal8Bit());
        if (m_file.isSequential()) {
            m_file.close();
            fail(m_opening, notRegular);
        }
    }

    ConfigRecord read()
    {
        ConfigRecord record;
        if (m_file.read(reinterpret_cast<char *>(record.data()), ConfigRecord::size) < 0)
            fail("Cannot read file", m_file.errorString().toLocal8Bit());
        return record;
    }

    void write(const ConfigRecord &record)
    {
        if (m_file.write(reinterpret_cast<const char *>(record.data()), ConfigRecord::size) !=
                ConfigRecord::size ||
            !m_file.flush())
            fail("Cannot write file", m_file.errorString().toLocal8Bit());
    }

private:
    [[noreturn]] void fail(const QByteArray &what, const QByteArray &reason) const
    {
        throw ConfigFileError((what + " at '" + m_shown + "': " + reason + '.').toStdString());
    }

    QFile m_file;
    QByteArray m_shown;
    QByteArray m_opening;
};

} // namespace

ConfigRecord readConfigRecord(const QString &path, ConfigAccess access)
{
    return ConfigFile(path, access).read();
}

void writeConfigRecord(const QString &path, const ConfigRecord &record)
{
    ConfigFile(path, ConfigAccess::ReadWrite).write(record);
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
