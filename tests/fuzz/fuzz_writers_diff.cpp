// The fast export writers against the plain ones in tests/export/reference_writers.cpp: a
// snapshot round of the kinds the input picks, against a Broker that answers from the input
// (as fuzz_writers does), then the round's JSON, Prometheus text and every kind's CSV from
// both; any byte of difference is a finding.

#include "csv_document.h"
#include "fuzzed_broker.h"
#include "json_document.h"
#include "options.h"
#include "prometheus_document.h"
#include "query_failure.h"
#include "reference_writers.h"
#include "snapshot_round.h"

#include <QCoreApplication>

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace morvain;

namespace
{

// Past the last slot of the conversations' table (100), as in fuzz_writers.
constexpr int maxCallsPerRound = 130;

void same(const char *what, const QByteArray &fast, const QByteArray &plain)
{
    if (fast == plain)
        return;
    const auto at = qsizetype(
        std::mismatch(fast.begin(), fast.end(), plain.begin(), plain.end()).first - fast.begin());
    const qsizetype from = std::max<qsizetype>(at - 60, 0);
    std::fprintf(stderr,
                 "fuzz_writers_diff: %s differs at byte %lld of %lld/%lld\nfast:  %s\nplain: %s\n",
                 what, static_cast<long long>(at), static_cast<long long>(fast.size()),
                 static_cast<long long>(plain.size()),
                 fast.mid(from, 120).toPercentEncoding(" {}\",=:").constData(),
                 plain.mid(from, 120).toPercentEncoding(" {}\",=:").constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    new QCoreApplication(*argc, *argv); // lives as long as the fuzzer
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    Identity identity;
    const std::string id = data.ConsumeBytesAsString(32);
    identity.brokerId = QString::fromLatin1(id.data(), qsizetype(id.size()));
    QStringList kinds;
    for (const QString &kind : snapshot::kindNames())
        if (data.ConsumeBool())
            kinds << kind;

    fuzz::FuzzedBroker broker;
    broker.data = &data;
    broker.maxCalls = maxCallsPerRound;
    snapshot::SnapshotRound round(broker, [](const QString &) {});
    round.startUp(identity);
    try {
        const SnapshotReport report = round.run(kinds);
        same("JSON", json::document(report), reference::jsonDocument(report));
        same("Prometheus", prometheus::document(report), reference::prometheusDocument(report));
        for (const KindReport &kind : report.kinds)
            same("CSV", csv::document(*kind.model), reference::csvDocument(*kind.model));
    } catch (const QueryFailure &) {
        // A table overflowed or a call failed: the program ends there, as Morvain does.
    }
    return 0;
}
