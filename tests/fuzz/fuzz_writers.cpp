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
constexpr int maxCallsPerQuery = 130;

class FuzzedBroker : public EntryPoint
{
public:
    explicit FuzzedBroker(FuzzedDataProvider &data) : m_data(data) {}
    int call(std::uint8_t *controlBlock, std::uint8_t *request, std::uint8_t *reply,
             std::uint8_t *errorText) override
    {
        std::int32_t objectLength = 0;
        std::memcpy(&objectLength, request, 4); // object_length, little-endian like the host
        const std::size_t replySize = std::size_t(objectLength) + 32;
        if (objectLength < 0 || replySize > m_last.size())
            return 0;
        if (++m_calls > maxCallsPerQuery || m_data.remaining_bytes() == 0) {
            std::memcpy(controlBlock + 316, "0003", 4);
            return 0;
        }
        if (m_repeats > 0) { // the same reply again: long tables cost few input bytes
            --m_repeats;
            std::memcpy(controlBlock + 316, "0000", 4);
            std::memcpy(reply, m_last.data(), replySize);
            return 0;
        }
        static const char *const codes[] = {"0000", "0003", "0002", "0001"};
        std::memcpy(controlBlock + 316, codes[m_data.ConsumeIntegralInRange(0, 3)], 4);
        if (m_data.ConsumeBool())
            writeBytes(errorText, 40);
        writeBytes(reply, replySize);
        std::memcpy(m_last.data(), reply, replySize);
        // Mostly short runs; now and then one up to past a full table.
        m_repeats = m_data.ConsumeIntegralInRange(0, 63) == 0
                        ? m_data.ConsumeIntegralInRange(0, maxCallsPerQuery)
                        : m_data.ConsumeIntegralInRange(0, 3);
        return 0;
    }

private:
    void writeBytes(std::uint8_t *to, std::size_t n)
    {
        const auto bytes = m_data.ConsumeBytes<std::uint8_t>(n);
        if (!bytes.empty())
            std::memcpy(to, bytes.data(), bytes.size());
    }

    FuzzedDataProvider &m_data;
    int m_calls = 0; // in the whole round
    std::array<std::uint8_t, 512> m_last{};
    int m_repeats = 0;
};

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

    FuzzedBroker broker(data);
    snapshot::SnapshotRound round(broker, [](const QString &) {});
    round.startUp(identity);
    try {
        readBack(round.run(kinds));
    } catch (const QueryFailure &) {
        // A table overflowed or a call failed: the program ends there, as Morvain does.
    }
    return 0;
}
