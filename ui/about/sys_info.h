#pragma once
// Finding and starting the system information program for the About box.

#include "config_store.h"

#include <QString>

namespace morvain::sysinfo
{

inline constexpr quint32 localMachine = 0x80000002; // HKEY_LOCAL_MACHINE
inline constexpr quint32 textValue = 1;             // REG_SZ

// Where the program itself is registered...
inline const QString programKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
inline const QString programValue = QStringLiteral("PATH");
// ...or, failing that, the folder it should be in.
inline const QString folderKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
inline const QString folderValue = QStringLiteral("MSINFO");
inline const QString programInFolder = QStringLiteral("\\MSINFO32.EXE");

inline const QString unavailableText =
    QStringLiteral("System Information Is Unavailable At This Time");

} // namespace morvain::sysinfo

namespace morvain
{

// Reads a text value into KeyVal. True when the value was read; a value that is not text
// reads as an empty KeyVal (no usable path). A returned size that counts the text's
// terminating zero is cut by one byte.
bool GetKeyValue(ConfigStore &store, quint32 KeyRoot, const QString &KeyName,
                 const QString &SubKeyRef, QString &KeyVal);

// Starts the system information program without waiting, or shows "System Information Is
// Unavailable At This Time" when it cannot be found or started.
void StartSysInfo(ConfigStore &store);

} // namespace morvain
