#include "config_store.h"

#include <QFileInfo>
#include <QProcess>

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <array>
#else
#include "sys_info.h"

#include <QStandardPaths>
#endif

namespace morvain
{

namespace
{

class SystemConfigStore : public ConfigStore
{
public:
    bool readValue(quint32 root, const QString &keyPath, const QString &valueName, QByteArray &data,
                   quint32 &type) override;

    bool fileExists(const QString &path) override { return QFileInfo(path).isFile(); }

    bool startDetached(const QString &program) override
    {
        return QProcess::startDetached(program, {});
    }
};

#ifdef Q_OS_WIN

bool SystemConfigStore::readValue(quint32 root, const QString &keyPath, const QString &valueName,
                                  QByteArray &data, quint32 &type)
{
    // The predefined roots are negative LONGs widened to a handle.
    const auto rootKey = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
    HKEY key = nullptr;
    // Read rights only: asking for more fails under a standard account.
    if (RegOpenKeyExA(rootKey, keyPath.toLocal8Bit().constData(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    std::array<char, 1024> buffer{};
    DWORD size = DWORD(buffer.size());
    DWORD valueType = 0;
    const LONG result =
        RegQueryValueExA(key, valueName.toLocal8Bit().constData(), nullptr, &valueType,
                         reinterpret_cast<BYTE *>(buffer.data()), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return false;
    data = QByteArray(buffer.data(), qsizetype(size));
    type = valueType;
    return true;
}

#else

// No registry here. The store answers one question: the program's "PATH" entry is the
// first system information or system monitor program found on PATH from the list below;
// the folder entry does not exist.
bool SystemConfigStore::readValue(quint32 root, const QString &keyPath, const QString &valueName,
                                  QByteArray &data, quint32 &type)
{
    if (root != sysinfo::localMachine || keyPath != sysinfo::programKey ||
        valueName != sysinfo::programValue)
        return false;
    static const char *const programs[] = {
        "hardinfo",  "gnome-system-monitor", "plasma-systemmonitor",
        "ksysguard", "mate-system-monitor",  "xfce4-taskmanager",
        "lxtask"};
    for (const char *name : programs) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty()) {
            data = found.toLocal8Bit();
            data.append('\0'); // as the registry answers a text
            type = sysinfo::textValue;
            return true;
        }
    }
    return false;
}

#endif

} // namespace

ConfigStore &systemConfigStore()
{
    static SystemConfigStore store;
    return store;
}

} // namespace morvain
