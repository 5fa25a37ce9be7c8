#pragma once
// Runs a test case in a fresh temporary working directory, where "Broker.cfg" lies.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace morvain::test
{

class TempWorkdir
{
public:
    TempWorkdir() : m_previous(QDir::currentPath()) { QDir::setCurrent(m_dir.path()); }
    ~TempWorkdir() { QDir::setCurrent(m_previous); }
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

// "Broker.cfg" in the current folder, with these bytes.
inline void writeBrokerCfg(const QByteArray &bytes)
{
    QFile f("Broker.cfg");
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// "Broker.cfg" naming the broker by its ID (a URL, a named broker or a scenario).
inline void useBroker(const QByteArray &brokerId)
{
    writeBrokerCfg(QByteArray(32, ' ') + brokerId.leftJustified(32, ' ') + QByteArray(96, ' '));
}

} // namespace morvain::test
