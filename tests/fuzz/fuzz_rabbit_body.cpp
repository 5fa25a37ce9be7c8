// The live source's reading without HTTP: arbitrary bytes as the bodies of the seven
// endpoints (parts split at zero bytes, in the order overview, nodes, vhosts, queues,
// connections, channels, consumers), a bare list or a paged reply alike, through the
// streaming reader and every kind's mapping, twice so that the marks see a second round.

#include "rabbit_source.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

using namespace ostrane;
using namespace ostrane::rabbit;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(bytes), size);
    std::array<Body, endpoint_count> bodies;
    Raw raw;
    std::size_t from = 0;
    for (int e = 0; e < endpoint_count && from <= input.size(); ++e) {
        const std::size_t end = std::min(input.find('\0', from), input.size());
        if (readEndpoint(input.substr(from, end - from), static_cast<Endpoint>(e), bodies[e])) {
            raw.body[e] = &bodies[e];
            // What a reader kept is never more than it counted, nor a value of a field
            // it was not asked for.
            if (bodies[e].items.size() > static_cast<std::size_t>(bodies[e].count))
                std::abort();
            for (const auto &item : bodies[e].items)
                if (item.size() != fieldsOf(static_cast<Endpoint>(e)).size())
                    std::abort();
        }
        from = end + 1;
    }
    live::Marks marks;
    for (std::uint64_t round = 1; round <= 2; ++round) {
        raw.serial = round;
        raw.now = 1796702600 + static_cast<std::int64_t>(round);
        for (const Kind &kind : kinds) {
            const KindData data = mapKind(raw, kind, marks);
            // The caps that keep the monitor's tables from overflowing hold for any body.
            const int cap = kind.id == KindId::Conversation ? 99
                            : kind.id == KindId::Worker     ? 1000
                                                            : 999;
            if (data.count() > cap ||
                data.every_call.header[total_num_objects].value_or(0) < data.count())
                std::abort();
        }
    }
    return 0;
}
