#pragma once
// A Broker that answers from the fuzzer's input: result codes, conversation IDs, error
// texts, whole reply records, and a reply repeated up to past the last table slot.

#include "entry_point.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <cstring>

namespace morvain::fuzz
{

constexpr int maxCallsPerQuery = 1200; // past the last slot of the largest table

class FuzzedBroker : public EntryPoint
{
public:
    FuzzedDataProvider *data = nullptr;
    int calls = 0;
    int maxCalls = maxCallsPerQuery; // the calls one query may make before "0003"

    int call(std::uint8_t *controlBlock, std::uint8_t *request, std::uint8_t *reply,
             std::uint8_t *errorText) override
    {
        // The reply record is the object length the request names plus its 32-byte header.
        std::int32_t objectLength = 0;
        std::memcpy(&objectLength, request, 4); // object_length, little-endian like the host
        const std::size_t replySize = std::size_t(objectLength) + 32;
        if (objectLength < 0 || replySize > m_last.size())
            return 0;
        if (++calls > maxCalls || data->remaining_bytes() == 0) {
            // The end, with a zero reply: nothing of an earlier input reaches the records.
            std::memcpy(controlBlock + 316, "0003", 4);
            std::memset(reply, 0, replySize);
            return 0;
        }
        if (m_repeats > 0) {
            --m_repeats;
            std::memcpy(controlBlock + 316, "0000", 4);
            std::memcpy(reply, m_last.data(), replySize);
            return 0;
        }
        static const char *const codes[] = {"0000", "0002", "0003", "0001"};
        const int pick = data->ConsumeIntegralInRange(0, 4);
        if (pick < 4)
            std::memcpy(controlBlock + 316, codes[pick], 4);
        else
            writeBytes(controlBlock + 316, 4);
        if (data->ConsumeBool())
            writeBytes(controlBlock + 292, 16);
        if (data->ConsumeBool())
            writeBytes(errorText, 40);
        writeBytes(reply, replySize);
        std::memcpy(m_last.data(), reply, replySize);
        // Mostly a few repeats; now and then enough to fill a table past its last slot,
        // which is what costs an input most of its time.
        if (data->ConsumeBool())
            m_repeats = data->ConsumeIntegralInRange(0, 15) == 0
                            ? data->ConsumeIntegralInRange(0, maxCalls)
                            : data->ConsumeIntegralInRange(0, 20);
        else
            m_repeats = 0;
        return data->ConsumeIntegral<int>();
    }

    void reset() { m_repeats = 0; }

private:
    void writeBytes(std::uint8_t *to, std::size_t n)
    {
        const auto bytes = data->ConsumeBytes<std::uint8_t>(n);
        if (!bytes.empty())
            std::memcpy(to, bytes.data(), bytes.size());
    }

    std::array<std::uint8_t, 512> m_last{};
    int m_repeats = 0;
};

} // namespace morvain::fuzz
