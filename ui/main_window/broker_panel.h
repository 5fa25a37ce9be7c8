#pragma once
// The third panel of the status bar: which broker the window watches, and whether auto
// refresh runs: when its last round ended, how many of its queries failed and when the
// last good round was, and the messages its rounds held (in the tooltip). A click on it
// opens the configuration dialog.

#include <QLabel>
#include <QStringList>

class QMenu;
#include <QStringList>

#include <functional>
#include <optional>

namespace morvain
{

struct BrokerPanelState {
    QString brokerId;                  // as "Broker.cfg" holds it, untrimmed
    int interval = 0;                  // auto refresh, seconds; 0 is off
    std::optional<qint64> lastRoundAt; // msecs since the epoch
    int failedInLastRound = 0;         // queries whose reply said they failed
    std::optional<qint64> lastGoodRoundAt;
    int heldInLastRound = 0; // messages the round held instead of showing them
    QStringList notes;       // the held messages, oldest first: "12:01:10 Broker Message: ..."
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

    // The menu a right click shows: one item per name, "" for the demo broker.
    QMenu *pickMenu(const QStringList &names);

signals:
    void configureRequested();
    // A name picked from the right-click menu: the broker to watch from now on.
    void brokerPicked(const QString &name);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    BrokerPanelState m_state;
};

} // namespace morvain
