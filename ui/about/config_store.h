#pragma once
// The three things "&System Info..." needs from the system: a value of its configuration
// store, a file-existence test and starting a program without waiting. Tests hand in a
// fake; systemConfigStore() is the real one (the registry on Windows; elsewhere, see
// system_config_store.cpp).

#include <QByteArray>
#include <QString>

namespace morvain
{

class ConfigStore
{
public:
    virtual ~ConfigStore() = default;
    // The value valueName of key keyPath below root: its bytes as the store returns them
    // (a text may or may not count its terminating zero) and its type (1 = text).
    // False when the key cannot be opened or the value cannot be read.
    virtual bool readValue(quint32 root, const QString &keyPath, const QString &valueName,
                           QByteArray &data, quint32 &type) = 0;
    virtual bool fileExists(const QString &path) = 0;
    // Starts the program in a normal window and returns at once; false if it did not start.
    virtual bool startDetached(const QString &program) = 0;
};

ConfigStore &systemConfigStore();

} // namespace morvain
