#pragma once
// morvain-snapshot --listen: GET /metrics runs a round and answers with its Prometheus
// text. The cycle and models are single-threaded Qt objects, so rounds run on the thread
// of the event loop only; the HTTP server's threads wait for them.
//
// - A scrape that arrives during a round (or while one is asked for and not yet begun)
//   waits for that round and shares its result: rounds never overlap and never queue up.
// - With a minimum interval, a scrape within that many seconds of the last round's end
//   gets the last result without a round.
// - With --every, the rounds of /metrics run on their own and a scrape gets the last
//   one at once: what it costs the broker no longer depends on the scrapers, and the
//   round's timestamp says how old the values are.
// - With --targets, GET /probe?target=NAME does the same for the named broker or scenario
//   NAME (probe_targets.h), each target's rounds kept apart.

#include "options.h"
#include "snapshot_round.h"

#include <QByteArray>
#include <QObject>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>

namespace morvain::snapshot
{

// What a scrape is answered with.
struct Answer {
    int status = 200;
    QByteArray body;
};

// Rounds kept apart by a key (a probe's target; "" for /metrics): rounds of one key never
// overlap, and every round runs on this object's thread, one at a time.
class RoundSharing : public QObject
{
    Q_OBJECT
public:
    // Beyond this many keys a scrape of a new one is refused: names come from scrapers.
    static constexpr std::size_t maxKeys = 1024;

    // `round` runs one round of `key` and returns its answer; called on this object's
    // thread with the key's round number, from 1.
    RoundSharing(std::function<Answer(const QString &key, quint64)> round,
                 std::chrono::milliseconds minInterval);

    // From any thread but this object's: the answer of the key's round running now or of
    // its next one. Empty when it did not come within `limit` or the server is stopping.
    std::optional<Answer> scrape(const QString &key, std::chrono::milliseconds limit);
    // From now on the key's rounds run on their own, each `every` after the last one's end,
    // and a scrape gets the last at once (the first scrape waits for the first round).
    void runEvery(const QString &key, std::chrono::milliseconds every);
    // Wakes every waiting scrape with an empty answer; no round starts after it.
    void stop();

private:
    struct Key {
        quint64 rounds = 0; // rounds finished
        bool asked = false; // a round is asked for or running
        Answer last;
        std::optional<std::chrono::steady_clock::time_point> lastEnd;
        std::optional<std::chrono::milliseconds> every; // rounds of its own
    };
    void runRound(const QString &key);

    std::function<Answer(const QString &, quint64)> m_round;
    std::chrono::milliseconds m_minInterval;
    std::mutex m_mutex;
    std::condition_variable m_done;
    std::map<QString, Key> m_keys;
    bool m_stopping = false;
};

// morvain_up 0 for each kind, for a round that failed as a whole (no library, no entry
// point): Prometheus then records the failure instead of a failed scrape.
QByteArray failedRoundDocument(const QString &brokerId, const QStringList &kinds);
// The round's duration and start, as two gauges, and the rounds run so far: far fewer than
// the scrapes when they share rounds.
QByteArray roundTimingDocument(const QString &brokerId, double seconds, const QDateTime &start,
                               quint64 rounds);

// One round's answer: its Prometheus text and timing; for a round that failed as a whole,
// morvain_up 0 for each kind (said on standard error too).
Answer roundAnswer(SnapshotRound &round, const QStringList &kinds, const QString &brokerId,
                   quint64 number, const std::function<void(const QString &)> &printErr);

// Serves until SIGINT or SIGTERM; returns the exit code. `round` has started up with
// `identity`; with --targets each target's rounds start from it with their own broker ID.
int serveMetrics(SnapshotRound &round, EntryPoint &entry, const Identity &identity,
                 const Options &o, const std::function<void(const QString &)> &printErr);

} // namespace morvain::snapshot
