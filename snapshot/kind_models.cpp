#include "kind_models.h"

namespace morvain::snapshot
{

QList<KindQuery> KindModels::inTabOrder()
{
    return {
        {&m_broker, [this](InfoCycle &c) { m_broker.query(c); }},
        {&m_worker, [this](InfoCycle &c) { m_worker.query(c); }},
        {&m_service, [this](InfoCycle &c) { m_service.query(c); }},
        {&m_clientServer, [this](InfoCycle &c) { m_clientServer.query(c); }},
        {&m_conversation, [this](InfoCycle &c) { m_conversation.query(c); }},
    };
}

} // namespace morvain::snapshot
