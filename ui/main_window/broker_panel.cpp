#include "broker_panel.h"

#include "text_support.h"

#include <QDateTime>
#include <QMouseEvent>

namespace morvain
{

QString shownBrokerId(const QString &brokerId)
{
    const QString id = trimIdentifier(brokerId);
    return id.isEmpty() ? QObject::tr("built-in demo broker") : maskedUserInfo(id);
}

QString brokerPanelText(const BrokerPanelState &state)
{
    QString text = shownBrokerId(state.brokerId);
    if (state.stopped)
        return text + QObject::tr(" | auto refresh stopped: %1").arg(state.stopReason);
    if (state.interval <= 0)
        return text + QObject::tr(" | auto refresh off");
    text += QObject::tr(" | auto refresh every %1 s").arg(state.interval);
    if (state.lastRoundAt)
        text += QObject::tr(", last round %1")
                    .arg(QDateTime::fromMSecsSinceEpoch(*state.lastRoundAt)
                             .toString(QStringLiteral("HH:mm:ss")));
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
    setToolTip(text() + u'\n' +
               (state.stopped ? tr("Click to resume auto refresh")
                              : tr("Click to set the broker to watch (Menu > Configure)")));
}

void BrokerPanel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QLabel::mousePressEvent(event);
    if (m_state.stopped)
        emit resumeRequested();
    else
        emit configureRequested();
}

} // namespace morvain
