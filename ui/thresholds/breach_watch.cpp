#include "breach_watch.h"

#include "service/service_extras.h"

#include <QDateTime>
#include <QFileInfo>

namespace morvain
{

using thresholds::Breach;
using thresholds::Severity;

BreachWatch::BreachWatch(QList<KindHistory *> histories, QObject *parent)
    : QObject(parent), m_histories(std::move(histories))
{
    m_breaches.resize(m_histories.size());
    m_byKey.resize(m_histories.size());
    m_notes.resize(m_histories.size());
    m_breached.resize(m_histories.size());
    for (int tab = 0; tab < m_histories.size(); ++tab)
        connect(m_histories[tab], &KindHistory::updated, this, [this, tab] { evaluate(tab); });
}

BreachWatch::~BreachWatch() = default;

QStringList BreachWatch::kindNames() const
{
    QStringList names;
    for (const KindHistory *history : m_histories)
        names << history->model().kindName();
    return names;
}

thresholds::KindFields BreachWatch::kindFields() const
{
    thresholds::KindFields kinds;
    for (const KindHistory *history : m_histories)
        kinds.insert(history->model().kindName(), history->model().columns());
    // Whatever the broker: the rules file is the same for every one.
    kinds[QStringLiteral("service")] += serviceExtraFields();
    return kinds;
}

void BreachWatch::load(const QString &path)
{
    m_path = path;
    m_active = QFileInfo::exists(path);
    m_file = m_active ? thresholds::readRules(path, kindFields()) : thresholds::RuleFile{};
    // The breaches point into the rules they were found by: both go together.
    for (QList<Breach> &breaches : m_breaches)
        breaches.clear();
    for (auto &byKey : m_byKey)
        byKey.clear();
    for (QStringList &notes : m_notes)
        notes.clear();
    for (QSet<QString> &breached : m_breached)
        breached.clear();
    m_evaluator = std::make_unique<thresholds::Evaluator>(m_file.rules);
    // The stored objects are judged at once; rates start from the next query.
    for (int tab = 0; tab < m_histories.size(); ++tab)
        evaluate(tab);
    emit changed();
}

QStringList BreachWatch::problems() const
{
    QStringList all;
    if (!m_file.error.isEmpty())
        all << m_file.error;
    return all + m_file.refused;
}

void BreachWatch::evaluate(int tab)
{
    KindHistory &history = *m_histories[tab];
    // A forgotten history (another broker now) holds no breaches.
    if (!history.queried()) {
        const bool had = !m_breaches[tab].isEmpty();
        m_breaches[tab].clear();
        m_breached[tab].clear();
        m_byKey[tab].clear();
        m_notes[tab].clear();
        if (had)
            emit changed();
        return;
    }
    // Only a good query is judged ("updated" comes again for a failed one's error text);
    // a failed one keeps the breaches of the last good query, which the label says.
    if (!m_evaluator || m_file.rules.isEmpty() || !history.queried() || history.failed()) {
        if (history.failed() && !m_breaches[tab].isEmpty())
            emit changed();
        return;
    }
    QList<Breach> breaches = m_evaluator->evaluate(
        history.model(), QDateTime::fromMSecsSinceEpoch(history.queriedAt()), m_extras.value(tab));
    QSet<QString> breached;
    for (const Breach &breach : std::as_const(breaches)) {
        const QString id = QString::number(breach.rule->index) + u'\x1e' + breach.key;
        breached.insert(id);
        if (m_notify && m_notifier && !m_breached[tab].contains(id))
            m_notifier(tr("Threshold breached"), tr("%1 (%2, %3)")
                                                     .arg(breach.text(), breach.rule->label(),
                                                          severityText(breach.rule->severity)));
    }
    m_breached[tab] = std::move(breached);
    m_byKey[tab].clear();
    for (qsizetype i = 0; i < breaches.size(); ++i)
        m_byKey[tab][breaches.at(i).key] << i;
    m_notes[tab] = QStringList(breaches.size());
    m_breaches[tab] = std::move(breaches);
    // The readings in the texts change with every query, so the views are told each time.
    emit changed();
}

QStringList BreachWatch::staleKinds() const
{
    QStringList kinds;
    for (int tab = 0; tab < m_histories.size(); ++tab)
        if (m_histories[tab]->failed() && !m_breaches[tab].isEmpty())
            kinds << m_histories[tab]->model().kindName();
    return kinds;
}

QList<qsizetype> BreachWatch::breachesOf(int tab, const QString &key, const QString &field) const
{
    QList<qsizetype> found;
    if (tab < 0 || tab >= m_breaches.size())
        return found;
    for (qsizetype i : m_byKey[tab].value(thresholds::shownKey(key)))
        if (field.isEmpty() || m_breaches[tab].at(i).rule->field == field)
            found << i;
    return found;
}

std::optional<Severity> BreachWatch::severityOf(int tab, const QString &key,
                                                const QString &field) const
{
    std::optional<Severity> worst;
    for (qsizetype i : breachesOf(tab, key, field))
        if (!worst || m_breaches[tab].at(i).rule->severity == Severity::Critical)
            worst = m_breaches[tab].at(i).rule->severity;
    return worst;
}

QStringList BreachWatch::breachTexts(int tab, const QString &key, const QString &field) const
{
    QStringList texts;
    for (qsizetype i : breachesOf(tab, key, field)) {
        QString &note = m_notes[tab][i];
        if (note.isEmpty()) {
            const Breach &breach = m_breaches[tab].at(i);
            note =
                tr("Breached: %1 (%2, %3)")
                    .arg(breach.text(), breach.rule->label(), severityText(breach.rule->severity));
        }
        texts << note;
    }
    return texts;
}

std::optional<Severity> BreachWatch::worstOf(int tab) const
{
    std::optional<Severity> worst;
    if (tab >= 0 && tab < m_breaches.size())
        for (const Breach &breach : m_breaches[tab])
            if (!worst || breach.rule->severity == Severity::Critical)
                worst = breach.rule->severity;
    return worst;
}

int BreachWatch::count() const
{
    int n = 0;
    for (const QList<Breach> &breaches : m_breaches)
        n += int(breaches.size());
    return n;
}

QStringList BreachWatch::texts(int atMost) const
{
    QStringList texts;
    for (const QList<Breach> &breaches : m_breaches)
        for (const Breach &breach : breaches) {
            if (texts.size() >= atMost)
                return texts;
            texts << QStringLiteral("%1: %2").arg(severityText(breach.rule->severity),
                                                  breach.text());
        }
    return texts;
}

QColor breachTint(Severity severity)
{
    return tintOnPalette(severity == Severity::Critical ? QColor(255, 175, 175)
                                                        : QColor(255, 205, 130));
}

QColor breachColor(Severity severity)
{
    return severity == Severity::Critical ? QColor(211, 47, 47) : QColor(230, 140, 0);
}

QString severityText(Severity severity)
{
    return severity == Severity::Critical ? BreachWatch::tr("critical")
                                          : BreachWatch::tr("warning");
}

} // namespace morvain
