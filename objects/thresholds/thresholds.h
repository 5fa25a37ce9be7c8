#pragma once
// Threshold rules: "this field (or its rate) of objects of this kind, whose key matches,
// must not compare so to this value". The file format is docs/thresholds.md. Reads kinds
// only through ObjectModel; no widgets, so the window and morvain-snapshot share it.

#include "object_extras.h"
#include "object_model.h"

#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace morvain::thresholds
{

enum class Comparison { Greater, GreaterOrEqual, Less, LessOrEqual, Equal, NotEqual };
enum class Severity { Warning, Critical };

struct Rule {
    int index = 0; // place in the file's list, from 1
    QString name;  // may be empty
    QString kind;
    QString field;
    bool rate = false;    // per second between two readings of the same object
    bool counter = false; // the field only grows while its object lives: a drop is a restart
    Comparison comparison = Comparison::Greater;
    double value = 0;
    QString match; // a wildcard on the shown key ('*', '?'); empty: every object
    Severity severity = Severity::Warning;

    // "rule 3 (\"billing backlog\")", for messages.
    QString label() const;
    bool breachedBy(double reading) const;
};

struct RuleFile {
    QList<Rule> rules;   // the rules that were accepted
    QStringList refused; // one message per refused rule, naming it
    QString error;       // the file as a whole could not be used; then rules is empty
};

// The rules file's place by default, the same for every program: thresholds.json in the
// user's configuration folder for Morvain (~/.config/morvain on Linux).
QString defaultRulesFile();

// The fields a rule may name, per kind: the number fields of each kind's columns(), and of
// its extras.
using KindFields = QHash<QString, QList<FieldInfo>>;

RuleFile parseRules(const QByteArray &json, const KindFields &kinds);
RuleFile readRules(const QString &path, const KindFields &kinds);
// One rule as an entry of the file's list, only the keys it needs; parseRules reads it back
// as the same rule.
QJsonObject ruleJson(const Rule &rule);

// The key as a person reads it: key() with its parts joined by '/'.
QString shownKey(const QString &key);
// '*' any run of characters, '?' one character; everything else stands for itself.
bool wildcardMatches(QStringView pattern, QStringView text);

const char *comparisonText(Comparison c);

struct Breach {
    const Rule *rule = nullptr;
    QString key; // shown key; empty for the broker
    double reading = 0;
    QString text() const; // "service billing/-/payments short_act 7155 > 1000"
};

// Evaluates rules over the kinds' models after each query. Rate rules compare with the
// reading of the same object in the evaluation before; the first one has none.
class Evaluator
{
public:
    explicit Evaluator(const QList<Rule> &rules) : m_rules(rules) {}
    // The breaches among `model`'s objects, read at `time`; a rule's field that the records
    // lack is read from `extras`, where the kind has them.
    QList<Breach> evaluate(const ObjectModel &model, const QDateTime &time,
                           const ObjectExtras *extras = nullptr);
    // Rate rules that found no earlier reading in the last evaluate() of their kind.
    int ratesWithoutReading() const { return m_withoutReading; }
    const QList<Rule> &rules() const { return m_rules; }

private:
    struct Reading {
        double value = 0;
        qint64 msecs = 0; // since the epoch: a local QDateTime asks the time zone each time
    };
    QList<Rule> m_rules;
    QHash<QString, Reading> m_before; // kind, key and field joined by '\x1e'
    int m_withoutReading = 0;
};

} // namespace morvain::thresholds
