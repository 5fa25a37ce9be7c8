#include "metrics_server.h"

#include "exit_codes.h"
#include "http_gate.h"
#include "monitoring_options.h"
#include "probe_targets.h"
#include "prometheus_document.h"
#include "query_failure.h"
#include "stop_signals.h"
#include "text_support.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>

#include <thread>

#include <sys/socket.h>

namespace morvain::snapshot
{

RoundSharing::RoundSharing(std::function<Answer(const QString &, quint64)> round,
                           std::chrono::milliseconds minInterval)
    : m_round(std::move(round)), m_minInterval(minInterval)
{
}

std::optional<Answer> RoundSharing::scrape(const QString &name, std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_mutex);
    if (m_keys.size() >= maxKeys && !m_keys.count(name))
        return Answer{503, "Too many targets asked for.\n"};
    Key &key = m_keys[name];
    const auto now = std::chrono::steady_clock::now();
    if ((m_minInterval.count() > 0 && key.lastEnd && now - *key.lastEnd < m_minInterval) ||
        (key.every && key.rounds > 0))
        return key.last;
    // The round running or asked for now is the next to finish: this scrape shares it.
    const quint64 wanted = key.rounds + 1;
    if (!key.asked && !m_stopping) {
        key.asked = true;
        QMetaObject::invokeMethod(
            this, [this, name] { runRound(name); }, Qt::QueuedConnection);
    }
    // std::map keeps its elements in place while others are added.
    if (!m_done.wait_until(lock, now + limit, [&] { return key.rounds >= wanted || m_stopping; }) ||
        key.rounds < wanted)
        return std::nullopt;
    return key.last;
}

void RoundSharing::runEvery(const QString &name, std::chrono::milliseconds every)
{
    {
        const std::lock_guard lock(m_mutex);
        Key &key = m_keys[name];
        key.every = every;
        key.asked = true; // scrapes wait for this first round, and ask none themselves
    }
    QMetaObject::invokeMethod(
        this, [this, name] { runRound(name); }, Qt::QueuedConnection);
}

void RoundSharing::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_done.notify_all();
}

void RoundSharing::runRound(const QString &name)
{
    quint64 number = 0;
    {
        const std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        number = m_keys[name].rounds + 1;
    }
    // Scrapes arriving from here on wait for this round: `asked` stays set until it ends.
    Answer answer = m_round(name, number);
    std::optional<std::chrono::milliseconds> every;
    {
        const std::lock_guard lock(m_mutex);
        Key &key = m_keys[name];
        key.last = std::move(answer);
        key.lastEnd = std::chrono::steady_clock::now();
        ++key.rounds;
        every = key.every;
        key.asked = every.has_value(); // a round of its own is always on its way
    }
    m_done.notify_all();
    if (every)
        QTimer::singleShot(*every, this, [this, name] { runRound(name); });
}

namespace
{

QByteArray labelValue(const QString &text)
{
    QByteArray v = text.toUtf8();
    v.replace('\\', "\\\\").replace('"', "\\\"").replace('\n', "\\n");
    return v;
}

// The broker ID as every document labels it: trimmed, a URL's password masked.
QString labelledId(const QString &id)
{
    return trimIdentifier(maskedUserInfo(id));
}

const char *const indexPage =
    "<!DOCTYPE html>\n<html><head><title>morvain-snapshot</title></head><body>\n"
    "<h1>morvain-snapshot</h1>\n<p>The broker's objects as Prometheus metrics: "
    "<a href=\"/metrics\">/metrics</a> (one round of queries per scrape).</p>\n"
    "</body></html>\n";

} // namespace

QByteArray failedRoundDocument(const QString &brokerId, const QStringList &kinds)
{
    // The same family as a round's document writes; here every kind failed.
    QByteArray out = "# HELP morvain_up 1 when the last query of the kind succeeded, 0 when "
                     "it failed.\n# TYPE morvain_up gauge\n";
    const QByteArray id = labelValue(labelledId(brokerId));
    for (const QString &kind : kinds)
        out += "morvain_up{broker_id=\"" + id + "\",kind=\"" + kind.toLatin1() + "\"} 0\n";
    return out;
}

QByteArray roundTimingDocument(const QString &brokerId, double seconds, const QDateTime &start,
                               quint64 rounds)
{
    const QByteArray label = "{broker_id=\"" + labelValue(labelledId(brokerId)) + "\"} ";
    return "# HELP morvain_round_duration_seconds How long the round of queries took.\n"
           "# TYPE morvain_round_duration_seconds gauge\n"
           "morvain_round_duration_seconds" +
           label + QByteArray::number(seconds, 'f', 6) +
           "\n# HELP morvain_round_timestamp_seconds When the round started, in seconds since "
           "1970.\n# TYPE morvain_round_timestamp_seconds gauge\n"
           "morvain_round_timestamp_seconds" +
           label + QByteArray::number(start.toMSecsSinceEpoch() / 1000.0, 'f', 3) +
           "\n# HELP morvain_rounds_total Rounds of queries this exporter ran; scrapes that "
           "came during a round shared it.\n# TYPE morvain_rounds_total counter\n"
           "morvain_rounds_total" +
           label + QByteArray::number(rounds) + '\n';
}

Answer roundAnswer(SnapshotRound &round, const QStringList &kinds, const QString &brokerId,
                   quint64 number, const std::function<void(const QString &)> &printErr)
{
    QElapsedTimer took;
    took.start();
    const QDateTime start = QDateTime::currentDateTimeUtc();
    QByteArray document;
    try {
        document = prometheus::document(round.run(kinds));
    } catch (const std::exception &e) {
        const int failure = dynamic_cast<const QueryFailure *>(&e)
                                ? static_cast<const QueryFailure &>(e).number()
                                : int(Unexpected);
        printErr(
            QStringLiteral("Error no. %1: %2. %3")
                .arg(failure)
                .arg(QLatin1String(failureMeaning(failure)), QString::fromLocal8Bit(e.what())));
        document = failedRoundDocument(brokerId, kinds);
    }
    return {200,
            document + roundTimingDocument(brokerId, took.nsecsElapsed() / 1e9, start, number)};
}

int serveMetrics(SnapshotRound &round, EntryPoint &entry, const Identity &identity,
                 const Options &o, const std::function<void(const QString &)> &printErr)
{
    StopSignals stops;
    if (!stops.ok()) {
        printErr(QStringLiteral("Cannot catch SIGINT and SIGTERM."));
        return ExitOther;
    }
    ProbeTargets targets(entry, identity, o.kinds, printErr);
    // "" is "Broker.cfg"'s broker for /metrics; every other key is a probe's target.
    RoundSharing sharing(
        [&](const QString &key, quint64 number) {
            return key.isEmpty() ? roundAnswer(round, o.kinds, identity.brokerId, number, printErr)
                                 : targets.round(key, number);
        },
        std::chrono::seconds(o.minIntervalSeconds));
    if (o.everySeconds > 0)
        sharing.runEvery(QString(), std::chrono::seconds(o.everySeconds));

    GatedServer server;
    const auto answer = [&](const QString &key, httplib::Response &res, const QByteArray &extra) {
        const std::optional<Answer> got = sharing.scrape(key, std::chrono::seconds(60));
        if (!got) {
            res.status = 503;
            res.set_content("No round finished in time.\n", "text/plain; charset=utf-8");
            return;
        }
        res.status = got->status;
        const QByteArray body = got->status == 200 ? got->body + extra : got->body;
        res.set_content(body.constData(), size_t(body.size()),
                        got->status == 200 ? "text/plain; version=0.0.4; charset=utf-8"
                                           : "text/plain; charset=utf-8");
    };
    server.Get("/metrics", [&](const httplib::Request &, httplib::Response &res) {
        answer(QString(), res, o.targets ? targets.selfDocument() : QByteArray());
    });
    if (o.targets)
        server.Get("/probe", [&](const httplib::Request &req, httplib::Response &res) {
            const QString target = QString::fromUtf8(req.get_param_value("target"));
            if (const QString refused = refusedTargetName(target); !refused.isEmpty()) {
                targets.countRefused();
                res.status = 400;
                res.set_content((refused + u'\n').toStdString(), "text/plain; charset=utf-8");
                return;
            }
            answer(target, res, {});
        });
    server.Get("/", [](const httplib::Request &, httplib::Response &res) {
        res.set_content(indexPage, "text/html; charset=utf-8");
    });
    // Answered before any body is read: a slow body would hold a worker as a slow head
    // would. The other methods on other paths are not found, as before.
    server.set_pre_routing_handler([&o](const httplib::Request &req, httplib::Response &res) {
        if (req.method == "GET" || req.method == "HEAD")
            return httplib::Server::HandlerResponse::Unhandled;
        if (req.path == "/" || req.path == "/metrics" || (o.targets && req.path == "/probe")) {
            res.status = 405;
            res.set_header("Allow", "GET, HEAD");
            res.set_content("Only GET.\n", "text/plain; charset=utf-8");
        } else {
            res.status = 404;
        }
        return httplib::Server::HandlerResponse::Handled;
    });

    const std::string host = o.listenHost == QLatin1String("localhost")
                                 ? std::string("127.0.0.1")
                                 : o.listenHost.toStdString();
    server.set_socket_options([](socket_t sock) {
        // The library's own options add SO_REUSEPORT, which lets a second exporter share
        // the port unnoticed; address reuse alone only spares a restart the wait.
        const int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    int port = o.listenPort;
    const bool bound =
        port == 0 ? (port = server.bind_to_any_port(host)) > 0 : server.bind_to_port(host, port);
    if (!bound || !server.listenBound()) {
        printErr(QStringLiteral("Cannot listen on %1:%2.").arg(o.listenHost).arg(o.listenPort));
        return ExitOther;
    }
    const QString shownHost =
        o.listenHost.contains(u':') ? u'[' + o.listenHost + u']' : o.listenHost;
    printErr(QStringLiteral("serving http://%1:%2/metrics").arg(shownHost).arg(port));
    if (!isLoopback(o.listenHost))
        printErr(QStringLiteral("%1 is not a loopback address: other machines can reach the "
                                "metrics.")
                     .arg(o.listenHost));
    // Scrapes mostly wait for the one round; a few workers are plenty, since only requests
    // that came whole reach them.
    std::thread serving([&] { server.serve(8); });

    QObject::connect(&stops, &StopSignals::stopRequested, qApp,
                     [] { QCoreApplication::exit(ExitOk); });
    const int code = QCoreApplication::exec();
    sharing.stop();
    server.stopServing();
    serving.join();
    return code;
}

} // namespace morvain::snapshot
