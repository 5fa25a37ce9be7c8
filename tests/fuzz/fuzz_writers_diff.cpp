// The fast export writers against the plain ones in tests/export/reference_writers.cpp: a
// snapshot round of the kinds the input picks, against a Broker that answers from the input
// (as fuzz_writers does), then the round's JSON, Prometheus text and every kind's CSV from
// both; any byte of difference is a finding.

#include "csv_document.h"
#include "fuzzed_round.h"
#include "json_document.h"
#include "prometheus_document.h"
#include "reference_writers.h"

#include <QCoreApplication>

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace morvain;

namespace
{

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
    fuzz::runRound(bytes, size, [](const SnapshotReport &report) {
        same("JSON", json::document(report), reference::jsonDocument(report));
        same("Prometheus", prometheus::document(report), reference::prometheusDocument(report));
        for (const KindReport &kind : report.kinds)
            same("CSV", csv::document(*kind.model), reference::csvDocument(*kind.model));
    });
    return 0;
}
