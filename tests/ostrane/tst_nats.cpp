// The stand-in's NATS source against a throw-away nats-server with one service of three
// instances (the CTest fixture: tools/nats-local, tools/nats-services), a second server
// that asks a login, and ports nobody listens on. Every outcome is a whole answer of the
// information service: header, result codes, error text, objects or none.

#include "closed_port.h"
#include "exchange.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace ostrane_test;

namespace
{

// Service record: server_class at 32, server_name at 64, service at 96, translation at
// 128, server_act at 140, req_sum at 188.
constexpr int sv_class = 32, sv_name = 64, sv_service = 96, sv_translation = 128, sv_act = 140,
              sv_requests = 188;

// A client that says it is a service instance (it holds $SRV.PING) and never replies.
class MuteInstance
{
public:
    bool open(int port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(quint16(port));
        if (::connect(m_fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0)
            return false;
        const QByteArray hello = "CONNECT {\"verbose\":false,\"name\":\"mute\"}\r\n"
                                 "SUB $SRV.PING 1\r\nSUB $SRV.INFO 2\r\nSUB $SRV.STATS 3\r\n"
                                 "PING\r\n";
        if (::write(m_fd, hello.constData(), size_t(hello.size())) != hello.size())
            return false;
        // Registered once the server answers the PING that follows the subscriptions.
        QByteArray seen;
        QElapsedTimer t;
        t.start();
        while (!seen.contains("PONG") && t.elapsed() < 3000) {
            pollfd p{m_fd, POLLIN, 0};
            char buffer[4096];
            if (::poll(&p, 1, 100) > 0) {
                const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
                if (n <= 0)
                    return false;
                seen.append(buffer, int(n));
            }
        }
        return seen.contains("PONG");
    }
    ~MuteInstance()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

private:
    int m_fd = -1;
};

} // namespace

class tst_Nats : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;
    QMap<QByteArray, QByteArray> m_env, m_cluster; // the fixtures' nats.env
    QProcess m_guarded;                            // a server that asks a login
    int m_guardedPort = 0;

private slots:
    void initTestCase();
    void cleanupTestCase();
    void services_oneEntryPerInstanceAndEndpoint();
    void services_failingEndpointsErrorsBesideTheRecords();
    void failures_answerAFailedQueryNeverZeros_data();
    void failures_answerAFailedQueryNeverZeros();
    void silentInstance_roundKeepsItsDeadline();
    void cluster_everyServerOnceEveryInstanceOnce_data();
    void cluster_everyServerOnceEveryInstanceOnce();
};

namespace
{

QMap<QByteArray, QByteArray> readEnv(const QString &path)
{
    QMap<QByteArray, QByteArray> env;
    QFile f(path);
    if (f.open(QIODevice::ReadOnly))
        for (const QByteArray &line : f.readAll().split('\n'))
            if (const int eq = line.indexOf('='); eq > 0)
                env[line.left(eq)] = line.mid(eq + 1);
    return env;
}

} // namespace

void tst_Nats::initTestCase()
{
    m_env = readEnv(NATS_STATE "/nats.env");
    m_cluster = readEnv(NATS_CLUSTER_STATE "/nats.env");
    QVERIFY2(m_env.contains("URL") && m_env.contains("MONITOR_URL"),
             "no nats.env: the nats fixture did not start");
    QVERIFY2(m_cluster.value("NODES") == "3", "the nats_cluster fixture did not start");

    m_guardedPort = closedPort();
    const int guardedMonitor = closedPort();
    m_guarded.start("nats-server",
                    {"-a", "127.0.0.1", "-p", QString::number(m_guardedPort), "-m",
                     QString::number(guardedMonitor), "--user", "monitor", "--pass", "right"});
    QVERIFY(m_guarded.waitForStarted(5000));

    const QByteArray url = m_env["URL"], monitor = m_env["MONITOR_URL"];
    const QByteArray nowhere = "nats://127.0.0.1:" + QByteArray::number(closedPort());
    const QByteArray noMonitor = "http://127.0.0.1:" + QByteArray::number(closedPort());
    const auto entry = [](const QByteArray &u, const QByteArray &m, const QByteArray &more = {}) {
        return "{\"type\": \"nats\", \"url\": \"" + u + "\", \"monitor_url\": \"" + m + "\"" +
               more + "}";
    };
    QFile list(m_home.filePath("brokers.json"));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write(
        "{\"good\": " + entry(url, monitor) +
        ",\n\"quick\": " + entry(url, monitor, ", \"timeout_ms\": 1500") +
        ",\n\"down\": " + entry(nowhere, noMonitor) + ",\n\"nomonitor\": " + entry(url, noMonitor) +
        ",\n\"noclient\": " + entry(nowhere, monitor) + ",\n\"notls\": " +
        entry(QByteArray(url).replace("nats://", "tls://"), monitor) + ",\n\"cluster\": " +
        entry(m_cluster["NODE1_URL"], m_cluster["NODE1_MONITOR_URL"],
              ", \"cluster_monitor_urls\": [\"" + m_cluster["NODE2_MONITOR_URL"] + "\", \"" +
                  m_cluster["NODE3_MONITOR_URL"] + "\"]") +
        ",\n\"clusterone\": " + entry(m_cluster["NODE1_URL"], m_cluster["NODE1_MONITOR_URL"]) +
        ",\n\"badlogin\": " +
        entry("nats://127.0.0.1:" + QByteArray::number(m_guardedPort),
              "http://127.0.0.1:" + QByteArray::number(guardedMonitor),
              ", \"user\": \"monitor\", \"password\": \"wrong\"") +
        "}\n");
    list.close();
    QVERIFY(list.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    qputenv("HOME", m_home.path().toLocal8Bit());
    qputenv("OSTRANE_BROKERS", m_home.filePath("brokers.json").toLocal8Bit());
    qputenv("MORVAIN_EXTRAS_DIR", m_home.filePath("extras").toLocal8Bit());

    // Ready once its monitoring port answers.
    QElapsedTimer t;
    t.start();
    while (QProcess::execute(
               "curl", {"-fs", "-o", "/dev/null", "--max-time", "1",
                        "http://127.0.0.1:" + QString::number(guardedMonitor) + "/healthz"}) != 0 &&
           t.elapsed() < 10000)
        QTest::qWait(50);
}

void tst_Nats::cleanupTestCase()
{
    if (m_guarded.state() != QProcess::NotRunning) {
        m_guarded.terminate(); // SIGTERM to its own PID
        if (!m_guarded.waitForFinished(5000))
            m_guarded.kill();
    }
}

void tst_Nats::services_oneEntryPerInstanceAndEndpoint()
{
    Exchange ex(service, "good");
    QCOMPARE(ex.call(), 0);
    QCOMPARE(ex.header(0), 0);
    QCOMPARE(ex.text().trimmed(), QByteArray("Ok"));
    // One service of three instances with three endpoints each (the fixture's).
    QCOMPARE(ex.header(1), 9);
    QSet<QByteArray> instances, endpoints;
    qint64 requests = 0;
    for (int n = 0; n < 9; ++n) {
        const QByteArray r = ex.record();
        QCOMPARE(trimmedText(r, sv_class, 32), QByteArray("orders"));
        QCOMPARE(trimmedText(r, sv_translation, 8), QByteArray("1.2.0"));
        QCOMPARE(int32At(r, sv_act), 3); // every instance lists every endpoint
        instances.insert(trimmedText(r, sv_name, 32));
        endpoints.insert(trimmedText(r, sv_service, 32));
        requests += int32At(r, sv_requests);
        ex.followUp(ex.convId());
        QCOMPARE(ex.call(), 0);
    }
    QCOMPARE(ex.resultCode(), QByteArray("0003"));
    QCOMPARE(instances.size(), 3);
    QCOMPARE(endpoints, (QSet<QByteArray>{"create", "get", "list"}));
    QVERIFY2(requests > 0, "the fixture's requester keeps num_requests moving");
}

// The fixture's "get" throws on every 5th request: its errors and last error are written
// beside the records, keyed by the names the records carry.
void tst_Nats::services_failingEndpointsErrorsBesideTheRecords()
{
    const QString file =
        m_home.filePath("extras/nats-") +
        QCryptographicHash::hash("good", QCryptographicHash::Sha1).toHex().left(16) + ".json";
    qint64 errors = 0;
    QString lastError;
    QElapsedTimer t;
    t.start();
    // A few rounds at most: the requester reaches a failing request within a second or two.
    while (errors == 0 && t.elapsed() < 15000) {
        Exchange ex(service, "good");
        QCOMPARE(ex.call(), 0);
        QFile f(file);
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(file));
        for (const QJsonValue o : QJsonDocument::fromJson(f.readAll())["objects"].toArray())
            if (o["server_class"] == "orders" && o["service"] == "get" &&
                o["num_errors"].toInteger() > errors) {
                errors = o["num_errors"].toInteger();
                lastError = o["last_error"].toString();
            }
        if (errors == 0)
            QTest::qWait(2500); // past the round's idle gap: the next query asks anew
    }
    QVERIFY2(errors > 0, "no error counted on orders.get");
    QVERIFY2(lastError.startsWith("orders.get: planted failure"), qPrintable(lastError));
}

void tst_Nats::failures_answerAFailedQueryNeverZeros_data()
{
    QTest::addColumn<QByteArray>("broker");
    QTest::addColumn<int>("kindCode");
    QTest::addColumn<int>("errorCode");
    QTest::addColumn<QByteArray>("text"); // its start; ports vary
    QTest::addColumn<QByteArray>("opening");

    QTest::newRow("server down") << QByteArray("down") << broker.code << 1
                                 << QByteArray("Broker not reachable 127.0.0.1:")
                                 << QByteArray("0003");
    QTest::newRow("monitoring port down, client port up")
        << QByteArray("nomonitor") << worker.code << 1
        << QByteArray("Broker not reachable 127.0.0.1:") << QByteArray("0003");
    QTest::newRow("client port down, monitoring port up")
        << QByteArray("noclient") << service.code << 1
        << QByteArray("NATS not reachable 127.0.0.1:") << QByteArray("0003");
    QTest::newRow("TLS asked of a server without it")
        << QByteArray("notls") << service.code << 3 << QByteArray("TLS failed 127.0.0.1:")
        << QByteArray("0003");
    // As a management API's 401: "0002" once, then "0003".
    QTest::newRow("wrong credentials")
        << QByteArray("badlogin") << user.code << 15 << QByteArray("NATS login failed 127.0.0.1:")
        << QByteArray("0002");
}

void tst_Nats::failures_answerAFailedQueryNeverZeros()
{
    QFETCH(QByteArray, broker);
    QFETCH(int, kindCode);
    QFETCH(int, errorCode);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, opening);
    const KindInfo kinds[] = {ostrane_test::broker, worker, service, user, conversation};
    const KindInfo kind = *std::find_if(std::begin(kinds), std::end(kinds),
                                        [&](const KindInfo &k) { return k.code == kindCode; });
    Exchange ex(kind, broker);
    QElapsedTimer t;
    t.start();
    QCOMPARE(ex.call(), 0);
    QVERIFY2(t.elapsed() < 5000, "a failure answers within the round");
    QCOMPARE(ex.resultCode(), opening);
    QCOMPARE(ex.header(0), errorCode);
    QCOMPARE(ex.header(1), 0);
    QVERIFY2(ex.text().startsWith(text), ex.text().constData());
    QVERIFY2(!ex.text().contains("wrong"), "no password in any text");
    QCOMPARE(ex.object(), QByteArray(kind.replySize - 32, untouched));
    if (opening == "0002") {
        ex.followUp(ex.convId());
        QCOMPARE(ex.call(), 0);
        QCOMPARE(ex.resultCode(), QByteArray("0003"));
        QCOMPARE(ex.header(0), errorCode);
    }
}

void tst_Nats::silentInstance_roundKeepsItsDeadline()
{
    MuteInstance mute;
    QVERIFY(mute.open(m_env["URL"].mid(m_env["URL"].lastIndexOf(':') + 1).toInt()));
    Exchange ex(service, "quick"); // a round of 1500 ms
    QElapsedTimer t;
    t.start();
    QCOMPARE(ex.call(), 0);
    const qint64 ms = t.elapsed();
    QVERIFY2(ms >= 1000 && ms < 2500, QByteArray::number(ms).constData());
    QCOMPARE(ex.header(0), 0);
    QCOMPARE(ex.text().trimmed(), QByteArray("Ok, 3 of 4 instances"));
    QCOMPARE(ex.header(1), 9); // the three that replied; the silent one shows nothing
    QCOMPARE(trimmedText(ex.record(), sv_class, 32), QByteArray("orders"));
}

void tst_Nats::cluster_everyServerOnceEveryInstanceOnce_data()
{
    QTest::addColumn<QByteArray>("broker");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("everyConnection"); // the three instances and the requester
    QTest::newRow("every server monitored") << QByteArray("cluster") << QByteArray("Ok") << true;
    // Routes reach two servers whose monitoring ports are not known.
    QTest::newRow("one server monitored")
        << QByteArray("clusterone") << QByteArray("Ok, 1 of 3 servers monitored") << false;
}

void tst_Nats::cluster_everyServerOnceEveryInstanceOnce()
{
    QFETCH(QByteArray, broker);
    QFETCH(QByteArray, text);
    QFETCH(bool, everyConnection);
    // Instances spread over the three servers: each replies once, wherever it is.
    Exchange services(service, broker);
    QCOMPARE(services.call(), 0);
    QCOMPARE(services.header(0), 0);
    QCOMPARE(services.text().trimmed(), text);
    QCOMPARE(services.header(1), 9);
    QSet<QByteArray> instances;
    for (int n = 0; n < 9; ++n) {
        instances.insert(trimmedText(services.record(), sv_name, 32));
        services.followUp(services.convId());
        QCOMPARE(services.call(), 0);
    }
    QCOMPARE(instances.size(), 3);

    Exchange workers(worker, broker);
    QCOMPARE(workers.call(), 0);
    QCOMPARE(workers.header(1), 3);
    QList<qint16> ids;
    for (int n = 0; n < 3; ++n) {
        ids.append(int16At(workers.record(), 32)); // worker_id
        workers.followUp(workers.convId());
        QCOMPARE(workers.call(), 0);
    }
    QCOMPARE(ids, (QList<qint16>{1, 2, 3}));

    Exchange users(user, broker);
    QCOMPARE(users.call(), 0);
    QCOMPARE(users.header(1) == 4, everyConnection);
}

QTEST_GUILESS_MAIN(tst_Nats)
#include "tst_nats.moc"
