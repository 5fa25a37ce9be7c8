#include "kind_history.h"

#include <QDateTime>

namespace morvain
{

Clock systemClock()
{
    return [] { return QDateTime::currentMSecsSinceEpoch(); };
}

KindHistory::KindHistory(ObjectModel &model, Clock clock, QObject *parent)
    : QObject(parent), m_model(&model), m_clock(std::move(clock))
{
    connect(&model, &ObjectModel::aboutToQuery, this, [this] { m_changes.detach(); });
    connect(&model, &ObjectModel::queried, this, &KindHistory::record);
}

void KindHistory::record()
{
    m_queriedAt = m_clock();
    m_count = m_model->objectCount();
    m_changes.record(*m_model, m_queriedAt);
    emit updated();
}

QString KindHistory::summary() const
{
    if (!queried())
        return tr("Not queried yet");
    const QString time =
        QDateTime::fromMSecsSinceEpoch(m_queriedAt).toString(QStringLiteral("HH:mm:ss"));
    return m_count == 1 ? tr("Queried at %1, 1 object").arg(time)
                        : tr("Queried at %1, %2 objects").arg(time).arg(m_count);
}

QColor changedTint()
{
    return {255, 236, 160};
}

QColor newTint()
{
    return {200, 240, 200};
}

QString changeToolTip(const FieldChange &change)
{
    if (change.state == ChangeState::New)
        return QObject::tr("New since the last query");
    if (change.state != ChangeState::Changed)
        return {};
    QString text = QObject::tr("Was: %1").arg(change.oldText);
    if (!change.oldDecoded.isEmpty())
        text += QStringLiteral(" (%1)").arg(change.oldDecoded);
    if (change.perSecond)
        text += QObject::tr("\nChange per second: %1").arg(*change.perSecond, 0, 'f', 2);
    return text;
}

} // namespace morvain
