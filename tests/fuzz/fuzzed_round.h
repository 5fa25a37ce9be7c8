#pragma once
// The round the writers' targets share: a broker ID and the kinds from the input, then a
// snapshot round against a Broker that answers from the rest of it, and its report handed
// to the target's check. Each input starts from a fresh round (control block and
// conversation) and each kind it queries from a fresh table, as every query starts.

#include "fuzzed_broker.h"
#include "options.h"
#include "query_failure.h"
#include "snapshot_round.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace morvain::fuzz
{

// Past the last slot of the conversations' table (100). Longer tables exercise nothing more
// in the writers, and one full table of 1000 costs a hundred ordinary inputs.
constexpr int maxCallsPerRound = 130;

template <typename Check> void runRound(const std::uint8_t *bytes, std::size_t size, Check &&check)
{
    FuzzedDataProvider data(bytes, size);
    Identity identity;
    const std::string id = data.ConsumeBytesAsString(32);
    identity.brokerId = QString::fromLatin1(id.data(), qsizetype(id.size()));
    QStringList kinds;
    for (const QString &kind : snapshot::kindNames())
        if (data.ConsumeBool())
            kinds << kind;

    FuzzedBroker broker;
    broker.data = &data;
    broker.maxCalls = maxCallsPerRound; // a budget for the whole round
    snapshot::SnapshotRound round(broker, [](const QString &) {});
    round.startUp(identity);
    try {
        check(round.run(kinds));
    } catch (const QueryFailure &) {
        // A table overflowed or a call failed: the program ends there, as Morvain does.
    }
}

} // namespace morvain::fuzz
