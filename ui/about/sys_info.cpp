#include "sys_info.h"

#include "dialogs.h"

#include <exception>

namespace morvain
{

bool GetKeyValue(ConfigStore &store, quint32 KeyRoot, const QString &KeyName,
                 const QString &SubKeyRef, QString &KeyVal)
{
    QByteArray data;
    quint32 type = 0;
    if (!store.readValue(KeyRoot, KeyName, SubKeyRef, data, type)) {
        KeyVal.clear();
        return false;
    }
    qsizetype kept = data.size();
    if (kept > 0 && data.at(kept - 1) == '\0')
        --kept;
    KeyVal = type == sysinfo::textValue ? QString::fromLocal8Bit(data.first(kept)) : QString();
    return true;
}

namespace
{

bool findAndStart(ConfigStore &store)
{
    QString path;
    // A registered program is started as it stands, without looking for the file.
    if (!GetKeyValue(store, sysinfo::localMachine, sysinfo::programKey, sysinfo::programValue,
                     path)) {
        QString folder;
        if (!GetKeyValue(store, sysinfo::localMachine, sysinfo::folderKey, sysinfo::folderValue,
                         folder))
            return false;
        path = folder + sysinfo::programInFolder;
        if (!store.fileExists(path))
            return false;
    }
    return !path.isEmpty() && store.startDetached(path);
}

} // namespace

void StartSysInfo(ConfigStore &store)
{
    bool started = false;
    try {
        started = findAndStart(store);
    } catch (const std::exception &) {
        // any failure on the way ends in the same message
    }
    if (!started)
        dialogs::message(dialogs::applicationTitle, sysinfo::unavailableText);
}

} // namespace morvain
