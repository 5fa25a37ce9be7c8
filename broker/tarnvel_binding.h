#pragma once
// Binds Broker from tarnvel at the first call and keeps it bound for the rest of the run.
// tarnvel is loaded by absolute path from one folder (the program's own), never from the
// current directory, so a library planted there is never picked up.

#include "entry_point.h"

#include <QLibrary>
#include <QString>

namespace morvain
{

class TarnvelBinding : public EntryPoint
{
public:
    explicit TarnvelBinding(const QString &directory);
    ~TarnvelBinding() override;

    int call(std::uint8_t *controlBlock, std::uint8_t *request, std::uint8_t *reply,
             std::uint8_t *errorText) override;

    static QString libraryFileName();
    QString libraryPath() const;

private:
    using BrokerFunction = int (*)(void *, void *, void *, void *);
    void bind();

    QString m_directory;
    QLibrary m_library;
    BrokerFunction m_broker = nullptr;
};

} // namespace morvain
