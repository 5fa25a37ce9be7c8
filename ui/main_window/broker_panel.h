#pragma once
// The third panel of the status bar: which broker the window watches, and whether auto
// refresh runs (and when its last round ended) or why it stopped. A click on it opens
// the configuration dialog, or resumes auto refresh when that stopped.

#include <QLabel>

#include <functional>
#include <optional>

namespace morvain
{

struct BrokerPanelState {
    QString brokerId;                  // as "Broker.cfg" holds it, untrimmed
    int interval = 0;                  // auto refresh, seconds; 0 is off
    bool stopped = false;              // auto refresh stopped itself
    QString stopReason;                // why, when it stopped
    std::optional<qint64> lastRoundAt; // msecs since the epoch
};

// "built-in demo broker" for a blank broker ID; a URL's password shown as "***".
QString shownBrokerId(const QString &brokerId);
QString brokerPanelText(const BrokerPanelState &state);

class BrokerPanel : public QLabel
{
    Q_OBJECT
public:
    explicit BrokerPanel(QWidget *parent = nullptr);

    void showState(const BrokerPanelState &state);
    const BrokerPanelState &state() const { return m_state; }

signals:
    void configureRequested();
    void resumeRequested();

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    BrokerPanelState m_state;
};

} // namespace morvain
