#pragma once
// Runs a test case in a fresh temporary working directory, where "Broker.cfg" lies.

#include <QDir>
#include <QTemporaryDir>

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

} // namespace morvain::test
