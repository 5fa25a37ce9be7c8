#pragma once
// Judges every good query of each kind by the threshold rules (docs/thresholds.md) and
// keeps what is breached, for the tabs, the tables and the status bar to show. It reads the
// kinds' histories only: nothing here calls the broker or changes what is sent.
//
// A notification goes out once per rule and object as it goes into breach; staying
// breached sends nothing more, and clearing then breaching again sends one more. A failed
// query leaves the breaches of the last good one as they are.

#include "thresholds.h"
#include "views/kind_history.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>

#include <functional>
#include <memory>
#include <optional>

namespace morvain
{

class BreachWatch : public QObject
{
    Q_OBJECT
public:
    // Tells the user of a breach outside the window (a desktop notification).
    using Notifier = std::function<void(const QString &title, const QString &text)>;

    // `histories`: the tabs' kinds, tab order.
    explicit BreachWatch(QList<KindHistory *> histories, QObject *parent = nullptr);
    ~BreachWatch() override;

    // Reads the rules file at `path`. No file: no rules, and nothing shows. A file that
    // cannot be used, or rules in it that are refused, are kept as messages; the accepted
    // rules run.
    void load(const QString &path);
    // A rules file was found (even one whose rules were all refused).
    bool active() const { return m_active; }
    QString path() const { return m_path; }
    const thresholds::RuleFile &rules() const { return m_file; }
    // The file's error and each refused rule, one message a line.
    QStringList problems() const;
    // The kinds' names, tab order, and the fields rules may name, from their columns().
    QStringList kindNames() const;
    thresholds::KindFields kindFields() const;

    // The worst severity breached by the object with this key (ObjectModel::key) on tab
    // `tab`, optionally only by rules on `field`.
    std::optional<thresholds::Severity> severityOf(int tab, const QString &key,
                                                   const QString &field = {}) const;
    // The breaches of that object, as text, for tooltips.
    QStringList breachTexts(int tab, const QString &key, const QString &field = {}) const;
    std::optional<thresholds::Severity> worstOf(int tab) const;
    int count() const;
    // The first `atMost` breaches as text, tab order.
    QStringList texts(int atMost) const;
    // Kinds whose breaches are those of their last good query: the latest one failed.
    QStringList staleKinds() const;

    // Per tab, the fields beside its records that rules may name too (or nullptr).
    void setExtras(QList<const ObjectExtras *> extras) { m_extras = std::move(extras); }

    void setNotifier(Notifier notifier) { m_notifier = std::move(notifier); }
    // Off by default: breaches are still followed, only the notifier is not called.
    void setNotify(bool on) { m_notify = on; }
    bool notify() const { return m_notify; }

signals:
    // After the breaches or the rules changed.
    void changed();

private:
    void evaluate(int tab);
    // Places in m_breaches[tab].
    QList<qsizetype> breachesOf(int tab, const QString &key, const QString &field) const;

    QList<KindHistory *> m_histories;
    QList<const ObjectExtras *> m_extras;
    QString m_path;
    bool m_active = false;
    thresholds::RuleFile m_file;
    std::unique_ptr<thresholds::Evaluator> m_evaluator;
    QList<QList<thresholds::Breach>> m_breaches; // per tab
    // Per tab, per breach: its tooltip line, made when first asked for (most rows are
    // never painted) and then kept until the next query.
    mutable QList<QStringList> m_notes;
    // Per tab: shown key to its breaches' places, since every painted row asks.
    QList<QHash<QString, QList<qsizetype>>> m_byKey;
    QList<QSet<QString>> m_breached; // per tab: rule index and key, in breach
    Notifier m_notifier;
    bool m_notify = false;
};

// The colours of a breach: behind a row or a box (light on a light palette, a dark shade on
// a dark one), and the full colour of the tab's dot.
QColor breachTint(thresholds::Severity severity);
QColor breachColor(thresholds::Severity severity);
QString severityText(thresholds::Severity severity);

} // namespace morvain
