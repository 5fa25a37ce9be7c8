// The NATS readers against bodies captured from a live nats-server 2.9.10 and services of
// the npm package nats 2.29.3 (tools/nats-local, tools/nats-services), and against
// malformed and hostile ones. Each body is read to a one-line digest of the fields the
// source maps, so a field read from the wrong key or lost on the way shows in the diff.

#include "nats_json.h"

#include <QFile>
#include <QTest>

using namespace ostrane::nats;

namespace
{

QByteArray sample(const char *name)
{
    QFile f(QStringLiteral(NATS_SAMPLES "/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray repeat(const QByteArray &item, std::size_t n)
{
    QByteArray out;
    for (std::size_t i = 0; i < n; ++i)
        out += (i ? "," : "") + item;
    return out;
}

QString n(std::int64_t v)
{
    return QString::number(v);
}
QString s(const std::string &v)
{
    return QString::fromStdString(v);
}

QString digest(const Varz &v)
{
    QString urls;
    for (const std::string &u : v.cluster_urls)
        urls += " " + s(u);
    return QStringLiteral("%1 %2 %3 %4:%5 http=%6 up=%7 mem=%8 conns=%9/%10 subs=%11 routes=%12")
               .arg(s(v.server_id.substr(0, 6)), s(v.server_name), s(v.version), s(v.host),
                    n(v.port), n(v.http_port), n(v.uptime_s), n(v.mem), n(v.connections))
               .arg(n(v.total_connections), n(v.subscriptions), n(v.routes)) +
           QStringLiteral(" msgs=%1/%2 bytes=%3/%4 slow=%5 cluster=%6%7")
               .arg(n(v.in_msgs), n(v.out_msgs), n(v.in_bytes), n(v.out_bytes), n(v.slow_consumers),
                    s(v.cluster_name), urls);
}

QString digest(const Connz &z)
{
    QString out = QStringLiteral("%1/%2").arg(n(z.num_connections), n(z.total));
    for (const Connection &c : z.connections) {
        out += QStringLiteral(" | %1 %2:%3 %4 %5 %6 idle=%7 up=%8 msgs=%9/%10")
                   .arg(n(c.cid), s(c.ip), n(c.port), s(c.name), s(c.lang), s(c.version),
                        n(c.idle_s), n(c.uptime_s), n(c.in_msgs))
                   .arg(n(c.out_msgs)) +
               QStringLiteral(" subs=%1/%2").arg(n(c.num_subscriptions), n(c.subscriptions.size()));
        // The subscriptions that carried traffic or sit in a queue group: the conversations.
        for (const Subscription &sub : c.subscriptions)
            if (sub.msgs > 0 || !sub.qgroup.empty())
                out += QStringLiteral(" %1[%2]=%3").arg(s(sub.subject), s(sub.qgroup), n(sub.msgs));
    }
    return out;
}

QString digest(const Routez &z)
{
    QString out = QStringLiteral("%1 %2").arg(s(z.server_id.substr(0, 6)), n(z.num_routes));
    for (const Route &r : z.routes)
        out += QStringLiteral(" | %1 %2 %3:%4 msgs=%5/%6 subs=%7")
                   .arg(n(r.rid), s(r.remote_id.substr(0, 6)), s(r.ip), n(r.port), n(r.in_msgs),
                        n(r.out_msgs), n(r.num_subscriptions));
    return out;
}

QString digest(const ServiceInstance &i)
{
    QString out = QStringLiteral("%1 %2 %3 %4 '%5' %6")
                      .arg(s(i.type.substr(i.type.rfind('.') + 1)), s(i.name), s(i.id),
                           s(i.version), s(i.description), s(i.started));
    for (const Endpoint &e : i.endpoints)
        out +=
            QStringLiteral(" | %1 %2[%3] req=%4 err=%5 '%6' t=%7 avg=%8")
                .arg(s(e.name), s(e.subject), s(e.queue_group), n(e.num_requests), n(e.num_errors),
                     s(e.last_error), n(e.processing_time_ns), n(e.average_processing_time_ns));
    return out;
}

// Reads `body` with the reader named `reader`: its digest, or "error: " and the reason.
QString readWith(const QByteArray &reader, const QByteArray &body)
{
    const std::string_view text(body.constData(), static_cast<std::size_t>(body.size()));
    std::string error;
    QString out;
    bool ok = false;
    if (reader == "varz") {
        Varz v;
        ok = readVarz(text, v, error);
        out = digest(v);
    } else if (reader == "connz") {
        Connz z;
        ok = readConnz(text, z, error);
        out = digest(z);
    } else if (reader == "subsz") {
        std::int64_t total = -1;
        ok = readSubszTotal(text, total, error);
        out = n(total);
    } else if (reader == "routez") {
        Routez z;
        ok = readRoutez(text, z, error);
        out = digest(z);
    } else if (reader == "info" || reader == "stats") {
        ServiceInstance i;
        ok = reader == "info" ? readServiceInfo(text, i, error) : readServiceStats(text, i, error);
        out = digest(i);
    }
    return ok ? out : QStringLiteral("error: ") + s(error);
}

} // namespace

class tst_NatsJson : public QObject
{
    Q_OBJECT

private slots:
    void body_readsToItsFields_data();
    void body_readsToItsFields();
    void hostileBody_keepsWithinCaps_data();
    void hostileBody_keepsWithinCaps();
    void duration_readsToSeconds_data();
    void duration_readsToSeconds();
};

void tst_NatsJson::body_readsToItsFields_data()
{
    QTest::addColumn<QByteArray>("reader");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected"); // a digest, or "error: " and a start of the reason

    // Captured from a live server (a cluster's first node for varz and routez).
    QTest::newRow("varz of a cluster node")
        << QByteArray("varz") << sample("varz.json")
        << "NACM2R local-1 2.9.10 127.0.0.1:57829 http=58115 up=140 mem=14057472 conns=0/0 "
           "subs=171 routes=2 msgs=42/24 bytes=25854/16836 slow=0 cluster=morvain-local "
           "127.0.0.1:34949 127.0.0.1:53871";
    QTest::newRow("connz of two service instances")
        << QByteArray("connz") << sample("connz.json")
        << "2/10 | 4 127.0.0.1:52146 orders-instance nats.js 2.29.3 idle=0 up=15 msgs=28/28 "
           "subs=12/12 $SRV.STATS.orders[]=1 $SRV.INFO.orders[]=1 $SRV.PING.orders[]=1 "
           "orders.list[q]=8 orders.get[q]=9 orders.create[q]=8 | 5 127.0.0.1:52154 "
           "orders-instance nats.js 2.29.3 idle=0 up=15 msgs=45/45 subs=12/12 "
           "$SRV.STATS.orders[]=1 orders.create[q]=14 orders.get[q]=15 $SRV.INFO.orders[]=1 "
           "orders.list[q]=13 $SRV.PING.orders[]=1";
    QTest::newRow("connz of a server with no clients")
        << QByteArray("connz") << sample("connz_empty.json") << "0/0";
    QTest::newRow("subsz: nine instances") << QByteArray("subsz") << sample("subsz.json") << "9";
    QTest::newRow("subsz: none here, total left out")
        << QByteArray("subsz") << sample("subsz_no_services.json") << "0";
    QTest::newRow("routez of a cluster node")
        << QByteArray("routez") << sample("routez.json")
        << "NACM2R 2 | 4 NCWUQG 127.0.0.1:55014 msgs=14/13 subs=39 | 5 NCFPHY "
           "127.0.0.1:55024 msgs=28/11 subs=88";
    QTest::newRow("$SRV.INFO")
        << QByteArray("info") << sample("srv_info.json")
        << "info_response orders 41LXHCWVWZ6YGP2TQ85B0O 1.2.0 'orders test service'  | create "
           "orders.create[q] req=0 err=0 '' t=0 avg=0 | get orders.get[q] req=0 err=0 '' t=0 "
           "avg=0 | list orders.list[q] req=0 err=0 '' t=0 avg=0";
    QTest::newRow("$SRV.STATS with errors")
        << QByteArray("stats") << sample("srv_stats.json")
        << "stats_response orders 41LXHCWVWZ6YGP2TQ85B0O 1.2.0 '' 2026-12-09T05:30:06.769Z | "
           "create orders.create[q] req=11 err=0 '' t=0 avg=0 | get orders.get[q] req=11 err=2 "
           "'orders.get: planted failure 10' t=1000000 avg=90909 | list orders.list[q] req=8 "
           "err=0 '' t=0 avg=0";
    QTest::newRow("$SRV.PING read as INFO: no endpoints")
        << QByteArray("info") << sample("srv_ping.json")
        << "ping_response orders 41LXHCWVWZ6YGP2TQ85B0O 1.2.0 '' ";

    // Odd values of a server of another version: read as 0 or blank, never fail the body.
    QTest::newRow("varz: wrong types, negative, fractional, huge")
        << QByteArray("varz")
        << QByteArray(R"({"server_id":"NABCDEF","server_name":7,"uptime":"soon","mem":"lots",)"
                      R"("in_msgs":-5,"out_msgs":2.9,"connections":1e300,"cluster":[1],)"
                      R"("routes":9007199254740993})")
        << "NABCDE   :0 http=0 up=0 mem=0 conns=4398046511104/0 subs=0 routes=4398046511104 "
           "msgs=0/2 bytes=0/0 slow=0 cluster=";
    QTest::newRow("connz: odd elements skipped, detail of a wrong type")
        << QByteArray("connz")
        << QByteArray(R"({"connections":[1,null,{"cid":3,"subscriptions_list_detail":{"a":1}},)"
                      R"({"cid":4,"subscriptions_list_detail":[5,{"subject":"x","msgs":2}]}]})")
        << "0/0 | 3 :0    idle=0 up=0 msgs=0/0 subs=0/0 | 4 :0    idle=0 up=0 msgs=0/0 "
           "subs=0/1 x[]=2";
    QTest::newRow("stats: unknown keys and nesting around the fields")
        << QByteArray("stats")
        << QByteArray(R"({"name":"a","id":"b","data":{"name":"x","endpoints":[1]},)"
                      R"("endpoints":[{"name":"e","extra":[[{"num_errors":9}]],"num_errors":1}]})")
        << " a b  ''  | e [] req=0 err=1 '' t=0 avg=0";
    QTest::newRow("duplicate key: the last one holds")
        << QByteArray("subsz") << QByteArray(R"({"total":1,"total":3})") << "3";

    // Malformed: the reader says why.
    QTest::newRow("empty") << QByteArray("varz") << QByteArray() << "error: no JSON at byte 1";
    QTest::newRow("server's error text")
        << QByteArray("subsz")
        << QByteArray("invalid test subject, must be valid publish subject: a..b")
        << "error: no JSON at byte 1";
    QTest::newRow("cut short") << QByteArray("connz") << sample("connz.json").left(900)
                               << "error: no JSON at byte 901";
    QTest::newRow("trailing bytes")
        << QByteArray("routez") << QByteArray(R"({"routes":[]} x)") << "error: no JSON at byte 15";
    QTest::newRow("invalid UTF-8")
        << QByteArray("info") << QByteArray("{\"name\":\"a\xff\",\"id\":\"b\"}")
        << "error: no JSON at byte 11";
    QTest::newRow("list at the top")
        << QByteArray("varz") << QByteArray(R"([{"server_id":"N"}])") << "error: no JSON object";
    QTest::newRow("varz without server_id")
        << QByteArray("varz") << QByteArray(R"({"server_name":"x"})") << "error: no server_id";
    QTest::newRow("connections no list")
        << QByteArray("connz") << QByteArray(R"({"connections":{"cid":1}})")
        << "error: \"connections\" is no list";
    QTest::newRow("routes no list") << QByteArray("routez") << QByteArray(R"({"routes":"none"})")
                                    << "error: \"routes\" is no list";
    QTest::newRow("endpoints no list")
        << QByteArray("stats") << QByteArray(R"({"name":"a","id":"b","endpoints":3})")
        << "error: \"endpoints\" is no list";
    QTest::newRow("service reply without id")
        << QByteArray("info") << QByteArray(R"({"name":"a","error":"x"})")
        << "error: no service name and id";
    QTest::newRow("nested past the limit, in a skipped key too")
        << QByteArray("varz") << "{\"skipped\":" + QByteArray(70, '[') + QByteArray(70, ']') + "}"
        << "error: nests deeper than 64";
}

void tst_NatsJson::body_readsToItsFields()
{
    QFETCH(QByteArray, reader);
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    const QString got = readWith(reader, body);
    if (expected.startsWith("error: "))
        QVERIFY2(got.startsWith(expected), qPrintable(got));
    else
        QCOMPARE(got, expected);
}

void tst_NatsJson::hostileBody_keepsWithinCaps_data()
{
    QTest::addColumn<QByteArray>("reader");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");

    const QByteArray longName(3000, 'x');
    // Two bytes of a UTF-8 sequence straddle the cut: it falls before them.
    const QByteArray accented = QByteArray(max_text - 1, 'a') + "\xC3\xA9" + "tail";
    QTest::newRow("texts cut to max_text, not inside a character")
        << QByteArray("info")
        << R"({"name":")" + longName + R"(","id":")" + accented + R"(","version":"1"})"
        << QStringLiteral("%1 %2 1 '' ")
               .arg(QString(max_text, 'x'), QString(max_text - 1, 'a'))
               .prepend(' ');
    QTest::newRow("connections past the cap are left")
        << QByteArray("connz")
        << R"({"total":1,"connections":[)" + repeat(R"({"cid":1})", max_connections + 3) + "]}"
        << QStringLiteral("%1/0").arg(max_connections);
    QTest::newRow("subscriptions past the cap, over all connections")
        << QByteArray("connz")
        << R"({"connections":[)" +
               repeat(R"({"subscriptions_list_detail":[)" +
                          repeat(R"({"subject":"s"})", max_subscriptions / 2 + 1) + "]}",
                      3) +
               "]}"
        << QStringLiteral("3/%1").arg(max_subscriptions);
    QTest::newRow("endpoints past the cap")
        << QByteArray("stats")
        << R"({"name":"a","id":"b","endpoints":[)" + repeat(R"({"name":"e"})", max_endpoints + 1) +
               "]}"
        << QString::number(max_endpoints);
    QTest::newRow("routes past the cap")
        << QByteArray("routez") << R"({"routes":[)" + repeat("{}", max_routes * 3) + "]}"
        << QString::number(max_routes);
    QTest::newRow("too many values in all")
        << QByteArray("varz")
        << R"({"server_id":"N","cluster":{"urls":[)" +
               repeat("[" + repeat("1", max_connections) + "]", 21) + "]}}"
        << "error: more than 2000000 values";
}

void tst_NatsJson::hostileBody_keepsWithinCaps()
{
    QFETCH(QByteArray, reader);
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    const std::string_view text(body.constData(), static_cast<std::size_t>(body.size()));
    std::string error;
    QString got;
    if (reader == "connz") {
        Connz z;
        QVERIFY2(readConnz(text, z, error), error.c_str());
        std::size_t subs = 0;
        for (const Connection &c : z.connections)
            subs += c.subscriptions.size();
        got = QStringLiteral("%1/%2").arg(z.connections.size()).arg(subs);
    } else if (reader == "stats") {
        ServiceInstance i;
        QVERIFY2(readServiceStats(text, i, error), error.c_str());
        got = QString::number(i.endpoints.size());
    } else if (reader == "routez") {
        Routez z;
        QVERIFY2(readRoutez(text, z, error), error.c_str());
        got = QString::number(z.routes.size());
    } else {
        got = readWith(reader, body);
    }
    QCOMPARE(got, expected);
}

void tst_NatsJson::duration_readsToSeconds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("seconds");

    QTest::newRow("zero") << "0s" << qint64(0);
    QTest::newRow("bare zero") << "0" << qint64(0);
    QTest::newRow("h m s") << "1h2m3s" << qint64(3723);
    QTest::newRow("days, the server's own") << "3d4h5m6s" << qint64(3 * 86400 + 4 * 3600 + 306);
    QTest::newRow("years") << "1y2d" << qint64(367 * 86400);
    QTest::newRow("fraction") << "2m30.9s" << qint64(150);
    QTest::newRow("ms before m") << "1500ms" << qint64(1);
    QTest::newRow("micro sign") << QString::fromUtf8("134\xC2\xB5s") << qint64(0);
    QTest::newRow("ns") << "2000000000ns" << qint64(2);
    QTest::newRow("empty") << "" << qint64(-1);
    QTest::newRow("no unit") << "5" << qint64(-1);
    QTest::newRow("unknown unit") << "5w" << qint64(-1);
    QTest::newRow("unit alone") << "h" << qint64(-1);
    QTest::newRow("two points") << "1.2.3s" << qint64(-1);
    QTest::newRow("negative") << "-1s" << qint64(-1);
    QTest::newRow("past the counter limit") << "99999999999999y" << qint64(-1);
}

void tst_NatsJson::duration_readsToSeconds()
{
    QFETCH(QString, text);
    QFETCH(qint64, seconds);
    const QByteArray utf8 = text.toUtf8();
    QCOMPARE(durationSeconds(std::string_view(utf8.constData(), std::size_t(utf8.size()))),
             seconds);
}

QTEST_GUILESS_MAIN(tst_NatsJson)
#include "tst_nats_json.moc"
