// The services' extras of a NATS broker on the program's side: the file's refusals (no
// old values shown as the query's), and the writers and rules that read them.

#include "csv_document.h"
#include "fake_model.h"
#include "json_document.h"
#include "prometheus_document.h"
#include "service/service_extras.h"
#include "snapshot_report.h"
#include "thresholds.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace morvain;

namespace
{

const QString broker = QStringLiteral("nats://127.0.0.1:4222");

QByteArray sha1Hex(const QString &text)
{
    return QCryptographicHash::hash(text.toLatin1(), QCryptographicHash::Sha1).toHex();
}

QByteArray extrasFile(const QByteArray &brokerHash, qint64 when, const QByteArray &objects)
{
    return "{\"broker\": \"" + brokerHash + "\", \"when_ms\": " + QByteArray::number(when) +
           ", \"objects\": [" + objects + "]}";
}

const QByteArray oneObject =
    R"({"server_class": "orders", "server_name": "ID1", "service": "get", "num_errors": 3,)"
    R"( "last_error": "boom", "average_processing_time": 66})";

// Extras held by the test: values by key, the fields of a NATS broker's services.
class HeldExtras : public ObjectExtras
{
public:
    QList<FieldInfo> shown = serviceExtraFields();
    QHash<QString, QVariantList> values;
    QList<FieldInfo> fields() const override { return shown; }
    QVariant value(const QString &key, int i) const override { return values.value(key).value(i); }
};

} // namespace

class tst_ServiceExtras : public QObject
{
    Q_OBJECT

private slots:
    void file_givesExtrasOnlyWhenFreshAndOfThisBroker_data();
    void file_givesExtrasOnlyWhenFreshAndOfThisBroker();
    void writers_carryExtrasAndNothingWithout();
    void thresholds_readExtrasAndTheirRates();
};

void tst_ServiceExtras::file_givesExtrasOnlyWhenFreshAndOfThisBroker_data()
{
    const qint64 query = 1'765'000'000'000;
    const QByteArray own = sha1Hex(broker);
    QTest::addColumn<QByteArray>("file"); // empty: none
    QTest::addColumn<qint64>("queriedAt");
    QTest::addColumn<bool>("read");
    // clang-format off
    QTest::newRow("written after the query began") << extrasFile(own, query + 40, oneObject) << query << true;
    QTest::newRow("written as it began")   << extrasFile(own, query, oneObject) << query << true;
    QTest::newRow("missing")               << QByteArray() << query << false;
    QTest::newRow("older than the query")  << extrasFile(own, query - 1, oneObject) << query << false;
    QTest::newRow("another broker")        << extrasFile(sha1Hex("nats://127.0.0.1:4223"), query + 40, oneObject) << query << false;
    QTest::newRow("not JSON")              << QByteArray("{\"broker\": ") << query << false;
    QTest::newRow("no when_ms")            << QByteArray("{\"broker\": \"" + own + "\", \"objects\": []}") << query << false;
    QTest::newRow("an object without its figures")
        << extrasFile(own, query + 40, R"({"server_class": "orders", "server_name": "ID1", "service": "get"})")
        << query << false;
    // clang-format on
}

void tst_ServiceExtras::file_givesExtrasOnlyWhenFreshAndOfThisBroker()
{
    QFETCH(QByteArray, file);
    QFETCH(qint64, queriedAt);
    QFETCH(bool, read);
    QTemporaryDir dir;
    qputenv("MORVAIN_EXTRAS_DIR", dir.path().toLocal8Bit());
    if (!file.isEmpty()) {
        QFile f(serviceExtrasPath(broker));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(file);
    }
    // The broker ID as "Broker.cfg" pads it.
    const ExtrasReading reading = readServiceExtrasFile(broker.leftJustified(32, u' '), queriedAt);
    QCOMPARE(reading.refusal.isEmpty(), read);
    QCOMPARE(reading.byKey.size(), read ? 1 : 0);
    if (read) {
        const EndpointExtras e = reading.byKey.value(QStringLiteral("orders\x1fID1\x1fget"));
        QCOMPARE(e.numErrors, 3);
        QCOMPARE(e.lastError, QStringLiteral("boom"));
        QCOMPARE(e.averageProcessingTime, 66);
    }
}

void tst_ServiceExtras::writers_carryExtrasAndNothingWithout()
{
    test::FakeModel model;
    model.kind = QStringLiteral("service");
    // A service query stores the reply that ended it last: it repeats billing.
    model.fillSample({{"orders", 1, "one", 7}, {"billing", 1, "one", 8}, {"billing", 1, "one", 8}});
    HeldExtras extras;
    extras.values.insert("orders", {3, QStringLiteral("bad \"input\", line\n2"), 66});
    SnapshotReport report;
    report.brokerId = QStringLiteral("local");
    report.kinds << KindReport{&model, {}, {}, &extras};

    const QByteArray csv = csv::document(model, &extras);
    QVERIFY2(csv.startsWith("user_id,status,status_word,num_calls,num_errors,last_error,"
                            "average_processing_time\r\n"),
             csv.constData());
    QVERIFY2(csv.contains(",7,3,\"bad \"\"input\"\", line\n2\",66\r\n"), csv.constData());
    QVERIFY2(csv.endsWith("\r\nbilling,1,one,8,,,\r\n"), csv.constData()); // none for billing

    const QJsonArray objects =
        QJsonDocument::fromJson(json::document(report)).object()["kinds"][0]["objects"].toArray();
    QCOMPARE(objects[0]["extras"]["last_error"].toString(), "bad \"input\", line\n2");
    QCOMPARE(objects[0]["extras"]["num_errors"].toInt(), 3);
    QVERIFY(!objects[1].toObject().contains("extras"));

    const QByteArray prometheus = prometheus::document(report);
    QVERIFY2(prometheus.contains("# TYPE morvain_service_num_errors counter\n"
                                 "morvain_service_num_errors{broker_id=\"local\","
                                 "server_class=\"orders\"} 3\n"),
             prometheus.constData());
    QVERIFY(prometheus.contains("morvain_service_average_processing_time{broker_id=\"local\","
                                "server_class=\"orders\"} 66\n"));

    // Another broker's services have no extra fields: every document as without extras.
    extras.shown.clear();
    SnapshotReport plain = report;
    plain.kinds[0].extras = nullptr;
    QCOMPARE(csv::document(model, &extras), csv::document(model));
    QCOMPARE(json::document(report), json::document(plain));
    QCOMPARE(prometheus::document(report), prometheus::document(plain));
}

void tst_ServiceExtras::thresholds_readExtrasAndTheirRates()
{
    test::FakeModel model;
    model.kind = QStringLiteral("service");
    model.fillSample({{"orders", 1, "one", 7}, {"orders", 1, "one", 7}}); // and its closing reply
    thresholds::KindFields kinds{{"service", model.columns() + serviceExtraFields()}};
    const thresholds::RuleFile rules = thresholds::parseRules(
        R"({"rules": [
        {"kind": "service", "field": "num_errors", "comparison": ">", "value": 2, "severity": "warning"},
        {"kind": "service", "field": "num_errors", "rate": true, "comparison": ">", "value": 0.5, "severity": "critical"},
        {"kind": "service", "field": "last_error", "comparison": ">", "value": 0, "severity": "critical"}]})",
        kinds);
    QCOMPARE(rules.rules.size(), 2); // a text is no number to compare
    HeldExtras extras;
    extras.values.insert("orders", {3, QString(), 66});
    thresholds::Evaluator evaluator(rules.rules);
    const QDateTime t0 = QDateTime::fromMSecsSinceEpoch(1'765'000'000'000);
    QCOMPARE(evaluator.evaluate(model, t0, &extras).size(), 1);
    extras.values.insert("orders", {13, QString(), 66});
    const QList<thresholds::Breach> later = evaluator.evaluate(model, t0.addSecs(10), &extras);
    QCOMPARE(later.size(), 2);
    QCOMPARE(later[1].text(), QStringLiteral("service orders num_errors rate 1/s > 0.5"));
    // No extras (another broker, a stale file): nothing to judge, no breach.
    QCOMPARE(evaluator.evaluate(model, t0.addSecs(20)).size(), 0);
}

QTEST_GUILESS_MAIN(tst_ServiceExtras)
#include "tst_service_extras.moc"
