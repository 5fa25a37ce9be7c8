// Measures a snapshot with every table full against the bare Broker calls it needs, in the
// same run through the same tarnvel and OSTRANE: the ratio is what the models, the cycle
// and the document add to the broker's own time. Each writer is also timed alone, over the
// objects a round left in the models, so its own share shows.
// Run: build/default/bin/morvain_bench_snapshot

#include "config_record.h"
#include "csv_document.h"
#include "json_document.h"
#include "kind_registry.h"
#include "measure.h"
#include "prometheus_document.h"
#include "snapshot_report.h"
#include "snapshot_round.h"
#include "tarnvel_binding.h"

#include <QCoreApplication>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

using namespace morvain;

namespace
{

struct Piece {
    const char *label; // of its instruction count
    std::function<void()> work;
};

// Each piece of work once per turn, turn after turn, so that a change in the machine's load
// falls on all of them alike; the median of each, in milliseconds.
std::vector<double> measureInTurns(const std::vector<Piece> &pieces, int turns = 15)
{
    std::vector<std::vector<double>> times(pieces.size());
    for (int turn = 0; turn < bench::repetitions(turns); ++turn) {
        for (std::size_t w = 0; w < pieces.size(); ++w)
            times[w].push_back(bench::medianMicros(pieces[w].work, 1, pieces[w].label) / 1e3);
    }
    std::vector<double> medians;
    for (std::vector<double> &t : times) {
        std::sort(t.begin(), t.end());
        medians.push_back(t[t.size() / 2]);
    }
    return medians;
}

// The calls alone: each kind's conversation from "NEW" to "0003", nothing kept. Returns
// the number of calls made.
int bareCalls(EntryPoint &entry, const Identity &identity)
{
    struct Kind {
        std::int32_t length;
        std::int16_t kind;
    };
    constexpr std::array<Kind, 4> lists{{{12, 8}, {160, 6}, {276, 1}, {364, 4}}};
    ControlBlock cb;
    fillAtStart(cb, identity);
    InfoRequest request;
    std::array<std::uint8_t, 32 + 364> reply{};
    std::array<std::uint8_t, 41> errorText{};
    int calls = 0;
    const auto call = [&](std::int32_t length, std::int16_t kind, bool opening) {
        cb.setCode<"call_code">(opening ? 1 : 2);
        cb.setText<"first_call">(opening ? QStringLiteral("YES") : QStringLiteral("NO"));
        if (opening)
            cb.setText<"conv_id">(QStringLiteral("NEW"));
        request.setInt32<"object_length">(length);
        request.setInt16<"word_4">(1);
        request.setInt16<"object_kind">(kind);
        entry.call(cb.data(), request.data(), reply.data(), errorText.data());
        ++calls;
        return cb.bytes<"result_code">() == "0003";
    };
    call(92, 7, true);
    for (const Kind &k : lists) {
        // Bounded: no full table holds more than 1000 objects.
        for (int i = 0; i < 1002 && !call(k.length, k.kind, i == 0); ++i) {
        }
    }
    return calls;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qputenv("OSTRANE_SCENARIO_DIR", BENCH_SCENARIO_DIR);
    Identity identity;
    identity.brokerId = QStringLiteral("full");

    TarnvelBinding broker(QCoreApplication::applicationDirPath());
    snapshot::SnapshotRound round(broker, [](const QString &note) {
        QTextStream(stderr) << "unexpected message: " << note << "\n";
    });
    round.startUp(identity);
    QStringList all;
    for (const KindInfo &kind : kindRegistry)
        all << QString::fromLatin1(kind.name.data(), qsizetype(kind.name.size()));

    QTextStream out(stdout);
    int calls = 0;
    qsizetype jsonSize = 0;
    qsizetype promSize = 0;
    qsizetype csvSize = 0;
    // The writers alone read what the rounds leave in the models: the same full tables.
    const SnapshotReport stored = round.run(all);
    const std::vector<double> ms = measureInTurns({
        {"bare", [&] { calls = bareCalls(broker, identity); }},
        {"queries", [&] { round.run(all); }},
        {"json-snapshot", [&] { jsonSize = json::document(round.run(all)).size(); }},
        {"prometheus-snapshot", [&] { promSize = prometheus::document(round.run(all)).size(); }},
        {"json-writer", [&] { json::document(stored); }},
        {"prometheus-writer", [&] { prometheus::document(stored); }},
        {"csv-writer",
         [&] {
             csvSize = 0;
             for (const KindReport &kind : stored.kinds)
                 csvSize += csv::document(*kind.model).size();
         }},
    });
    const double bare = ms[0];
    const QString millis = QStringLiteral("ms");
    const std::vector<bench::Row> rows{
        {QStringLiteral("bare Broker calls (%1)").arg(calls), bare, millis, 0, 0, "bare"},
        {QStringLiteral("queries into the models"), ms[1], millis, bare, 0, "queries", "bare"},
        {QStringLiteral("snapshot, JSON (%1 bytes)").arg(jsonSize), ms[2], millis, bare, 1.5,
         "json-snapshot", "bare"},
        {QStringLiteral("snapshot, Prometheus (%1 bytes)").arg(promSize), ms[3], millis, bare, 1.5,
         "prometheus-snapshot", "bare"},
        {QStringLiteral("JSON writer alone"), ms[4], millis, bare, 0, "json-writer", "bare"},
        {QStringLiteral("Prometheus writer alone"), ms[5], millis, bare, 0, "prometheus-writer",
         "bare"},
        {QStringLiteral("CSV writer alone (%1 bytes, five documents)").arg(csvSize), ms[6], millis,
         bare, 0, "csv-writer", "bare"},
    };
    bench::printTable(out, rows);
    out << "load " << bench::loadAverage() << "\n";
    return 0;
}
