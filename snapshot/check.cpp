#include "check.h"

#include "exit_codes.h"
#include "object_model.h"
#include "query_failure.h"
#include "query_reading.h"
#include "service/service_extras.h"

#include <QDateTime>

#include <algorithm>

#include <cmath>
#include <cstdio>

namespace morvain::snapshot
{

using thresholds::Breach;
using thresholds::Comparison;
using thresholds::Rule;
using thresholds::RuleFile;
using thresholds::Severity;

namespace
{

constexpr int shownBreaches = 5; // in the status text; the rest are counted
constexpr int breachData = 20;   // in the performance data

const char *statusWord(int status)
{
    static const char *const words[] = {"OK", "WARNING", "CRITICAL", "UNKNOWN"};
    return words[status];
}

// CRITICAL outranks UNKNOWN: a breach that is known must page. UNKNOWN outranks WARNING:
// with part of the broker unseen, a warning is not known to be the worst.
int worse(int a, int b)
{
    static const int rank[] = {0, 1, 3, 2};
    return rank[a] >= rank[b] ? a : b;
}

// Labels are quoted; a quote inside is doubled, and '=' would end the label.
QString perfLabel(const QString &label)
{
    QString l = label;
    l.replace(u'\'', QStringLiteral("''")).replace(u'=', u'_');
    return u'\'' + l + u'\'';
}

QString number(double v)
{
    if (std::isfinite(v) && v == std::trunc(v) && std::fabs(v) < 1e15)
        return QString::number(static_cast<qint64>(v));
    return QString::number(v, 'f', 3);
}

// The rule as a threshold range of the plugins' format: the range holds the good values.
QString rangeOf(const Rule &rule)
{
    const double v = rule.value;
    const bool whole = v == std::trunc(v);
    switch (rule.comparison) {
    case Comparison::Greater:
        return QStringLiteral("~:") + number(v);
    case Comparison::GreaterOrEqual:
        return whole ? QStringLiteral("~:") + number(v - 1) : QString();
    case Comparison::Less:
        return number(v) + u':';
    case Comparison::LessOrEqual:
        return whole ? number(v + 1) + u':' : QString();
    case Comparison::Equal:
        return u'@' + number(v) + u':' + number(v);
    case Comparison::NotEqual:
        return number(v) + u':' + number(v);
    }
    return {};
}

} // namespace

thresholds::KindFields kindFields(const QList<ObjectModel *> &models)
{
    thresholds::KindFields fields;
    for (const ObjectModel *model : models)
        fields.insert(model->kindName(), model->columns());
    // Whatever the broker: the rules file is the same for every one.
    fields[QStringLiteral("service")] += serviceExtraFields();
    return fields;
}

QString unknownLine(const QString &why)
{
    QString text = why.simplified();
    text.replace(u'|', u'/'); // a '|' would start the performance data
    return QStringLiteral("MORVAIN UNKNOWN - %1\n").arg(text);
}

namespace
{
// Whether the kind's objects carry `field`: in their records or beside them.
bool gives(const KindReport &kind, const QString &field)
{
    const auto named = [&](const QList<FieldInfo> &fields) {
        return std::any_of(fields.begin(), fields.end(),
                           [&](const FieldInfo &f) { return f.name == field; });
    };
    return named(kind.model->columns()) || (kind.extras && named(kind.extras->fields()));
}
} // namespace

int judgeRound(const SnapshotReport &report, const RuleFile &rules, QString &line)
{
    int status = CheckOk;
    QStringList unknown;
    for (const QString &refused : rules.refused) {
        unknown << refused;
        status = worse(status, CheckUnknown);
    }
    thresholds::Evaluator evaluator(rules.rules);
    QList<Breach> breaches;
    QStringList perf;
    QStringList cut;
    int rateRules = 0;
    for (const KindReport &kind : report.kinds) {
        const ObjectModel &model = *kind.model;
        const QString name = model.kindName();
        const qint32 error = model.header().error_code;
        if (error != 0) {
            unknown << QStringLiteral("%1 query failed (error_code %2)").arg(name).arg(error);
            status = worse(status, CheckUnknown);
            perf << perfLabel(name + QStringLiteral("_objects")) + QStringLiteral("=U");
            continue;
        }
        perf << perfLabel(name + QStringLiteral("_objects")) + u'=' +
                    QString::number(model.shownCount()) + QStringLiteral(";;;0");
        breaches << evaluator.evaluate(model, report.time, kind.extras);
        // The rules judged only what the list brought: say so, or a cut list reads whole.
        const QueryReading reading = readingOf(model);
        if (reading.cut())
            cut << QStringLiteral("%1 %2 of %3 judged")
                       .arg(name)
                       .arg(reading.shown)
                       .arg(reading.total);
    }
    // One round has one reading per object: a rate needs two.
    for (const Rule &rule : rules.rules)
        rateRules += rule.rate ? 1 : 0;
    // A rule on a field beside the records (a NATS endpoint's errors) that this broker does
    // not give read nothing: said, or it reads as healthy.
    QStringList notGiven;
    for (const Rule &rule : rules.rules)
        for (const KindReport &kind : report.kinds)
            if (kind.model->kindName() == rule.kind && !gives(kind, rule.field) &&
                !notGiven.contains(rule.field))
                notGiven << rule.field;
    QStringList shown;
    for (const Breach &b : breaches) {
        status =
            worse(status, b.rule->severity == Severity::Critical ? CheckCritical : CheckWarning);
        if (shown.size() < shownBreaches)
            shown << b.text();
        if (perf.size() < breachData + report.kinds.size()) {
            QString label = b.rule->kind;
            if (!b.key.isEmpty())
                label += u' ' + b.key;
            label += u' ' + b.rule->field + (b.rule->rate ? QStringLiteral(" rate") : QString());
            const QString range = rangeOf(*b.rule);
            const bool critical = b.rule->severity == Severity::Critical;
            QString data = perfLabel(label) + u'=' + number(b.reading) + u';' +
                           (critical ? QString() : range) + u';' + (critical ? range : QString());
            while (data.endsWith(u';')) // empty trailing fields may go
                data.chop(1);
            perf << data;
        }
    }
    QString text;
    if (breaches.isEmpty()) {
        text = QStringLiteral("no rule breached (%1 rules, %2 kinds)")
                   .arg(rules.rules.size())
                   .arg(report.kinds.size());
    } else {
        text = QStringLiteral("%1 breached: %2")
                   .arg(breaches.size())
                   .arg(shown.join(QStringLiteral(", ")));
        if (breaches.size() > shown.size())
            text += QStringLiteral(" and %1 more").arg(breaches.size() - shown.size());
    }
    if (!unknown.isEmpty())
        text = unknown.join(QStringLiteral("; ")) + QStringLiteral("; ") + text;
    if (rateRules > 0)
        text += QStringLiteral("; %1 rate rules not checked (one round, no rate)").arg(rateRules);
    if (!cut.isEmpty())
        text += QStringLiteral("; ") + cut.join(QStringLiteral(", "));
    if (!notGiven.isEmpty())
        text += QStringLiteral("; not checked: %1 not given by this broker")
                    .arg(notGiven.join(QStringLiteral(", ")));
    text.replace(u'|', u'/');
    line = QStringLiteral("MORVAIN %1 - %2 | %3\n")
               .arg(QLatin1String(statusWord(status)), text, perf.join(u' '));
    return status;
}

int runCheck(SnapshotRound &round, const Options &o)
{
    QString line;
    int status = CheckUnknown;
    const QString path =
        o.thresholdsFile.isEmpty() ? thresholds::defaultRulesFile() : o.thresholdsFile;
    const RuleFile rules = thresholds::readRules(path, kindFields(round.models()));
    if (!rules.error.isEmpty()) {
        line = unknownLine(rules.error);
    } else {
        try {
            status = judgeRound(round.run(o.kinds), rules, line);
        } catch (const QueryFailure &failure) {
            line = unknownLine(QStringLiteral("Error no. %1: %2. %3")
                                   .arg(failure.number())
                                   .arg(QLatin1String(failureMeaning(failure.number())),
                                        QString::fromLocal8Bit(failure.what())));
        } catch (const std::exception &e) {
            line = unknownLine(QString::fromLocal8Bit(e.what()));
        }
    }
    std::fputs(line.toUtf8().constData(), stdout);
    std::fflush(stdout);
    return status;
}

} // namespace morvain::snapshot
