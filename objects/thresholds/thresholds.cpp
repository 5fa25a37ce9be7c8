#include "thresholds.h"

#include "field_values.h"
#include "whole_file.h"
#include "wire_field.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QStandardPaths>

#include <cmath>

namespace morvain::thresholds
{

namespace
{

struct ComparisonName {
    const char *text;
    Comparison comparison;
};
constexpr ComparisonName comparisons[] = {
    {">", Comparison::Greater}, {">=", Comparison::GreaterOrEqual},
    {"<", Comparison::Less},    {"<=", Comparison::LessOrEqual},
    {"==", Comparison::Equal},  {"!=", Comparison::NotEqual},
};

const QStringList &ruleKeys()
{
    static const QStringList keys = {QStringLiteral("name"),       QStringLiteral("kind"),
                                     QStringLiteral("field"),      QStringLiteral("rate"),
                                     QStringLiteral("comparison"), QStringLiteral("value"),
                                     QStringLiteral("match"),      QStringLiteral("severity")};
    return keys;
}

// What is wrong with one entry of the list, or an empty string when `rule` was filled.
QString readRule(const QJsonObject &o, const KindFields &kinds, Rule &rule)
{
    for (auto it = o.begin(); it != o.end(); ++it)
        if (!ruleKeys().contains(it.key()))
            return QStringLiteral("unknown key '%1'").arg(it.key());
    for (const char *required : {"kind", "field", "comparison", "value", "severity"})
        if (!o.contains(QLatin1String(required)))
            return QStringLiteral("no '%1'").arg(QLatin1String(required));
    if (o.contains(QLatin1String("name")) && !o.value(QLatin1String("name")).isString())
        return QStringLiteral("'name' is not a text");
    rule.kind = o.value(QLatin1String("kind")).toString();
    const auto fields = kinds.constFind(rule.kind);
    if (fields == kinds.cend())
        return QStringLiteral("unknown kind '%1'").arg(o.value(QLatin1String("kind")).toString());
    rule.field = o.value(QLatin1String("field")).toString();
    const auto field = std::find_if(fields->cbegin(), fields->cend(),
                                    [&](const FieldInfo &f) { return f.name == rule.field; });
    if (field == fields->cend() || field->kind == FieldKind::Text)
        return QStringLiteral("unknown field '%1' for kind %2 (a number field is needed)")
            .arg(o.value(QLatin1String("field")).toString(), rule.kind);
    rule.counter = field->kind == FieldKind::Counter;
    const QJsonValue rate = o.value(QLatin1String("rate"));
    if (!rate.isUndefined() && !rate.isBool())
        return QStringLiteral("'rate' is not true or false");
    rule.rate = rate.toBool(false);
    const QString comparison = o.value(QLatin1String("comparison")).toString();
    const auto known =
        std::find_if(std::begin(comparisons), std::end(comparisons),
                     [&](const ComparisonName &c) { return comparison == QLatin1String(c.text); });
    if (known == std::end(comparisons))
        return QStringLiteral("bad comparison '%1' (one of >, >=, <, <=, ==, !=)").arg(comparison);
    rule.comparison = known->comparison;
    const QJsonValue value = o.value(QLatin1String("value"));
    if (!value.isDouble())
        return QStringLiteral("'value' is not a number");
    rule.value = value.toDouble();
    const QJsonValue match = o.value(QLatin1String("match"));
    if (!match.isUndefined() && !match.isString())
        return QStringLiteral("'match' is not a text");
    rule.match = match.toString();
    const QString severity = o.value(QLatin1String("severity")).toString();
    if (severity == QLatin1String("warning"))
        rule.severity = Severity::Warning;
    else if (severity == QLatin1String("critical"))
        rule.severity = Severity::Critical;
    else
        return QStringLiteral("bad severity '%1' (warning or critical)").arg(severity);
    return {};
}

QString numberText(double v)
{
    if (std::isfinite(v) && v == std::trunc(v) && std::fabs(v) < 1e15)
        return QString::number(static_cast<qint64>(v));
    return QString::number(v, 'g', 6);
}

} // namespace

QString Rule::label() const
{
    return name.isEmpty() ? QStringLiteral("rule %1").arg(index)
                          : QStringLiteral("rule %1 (\"%2\")").arg(index).arg(name);
}

bool Rule::breachedBy(double reading) const
{
    switch (comparison) {
    case Comparison::Greater:
        return reading > value;
    case Comparison::GreaterOrEqual:
        return reading >= value;
    case Comparison::Less:
        return reading < value;
    case Comparison::LessOrEqual:
        return reading <= value;
    case Comparison::Equal:
        return reading == value;
    case Comparison::NotEqual:
        return reading != value;
    }
    return false;
}

const char *comparisonText(Comparison c)
{
    for (const ComparisonName &n : comparisons)
        if (n.comparison == c)
            return n.text;
    return "?";
}

// AppConfigLocation follows the application's name, and the window and morvain-snapshot
// have different ones; both take the folder an application named "morvain" would get.
QString defaultRulesFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/morvain/thresholds.json");
}

RuleFile parseRules(const QByteArray &json, const KindFields &kinds)
{
    RuleFile file;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        file.error =
            QStringLiteral("not JSON at offset %1: %2").arg(error.offset).arg(error.errorString());
        return file;
    }
    const QJsonObject top = document.object();
    if (!document.isObject() || !top.value(QLatin1String("rules")).isArray()) {
        file.error = QStringLiteral("not an object with a list 'rules'");
        return file;
    }
    for (auto it = top.begin(); it != top.end(); ++it)
        if (it.key() != QLatin1String("rules") && it.key() != QLatin1String("description"))
            file.refused << QStringLiteral("unknown key '%1' beside the rules").arg(it.key());
    const QJsonArray list = top.value(QLatin1String("rules")).toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        Rule rule;
        rule.index = int(i + 1);
        const QJsonObject o = list.at(i).toObject();
        rule.name = o.value(QLatin1String("name")).toString();
        const QString wrong =
            list.at(i).isObject() ? readRule(o, kinds, rule) : QStringLiteral("not an object");
        if (wrong.isEmpty())
            file.rules << rule;
        else
            file.refused << QStringLiteral("%1 refused: %2").arg(rule.label(), wrong);
    }
    return file;
}

RuleFile readRules(const QString &path, const KindFields &kinds)
{
    // A FIFO or a device named as the rules file would hang --check and the window's start.
    const SmallFile read = readSmallFile(path);
    if (!read.error.isEmpty()) {
        RuleFile file;
        file.error =
            QStringLiteral("Cannot open file for reading at '%1': %2.").arg(path, read.error);
        return file;
    }
    RuleFile file = parseRules(read.bytes, kinds);
    if (!file.error.isEmpty())
        file.error = QStringLiteral("'%1' is %2.").arg(path, file.error);
    return file;
}

QJsonObject ruleJson(const Rule &rule)
{
    QJsonObject o;
    if (!rule.name.isEmpty())
        o.insert(QLatin1String("name"), rule.name);
    o.insert(QLatin1String("kind"), rule.kind);
    o.insert(QLatin1String("field"), rule.field);
    if (rule.rate)
        o.insert(QLatin1String("rate"), true);
    o.insert(QLatin1String("comparison"), QLatin1String(comparisonText(rule.comparison)));
    o.insert(QLatin1String("value"), rule.value);
    if (!rule.match.isEmpty())
        o.insert(QLatin1String("match"), rule.match);
    o.insert(QLatin1String("severity"), rule.severity == Severity::Critical
                                            ? QLatin1String("critical")
                                            : QLatin1String("warning"));
    return o;
}

QString shownKey(const QString &key)
{
    QString shown = key;
    shown.replace(QChar(0x1f), u'/');
    return shown;
}

bool wildcardMatches(QStringView pattern, QStringView text)
{
    // Greedy with one point to come back to: linear in practice, no recursion.
    qsizetype p = 0, t = 0, starP = -1, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starT = t;
        } else if (starP >= 0) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

QString Breach::text() const
{
    QString what = rule->kind;
    if (!key.isEmpty())
        what += u' ' + key;
    what += u' ' + rule->field;
    if (rule->rate)
        what += QStringLiteral(" rate");
    what += u' ' + numberText(reading) + (rule->rate ? QStringLiteral("/s") : QString());
    return what + u' ' + QLatin1String(comparisonText(rule->comparison)) + u' ' +
           numberText(rule->value);
}

QList<Breach> Evaluator::evaluate(const ObjectModel &model, const QDateTime &time,
                                  const ObjectExtras *extras)
{
    QList<Breach> breaches;
    const QString kind = model.kindName();
    QList<const Rule *> rules;
    for (const Rule &rule : m_rules)
        if (rule.kind == kind)
            rules << &rule;
    m_withoutReading = 0;
    // A failed query's objects are not the broker's: no breach, no reading to keep.
    if (rules.isEmpty() || model.queryFailed())
        return breaches;
    QHash<QString, Reading> now;
    const qint64 msecs = time.toMSecsSinceEpoch();
    // An object met again (a RabbitMQ queue under its second consumer) is judged once, by
    // its first row, as its history keeps it.
    QSet<QString> judged;
    for (int z = 1; z <= model.shownCount(); ++z) {
        // Only the rules' own fields are read, straight from the record: a full list of
        // values per object would cost more than all the rules together.
        const RecordView record = model.record(z);
        const QString key = shownKey(model.key(z));
        if (judged.contains(key))
            continue;
        judged.insert(key);
        for (const Rule *rule : rules) {
            if (!rule->match.isEmpty() && !wildcardMatches(rule->match, key))
                continue;
            const auto field =
                std::find_if(record.fields.begin(), record.fields.end(), [&](const wire::Field &f) {
                    return QLatin1String(f.name.data(), qsizetype(f.name.size())) == rule->field;
                });
            const std::optional<double> extra = field == record.fields.end() && extras
                                                    ? extraNumber(extras, model.key(z), rule->field)
                                                    : std::nullopt;
            if (!extra &&
                (field == record.fields.end() || field->encoding == wire::Encoding::Text ||
                 field->encoding == wire::Encoding::Padding ||
                 std::size_t(field->offset + field->width) > record.bytes.size()))
                continue;
            const double reading =
                extra ? *extra
                      : double(numberAt(record.bytes.data() + field->offset, field->width));
            double compared = reading;
            if (rule->rate) {
                const QString id = kind + u'\x1e' + key + u'\x1e' + rule->field;
                now.insert(id, {reading, msecs});
                const auto before = m_before.constFind(id);
                const double seconds =
                    before == m_before.cend() ? 0 : (msecs - before->msecs) / 1000.0;
                if (seconds <= 0 || (rule->counter && reading < before->value)) {
                    ++m_withoutReading;
                    continue;
                }
                compared = (reading - before->value) / seconds;
            }
            if (rule->breachedBy(compared))
                breaches << Breach{rule, key, compared};
        }
    }
    // Readings of this kind are replaced as a whole: gone objects leave no stale reading.
    const QString prefix = kind + u'\x1e';
    for (auto it = m_before.begin(); it != m_before.end();)
        it = it.key().startsWith(prefix) ? m_before.erase(it) : std::next(it);
    m_before.insert(now);
    return breaches;
}

} // namespace morvain::thresholds
