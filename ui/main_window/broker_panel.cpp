#include "broker_panel.h"

#include "known_brokers.h"
#include "text_support.h"

#include <QContextMenuEvent>
#include <QDateTime>
#include <QMenu>
#include <QMouseEvent>

namespace morvain
{

QString shownBrokerId(const QString &brokerId)
{
    const QString id = trimIdentifier(brokerId);
    return id.isEmpty() ? QObject::tr("built-in demo broker") : maskedUserInfo(id);
}

namespace
{
QString clock(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs).toString(QStringLiteral("HH:mm:ss"));
}
} // namespace

QString brokerPanelText(const BrokerPanelState &state)
{
    QString text = shownBrokerId(state.brokerId);
    if (state.interval <= 0)
        return text + QObject::tr(" | auto refresh off");
    text += QObject::tr(" | auto refresh every %1 s").arg(state.interval);
    if (!state.lastRoundAt)
        return text;
    text += QObject::tr(", last round %1").arg(clock(*state.lastRoundAt));
    if (state.failedInLastRound > 0) {
        text += state.failedInLastRound == 1
                    ? QObject::tr(": 1 query failed")
                    : QObject::tr(": %1 queries failed").arg(state.failedInLastRound);
        text += state.lastGoodRoundAt
                    ? QObject::tr(", last good round %1").arg(clock(*state.lastGoodRoundAt))
                    : QObject::tr(", no good round yet");
    }
    if (state.heldInLastRound > 0)
        text += state.heldInLastRound == 1
                    ? QObject::tr(", 1 message held")
                    : QObject::tr(", %1 messages held").arg(state.heldInLastRound);
    return text;
}

BrokerPanel::BrokerPanel(QWidget *parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("stbMessage_panel3"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(tr("Broker and auto refresh"));
}

void BrokerPanel::showState(const BrokerPanelState &state)
{
    m_state = state;
    setText(brokerPanelText(state));
    QString tip = text() + u'\n' +
                  tr("Click to set the broker to watch (Menu > Configure); right-click to "
                     "pick a named broker or scenario");
    if (!state.notes.isEmpty())
        tip +=
            u'\n' + tr("Messages the auto refresh rounds held:") + u'\n' + state.notes.join(u'\n');
    setToolTip(tip);
}

QMenu *BrokerPanel::pickMenu(const QStringList &names)
{
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("mnuPickBroker"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QString current = m_state.brokerId.trimmed();
    for (const QString &name : QStringList{QString()} + names) {
        QAction *item = menu->addAction(name.isEmpty() ? tr("built-in demo broker") : name);
        item->setCheckable(true);
        item->setChecked(name == current);
        connect(item, &QAction::triggered, this, [this, name] { emit brokerPicked(name); });
    }
    menu->addSeparator();
    connect(menu->addAction(tr("Configure...")), &QAction::triggered, this,
            &BrokerPanel::configureRequested);
    return menu;
}

void BrokerPanel::contextMenuEvent(QContextMenuEvent *event)
{
    pickMenu(knownBrokerNames(brokerListFile(), scenarioFolder()))->popup(event->globalPos());
    event->accept();
}

void BrokerPanel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QLabel::mousePressEvent(event);
    emit configureRequested();
}

} // namespace morvain
