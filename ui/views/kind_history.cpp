#include "kind_history.h"

#include <QApplication>
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
    connect(&model, &ObjectModel::aboutToQuery, this, [this] {
        m_errorText.clear();
        m_openingText.clear();
        m_openingPending = true;
    });
    connect(&model, &ObjectModel::queried, this, &KindHistory::record);
}

void KindHistory::record()
{
    m_queriedAt = m_clock();
    m_reading = readingOf(*m_model);
    if (!m_reading.failed) {
        m_goodAt = m_queriedAt;
        m_count = m_reading.shown;
        m_changes.record(*m_model, m_queriedAt);
        // The very records of the query before, which the history holds too: the same
        // readings, without reading a key.
        if (m_keepCourse && m_courseHasBefore && m_changes.sameAsBefore())
            m_course.recordSame(m_queriedAt);
        else if (m_keepCourse)
            m_course.record(*m_model, m_queriedAt,
                            &m_changes.latest().keys()); // read once, for both
        m_courseHasBefore = m_keepCourse;
    }
    emit updated();
}

void KindHistory::setErrorText(const QString &text)
{
    if (m_openingPending) {
        m_openingText = text;
        m_openingPending = false;
    }
    if (text == m_errorText)
        return;
    m_errorText = text;
    if (m_reading.failed)
        emit updated();
}

void KindHistory::forget(const QString &note)
{
    m_forgottenNote = note;
    m_changes = ChangeTracker();
    m_course = QueryHistory();
    m_courseHasBefore = false;
    m_queriedAt = -1;
    m_goodAt.reset();
    m_count = 0;
    m_reading = QueryReading();
    m_errorText.clear();
    m_openingText.clear();
    m_openingPending = false;
    emit updated();
}

QString KindHistory::message() const
{
    if (!queried())
        return m_forgottenNote;
    const std::string_view title = m_model->kind().tableTitle;
    const QString kindTitle = QString::fromLatin1(title.data(), qsizetype(title.size())).toLower();
    return readingMessage(m_reading,
                          {kindTitle, m_errorText, m_queriedAt, m_goodAt, m_openingText});
}

QString KindHistory::summary() const
{
    if (!queried())
        return tr("Not queried yet");
    const auto clock = [](qint64 msecs) {
        return QDateTime::fromMSecsSinceEpoch(msecs).toString(QStringLiteral("HH:mm:ss"));
    };
    if (m_reading.failed)
        return m_goodAt ? tr("Query failed at %1; values from %2")
                              .arg(clock(m_queriedAt), clock(*m_goodAt))
                        : tr("Query failed at %1; no data yet").arg(clock(m_queriedAt));
    const QString time = clock(m_queriedAt);
    QString text = m_count == 1 ? tr("Queried at %1, 1 object").arg(time)
                                : tr("Queried at %1, %2 objects").arg(time).arg(m_count);
    if (m_reading.cut())
        text += tr(" of %1").arg(m_reading.total);
    return text;
}

QColor tintOnPalette(const QColor &light, const QPalette &palette)
{
    const bool dark =
        palette.color(QPalette::Base).lightness() < palette.color(QPalette::Text).lightness();
    if (!dark)
        return light;
    // The same hue and saturation, at a lightness the light text reads well on.
    QColor shade = light.toHsl();
    shade.setHsl(shade.hslHue(), shade.hslSaturation(), 70);
    return shade.toRgb();
}

QColor tintOnPalette(const QColor &light)
{
    return tintOnPalette(light, QApplication::palette());
}

QColor changedTint()
{
    return tintOnPalette({255, 236, 160});
}

QColor newTint()
{
    return tintOnPalette({200, 240, 200});
}

QColor failedTint()
{
    return tintOnPalette({250, 205, 200});
}

QColor cutTint()
{
    return tintOnPalette({255, 236, 160});
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
