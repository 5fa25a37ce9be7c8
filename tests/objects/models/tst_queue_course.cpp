// A RabbitMQ queue is one object whoever consumes it: its key, its history, the rules on it
// and its Prometheus series follow vhost and queue, and the queue table sums its consumers.
// Every other source keeps a row per class, name and service.

#include "fake_entry_point.h"
#include "info_cycle.h"
#include "prometheus_document.h"
#include "query_history.h"
#include "recording_view.h"
#include "service/queue_model.h"
#include "snapshot_report.h"
#include "thresholds.h"

#include <QTest>

using namespace morvain;

namespace
{

struct Row {
    const char *vhost, *consumer, *queue;
    int consumers, messages, published;
};
using Rows = QList<Row>;

// One query of `rows`, the last reply repeating the last row as a list's end does.
void play(ServiceModel &model, const Rows &rows)
{
    test::FakeEntryPoint fake;
    test::RecordingView view;
    InfoCycle cycle{fake, view};
    cycle.startUp({});
    for (int i = 0; i <= rows.size(); ++i) {
        const Row &r = rows.at(std::min(i, int(rows.size()) - 1));
        ServiceReply reply;
        reply.setText<"server_class">(QLatin1String(r.vhost));
        reply.setText<"server_name">(QLatin1String(r.consumer));
        reply.setText<"service">(QLatin1String(r.queue));
        reply.setInt32<"server_act">(r.consumers);
        reply.setInt32<"short_act">(r.messages);
        reply.setInt32<"req_sum">(r.published);
        test::ScriptedCall c;
        c.resultCode = i < rows.size() ? "0000" : "0003";
        c.convId = test::convIdFor(i);
        c.reply = QByteArray(reinterpret_cast<const char *>(reply.data()), ServiceReply::size);
        fake.script << c;
    }
    model.query(cycle);
}

int column(const ObjectModel &model, const char *name)
{
    const QList<FieldInfo> fields = model.columns();
    for (int c = 0; c < fields.size(); ++c)
        if (fields[c].name == QLatin1String(name))
            return c;
    return -1;
}

} // namespace

Q_DECLARE_METATYPE(Rows)
Q_DECLARE_METATYPE(BrokerSource)

class TestQueueCourse : public QObject
{
    Q_OBJECT
private slots:
    void oneObjectPerQueue_data();
    void oneObjectPerQueue();
    void courseKeptWhenTheConsumerChanges_data();
    void courseKeptWhenTheConsumerChanges();
};

void TestQueueCourse::oneObjectPerQueue_data()
{
    QTest::addColumn<BrokerSource>("source");
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<int>("objects");   // what the rules judge and Prometheus samples
    QTest::addColumn<int>("consumers"); // the first queue's, summed
    const Rows twoConsumers{{"billing", "a", "reports", 1, 7, 3},
                            {"billing", "b", "reports", 2, 7, 3},
                            {"shop", "-shop", "reports", 0, 5, 1}};
    QTest::newRow("RabbitMQ: two consumers, one queue; same name in another vhost")
        << BrokerSource::RabbitMq << twoConsumers << 2 << 3;
    QTest::newRow("RabbitMQ: one consumer")
        << BrokerSource::RabbitMq << Rows{{"v", "a", "q", 4, 1, 1}} << 1 << 4;
    QTest::newRow("demo: a row per server") << BrokerSource::Demo << twoConsumers << 3 << 1;
}

void TestQueueCourse::oneObjectPerQueue()
{
    QFETCH(BrokerSource, source);
    QFETCH(Rows, rows);
    QFETCH(int, objects);
    QFETCH(int, consumers);
    ServiceModel services;
    services.keyBy(source);
    QueueModel queues(services);
    play(services, rows);

    QCOMPARE(queues.shownCount(), source == BrokerSource::RabbitMq ? objects : 2);
    QCOMPARE(queues.key(1), QStringLiteral("%1\x1f%2").arg(rows[0].vhost, rows[0].queue));
    QCOMPARE(valueNamed(queues.values(1), "server_act").number,
             source == BrokerSource::RabbitMq ? consumers : rows[0].consumers + rows[1].consumers);
    QVERIFY(valueNamed(queues.values(1), "server_name").name.isEmpty());
    QCOMPARE(queues.keyOfRecord(queues.record(2).bytes), queues.key(2)); // what tints compare
    queues.setFollowing(false); // another broker's services are no queues
    QCOMPARE(queues.objectCount(), 0);
    queues.setFollowing(true);
    QCOMPARE(queues.key(1), QStringLiteral("%1\x1f%2").arg(rows[0].vhost, rows[0].queue));

    // A rule on the queue's messages breaches once per object, not once per consumer.
    const thresholds::RuleFile file = thresholds::parseRules(
        R"({"rules": [{"kind": "service", "field": "short_act", "comparison": ">", "value": 0,
            "severity": "warning"}]})",
        {{QStringLiteral("service"), services.columns()}});
    QCOMPARE(file.rules.size(), 1);
    thresholds::Evaluator rules(file.rules);
    QCOMPARE(rules.evaluate(services, QDateTime::currentDateTimeUtc()).size(), objects);

    // Prometheus samples the queues where the round names them, with no server_name label.
    SnapshotReport report;
    report.brokerId = QStringLiteral("rabbit");
    report.kinds = {{&services, QStringLiteral("Ok"), {}}};
    if (source == BrokerSource::RabbitMq)
        report.kinds[0].series = &queues;
    const QByteArray doc = prometheus::document(report);
    QCOMPARE(doc.count("\nmorvain_service_short_act{"), objects);
    QCOMPARE(doc.contains("server_name="), source != BrokerSource::RabbitMq);
}

void TestQueueCourse::courseKeptWhenTheConsumerChanges_data()
{
    QTest::addColumn<BrokerSource>("source");
    QTest::addColumn<bool>("followed");
    QTest::newRow("RabbitMQ") << BrokerSource::RabbitMq << true;
    QTest::newRow("a scenario") << BrokerSource::Scenario << false;
}

void TestQueueCourse::courseKeptWhenTheConsumerChanges()
{
    QFETCH(BrokerSource, source);
    QFETCH(bool, followed);
    ServiceModel services;
    services.keyBy(source);
    QueryHistory history;
    play(services, {{"billing", "report-server", "reports", 1, 10, 100}});
    const QString before = services.key(1);
    history.record(services, 0);
    // The consumer left: the stand-in names the row after the vhost.
    play(services, {{"billing", "-billing", "reports", 0, 30, 160}});
    history.record(services, 10'000);

    QCOMPARE(services.key(1) == before, followed);
    const std::optional<double> rate = history.rate(services.key(1), column(services, "req_sum"));
    QCOMPARE(rate.has_value(), followed);
    if (followed)
        QCOMPARE(*rate, 6.0);
    QCOMPARE(history.newKeys().isEmpty(), followed);
}

QTEST_GUILESS_MAIN(TestQueueCourse)
#include "tst_queue_course.moc"
