#pragma once
// morvain-snapshot --listen --targets: GET /probe?target=NAME runs one round against the
// broker NAME (a named broker of brokers.json or a scenario, as "Broker.cfg" would name
// it), every sample labelled with the target; one exporter serves a fleet that Prometheus
// lists. Each target keeps its own cycle and models, made on its first probe. A target is
// a name, never a URL: whoever may scrape must not make the exporter ask any address.

#include "metrics_server.h"
#include "snapshot_round.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <mutex>

namespace morvain::snapshot
{

// Why `name` cannot be a target (too long, empty, a character no name has), or empty.
QString refusedTargetName(const QString &name);

// `target="NAME"` added to every sample of a Prometheus text.
QByteArray withTargetLabel(const QByteArray &document, const QString &target);

class ProbeTargets
{
public:
    ProbeTargets(EntryPoint &entry, const Identity &base, QStringList kinds,
                 std::function<void(const QString &)> printErr);

    // One round of the target, on the event loop's thread. 404 when the broker ID names no
    // broker and no scenario (the client library refuses it as unknown).
    Answer round(const QString &target, quint64 number);
    // A probe refused before any round (a bad name, too many targets).
    void countRefused();
    // The exporter's own samples: rounds and round seconds per target, probes refused.
    QByteArray selfDocument() const;

private:
    EntryPoint &m_entry;
    Identity m_base;
    QStringList m_kinds;
    std::function<void(const QString &)> m_printErr;
    std::map<QString, std::unique_ptr<SnapshotRound>> m_rounds; // the event loop's only

    struct Stats {
        quint64 rounds = 0;
        double seconds = 0;
    };
    mutable std::mutex m_mutex; // the stats are read by the server's threads
    std::map<QString, Stats> m_stats;
    quint64 m_refused = 0;
};

} // namespace morvain::snapshot
