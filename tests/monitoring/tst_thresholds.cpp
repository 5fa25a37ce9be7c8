// Threshold rules: which rules a file may hold, which objects a rule reaches, and rates
// between two readings of the same object.

#include "field_values.h"
#include "thresholds.h"
#include "wire_field.h"

#include <array>
#include <vector>

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace morvain;
using namespace morvain::thresholds;

namespace
{

// A kind with a text field, a gauge and a counter (the same number in both).
inline constexpr std::array<wire::Field, 3> serviceLike{{
    {"service", 0, 32, wire::Encoding::Text},
    {"short_act", 32, 4, wire::Encoding::Int32},
    {"req_sum", 36, 4, wire::Encoding::Int32},
}};
inline constexpr FieldRules serviceLikeRules{
    [](std::string_view name) { return name == "req_sum" ? FieldKind::Counter : FieldKind::Gauge; },
    [](std::string_view, std::int64_t) { return QString(); }};

// Objects as records of a service-like kind: a key text and one number in two fields.
class FakeModel : public ObjectModel
{
public:
    QString kind = QStringLiteral("service");
    QList<std::pair<QString, qint64>> objects; // key, number
    qint64 shortActFactor = 1;                 // short_act holds the number times this

    QString kindName() const override { return kind; }
    QList<FieldInfo> columns() const override { return columnsOf(serviceLike, serviceLikeRules); }
    void query(InfoCycle &) override {}
    int objectCount() const override { return int(objects.size()); }
    RecordView record(int z) const override
    {
        m_records.resize(objects.size());
        std::array<std::uint8_t, 40> &r = m_records[std::size_t(z - 1)];
        r.fill(' ');
        const QByteArray text = objects.at(z - 1).first.toLatin1().left(32);
        std::copy(text.begin(), text.end(), r.begin());
        for (int at : {32, 36})
            for (int i = 0; i < 4; ++i)
                r[std::size_t(at + i)] = std::uint8_t(
                    std::uint64_t(objects.at(z - 1).second * (at == 32 ? shortActFactor : 1)) >>
                    (8 * i));
        return {r, serviceLike, &serviceLikeRules};
    }
    QString key(int z) const override { return objects.at(z - 1).first; }
    ReplyHeader header() const override { return {}; }

private:
    mutable std::vector<std::array<std::uint8_t, 40>> m_records;
};

KindFields fields()
{
    FakeModel m;
    return {{QStringLiteral("service"), m.columns()}, {QStringLiteral("worker"), m.columns()}};
}

QByteArray ruleFile(const QByteArray &rule)
{
    return "{\"rules\": [" + rule + "]}";
}

} // namespace

class TestThresholds : public QObject
{
    Q_OBJECT
private slots:
    void parse_refusesBadRuleByIndexAndName_data();
    void parse_refusesBadRuleByIndexAndName();
    void wildcard_data();
    void wildcard();
    void evaluate_rateNeedsTwoReadingsAndSurvivesNoRestart();
    void evaluate_twoRatesOfOneObjectReadTheirOwnFields();
};

void TestThresholds::parse_refusesBadRuleByIndexAndName_data()
{
    QTest::addColumn<QByteArray>("rule");
    QTest::addColumn<QString>("refused"); // empty: accepted

    const QByteArray good =
        R"("kind": "service", "field": "short_act", "comparison": ">", "value": 10, "severity": "warning")";
    QTest::newRow("good, all keys")
        << "{" + good + R"(, "name": "n", "rate": true, "match": "a/*")" + "}" << QString();
    QTest::newRow("unknown field")
        << QByteArray(
               R"({"name": "typo", "kind": "service", "field": "short_ac", "comparison": ">", "value": 1, "severity": "warning"})")
        << "rule 1 (\"typo\") refused: unknown field 'short_ac' for kind service (a number field "
           "is needed)";
    QTest::newRow("text field")
        << QByteArray(
               R"({"kind": "service", "field": "service", "comparison": ">", "value": 1, "severity": "warning"})")
        << "rule 1 refused: unknown field 'service' for kind service (a number field is needed)";
    QTest::newRow("unknown key") << "{" + good + R"(, "colour": "red")" + "}"
                                 << "rule 1 refused: unknown key 'colour'";
    QTest::newRow("bad comparison")
        << QByteArray(
               R"({"name": "x", "kind": "service", "field": "short_act", "comparison": "=>", "value": 1, "severity": "warning"})")
        << "rule 1 (\"x\") refused: bad comparison '=>' (one of >, >=, <, <=, ==, !=)";
    QTest::newRow("value as text")
        << QByteArray(
               R"({"kind": "service", "field": "short_act", "comparison": ">", "value": "1", "severity": "warning"})")
        << "rule 1 refused: 'value' is not a number";
    QTest::newRow("bad severity")
        << QByteArray(
               R"({"kind": "service", "field": "short_act", "comparison": ">", "value": 1, "severity": "page"})")
        << "rule 1 refused: bad severity 'page' (warning or critical)";
}

void TestThresholds::parse_refusesBadRuleByIndexAndName()
{
    QFETCH(QByteArray, rule);
    QFETCH(QString, refused);
    // The rule under test sits second, between two good ones: the rest goes on.
    const QByteArray good =
        R"({"kind": "service", "field": "short_act", "comparison": "<", "value": 0, "severity": "critical"})";
    const RuleFile file = parseRules(ruleFile(good + ',' + rule + ',' + good), fields());
    QVERIFY(file.error.isEmpty());
    QString expected = refused;
    expected.replace(QStringLiteral("rule 1"), QStringLiteral("rule 2"));
    QCOMPARE(file.refused, refused.isEmpty() ? QStringList() : QStringList{expected});
    QCOMPARE(file.rules.size(), refused.isEmpty() ? 3 : 2);
    QCOMPARE(file.rules.constLast().index, 3);

    // What the window writes back reads as the same rules.
    QJsonArray written;
    for (const Rule &r : file.rules)
        written.append(ruleJson(r));
    const RuleFile again =
        parseRules(QJsonDocument(QJsonObject{{"rules", written}}).toJson(), fields());
    const auto members = [](const Rule &r) {
        return QStringList{r.name,
                           r.kind,
                           r.field,
                           QString::number(r.rate),
                           QLatin1String(comparisonText(r.comparison)),
                           QString::number(r.value),
                           r.match,
                           QString::number(int(r.severity))};
    };
    QCOMPARE(again.refused, QStringList());
    QCOMPARE(again.rules.size(), file.rules.size());
    for (qsizetype i = 0; i < file.rules.size(); ++i)
        QCOMPARE(members(again.rules.at(i)), members(file.rules.at(i)));
}

void TestThresholds::wildcard_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matches");
    QTest::newRow("star crosses slashes") << "billing/*"
                                          << "billing/-billing/payments" << true;
    QTest::newRow("prefix only") << "billing/*"
                                 << "xbilling/a" << false;
    QTest::newRow("star backtracks") << "a*b*c"
                                     << "aXbYbZc" << true;
    QTest::newRow("must reach the end") << "a*b"
                                        << "aXbY" << false;
    QTest::newRow("question mark is one") << "w?"
                                          << "w12" << false;
    QTest::newRow("empty key, star") << "*"
                                     << "" << true;
}

void TestThresholds::wildcard()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, matches);
    QCOMPARE(wildcardMatches(pattern, text), matches);
}

void TestThresholds::evaluate_rateNeedsTwoReadingsAndSurvivesNoRestart()
{
    const RuleFile file = parseRules(
        ruleFile(
            R"({"kind": "worker", "field": "req_sum", "rate": true, "comparison": ">=", "value": 5, "severity": "warning"})"),
        fields());
    FakeModel m;
    m.kind = QStringLiteral("worker");
    const QDateTime t0 = QDateTime::fromSecsSinceEpoch(1000, Qt::UTC);
    m.objects = {{QStringLiteral("a"), 100}, {QStringLiteral("b"), 0}};
    Evaluator e(file.rules);
    QVERIFY(e.evaluate(m, t0).isEmpty());
    QCOMPARE(e.ratesWithoutReading(), 2);
    // Ten seconds on: a rose by 60 (6/s), b by 10 (1/s); objects reordered.
    m.objects = {{QStringLiteral("b"), 10}, {QStringLiteral("a"), 160}};
    QList<Breach> breaches = e.evaluate(m, t0.addSecs(10));
    QCOMPARE(breaches.size(), 1);
    QCOMPARE(breaches.constFirst().text(), QStringLiteral("worker a req_sum rate 6/s >= 5"));
    // a restarted (its counter dropped): no rate, not a huge negative one either.
    m.objects = {{QStringLiteral("a"), 3}};
    QVERIFY(e.evaluate(m, t0.addSecs(20)).isEmpty());
    QCOMPARE(e.ratesWithoutReading(), 1);
}

// Two rate rules on one object keep their earlier readings apart, by field: keyed by the
// object alone, the second rule's reading would stand in for the first's.
void TestThresholds::evaluate_twoRatesOfOneObjectReadTheirOwnFields()
{
    const RuleFile file = parseRules(
        ruleFile(
            R"({"kind": "worker", "field": "short_act", "rate": true, "comparison": ">", "value": 50, "severity": "warning"},
               {"kind": "worker", "field": "req_sum", "rate": true, "comparison": ">", "value": 50, "severity": "warning"})"),
        fields());
    QVERIFY2(file.error.isEmpty() && file.rules.size() == 2, qPrintable(file.error));
    FakeModel m;
    m.kind = QStringLiteral("worker"); // a worker list keeps no closing reply
    m.shortActFactor = 100;            // short_act 100 times req_sum
    const QDateTime t0 = QDateTime::fromSecsSinceEpoch(1000, Qt::UTC);
    m.objects = {{QStringLiteral("a"), 10}};
    Evaluator e(file.rules);
    QVERIFY(e.evaluate(m, t0).isEmpty());
    m.objects = {{QStringLiteral("a"), 20}}; // req_sum 1/s, short_act 1000 to 2000: 100/s
    const QList<Breach> breaches = e.evaluate(m, t0.addSecs(10));
    QCOMPARE(breaches.size(), 1);
    QCOMPARE(breaches.constFirst().text(), QStringLiteral("worker a short_act rate 100/s > 50"));
}

QTEST_GUILESS_MAIN(TestThresholds)
#include "tst_thresholds.moc"
