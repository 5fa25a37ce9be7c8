#include "live_source.h"

#include "nats_source.h"
#include "rabbit_source.h"

namespace ostrane
{

LiveType liveTypeOf(std::string_view id)
{
    if (id.rfind("http://", 0) == 0 || id.rfind("https://", 0) == 0)
        return LiveType::rabbitmq;
    if (id.rfind("nats://", 0) == 0 || id.rfind("tls://", 0) == 0)
        return LiveType::nats;
    return LiveType::none;
}

LiveType liveTypeNamed(std::string_view type)
{
    return type == "rabbitmq" ? LiveType::rabbitmq
           : type == "nats"   ? LiveType::nats
                              : LiveType::none;
}

LiveSources::LiveSources() = default;
LiveSources::~LiveSources() = default;

KindData LiveSources::query(const LiveTarget &target, const Kind &kind)
{
    auto &source = m_sources[static_cast<int>(target.type)];
    if (!source) {
        switch (target.type) {
        case LiveType::rabbitmq:
            source = std::make_unique<rabbit::Source>(m_activity);
            break;
        case LiveType::nats:
            source = std::make_unique<nats::Source>(m_activity);
            break;
        case LiveType::none:
        case LiveType::live_type_count:
            throw DataError("no live source for this broker");
        }
    }
    return source->query(target, kind);
}

} // namespace ostrane
