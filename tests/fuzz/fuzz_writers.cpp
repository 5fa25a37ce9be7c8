// The export writers on arbitrary records: a snapshot round of the kinds the input picks
// runs against a Broker that answers from the input (result codes, error texts, whole
// reply records of any kind, as many as the input asks for, up to past the last table
// slot of the conversations), under a broker ID from the input. The round's JSON, Prometheus text
// and every kind's CSV are then read back by parsers of their own formats, and what they hold is
// checked against the models. Each input starts from a fresh round (control block and
// conversation) and each kind it queries from a fresh table, as every query starts; the
// models themselves are made once, since their thousand-slot tables cost more to make
// than most inputs cost to run.

#include "entry_point.h"
#include "fuzzed_broker.h"
#include "options.h"
#include "query_failure.h"
#include "snapshot_round.h"

#include <QCoreApplication>

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstring>

using namespace morvain;

namespace
{

// Past the last slot of the conversations' table (100). Longer tables exercise nothing more
// in the writers, and one full table of 1000 costs a hundred ordinary inputs.
constexpr int maxCallsPerRound = 130;

} // namespace

// fuzz_writers_read_back.cpp
void readBack(const SnapshotReport &report);

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
    broker.maxCalls = maxCallsPerRound; // a budget for the whole round
    snapshot::SnapshotRound round(broker, [](const QString &) {});
    round.startUp(identity);
    try {
        readBack(round.run(kinds));
    } catch (const QueryFailure &) {
        // A table overflowed or a call failed: the program ends there, as Morvain does.
    }
    return 0;
}
