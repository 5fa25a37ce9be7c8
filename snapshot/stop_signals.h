#pragma once
// SIGINT and SIGTERM as a Qt signal, delivered by the event loop: the handler only writes
// a byte to a pipe, and a QSocketNotifier reads it. A round runs without returning to the
// event loop, so a stop always takes effect between rounds.

#include <QObject>

class QSocketNotifier;

namespace morvain::snapshot
{

class StopSignals : public QObject
{
    Q_OBJECT
public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;
    bool ok() const { return m_notifier != nullptr; }

signals:
    void stopRequested();

private:
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace morvain::snapshot
