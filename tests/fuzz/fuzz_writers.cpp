// The export writers on arbitrary records: a snapshot round of the kinds the input picks
// runs against a Broker that answers from the input (result codes, error texts, whole
// reply records of any kind, as many as the input asks for, up to past the last table
// slot of the conversations), under a broker ID from the input. The round's JSON, Prometheus text
// and every kind's CSV are then read back by parsers of their own formats, and what they hold is
// checked against the models. The round is fuzzed_round.h's; the models themselves are made
// once, since their thousand-slot tables cost more to make than most inputs cost to run.

#include "fuzzed_round.h"

#include <QCoreApplication>

using namespace morvain;

// fuzz_writers_read_back.cpp
void readBack(const SnapshotReport &report);

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    new QCoreApplication(*argc, *argv); // lives as long as the fuzzer
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    fuzz::runRound(bytes, size, readBack);
    return 0;
}
