#pragma once
// morvain-snapshot --listen: GET /metrics runs a round and answers with its Prometheus
// text. The cycle and models are single-threaded Qt objects, so rounds run on the thread
// of the event loop only; the HTTP server's threads wait for them.
//
// - A scrape that arrives during a round (or while one is asked for and not yet begun)
//   waits for that round and shares its result: rounds never overlap and never queue up.
// - With a minimum interval, a scrape within that many seconds of the last round's end
//   gets the last result without a round.

#include "options.h"
#include "snapshot_round.h"

#include <QByteArray>
#include <QObject>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>

namespace morvain::snapshot
{

class RoundSharing : public QObject
{
    Q_OBJECT
public:
    // `round` runs one round and returns its document; called on this object's thread with
    // the round's number, from 1.
    RoundSharing(std::function<QByteArray(quint64)> round, std::chrono::milliseconds minInterval);

    // From any thread but this object's: the result of the round running now or of the
    // next one. Empty when it did not come within `limit` or the server is stopping.
    std::optional<QByteArray> scrape(std::chrono::milliseconds limit);
    // Wakes every waiting scrape with an empty answer; no round starts after it.
    void stop();

private:
    void runRound();

    std::function<QByteArray(quint64)> m_round;
    std::chrono::milliseconds m_minInterval;
    std::mutex m_mutex;
    std::condition_variable m_done;
    quint64 m_rounds = 0; // rounds finished
    bool m_asked = false; // a round is asked for or running
    bool m_stopping = false;
    QByteArray m_last;
    std::optional<std::chrono::steady_clock::time_point> m_lastEnd;
};

// morvain_up 0 for each kind, for a round that failed as a whole (no library, no entry
// point): Prometheus then records the failure instead of a failed scrape.
QByteArray failedRoundDocument(const QString &brokerId, const QStringList &kinds);
// The round's duration and start, as two gauges, and the rounds run so far: far fewer than
// the scrapes when they share rounds.
QByteArray roundTimingDocument(const QString &brokerId, double seconds, const QDateTime &start,
                               quint64 rounds);

// Serves until SIGINT or SIGTERM; returns the exit code.
int serveMetrics(SnapshotRound &round, const Options &o, const QString &brokerId,
                 const std::function<void(const QString &)> &printErr);

} // namespace morvain::snapshot
