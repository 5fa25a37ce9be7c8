#include "tarnvel_binding.h"

#include "broker_log.h"
#include "query_failure.h"

#include <QDir>
#include <QFileInfo>

namespace morvain
{

TarnvelBinding::TarnvelBinding(const QString &directory) : m_directory(directory) {}

// The library stays loaded until the process ends, as the program relies on.
TarnvelBinding::~TarnvelBinding() = default;

QString TarnvelBinding::libraryFileName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("tarnvel.dll");
#else
    return QStringLiteral("libtarnvel.so");
#endif
}

QString TarnvelBinding::libraryPath() const
{
    return QDir(m_directory).absoluteFilePath(libraryFileName());
}

void TarnvelBinding::bind()
{
    const QString path = libraryPath();
    if (!QFileInfo(path).isFile())
        throw QueryFailure(LibraryNotFound, "Cannot find '" + path.toStdString() + "'.");
    m_library.setFileName(path);
    if (!m_library.load()) {
        qCWarning(brokerLog) << "Cannot load" << path << ":" << m_library.errorString();
        throw QueryFailure(LibraryNotLoadable, m_library.errorString().toStdString());
    }
    auto *broker = reinterpret_cast<BrokerFunction>(m_library.resolve("Broker"));
    if (!broker) {
        qCWarning(brokerLog) << "No Broker in" << path << ":" << m_library.errorString();
        throw QueryFailure(EntryPointMissing, m_library.errorString().toStdString());
    }
    m_broker = broker;
}

int TarnvelBinding::call(std::uint8_t *controlBlock, std::uint8_t *request, std::uint8_t *reply,
                         std::uint8_t *errorText)
{
    if (!m_broker)
        bind();
    return m_broker(controlBlock, request, reply, errorText);
}

} // namespace morvain
