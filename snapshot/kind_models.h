#pragma once
// The five object kinds, each with its model and its query, in the order of the tabs.

#include "broker_object/broker_object_model.h"
#include "client_server/client_server_model.h"
#include "conversation/conversation_model.h"
#include "service/service_model.h"
#include "worker/worker_model.h"

#include "snapshot_round.h"

namespace morvain::snapshot
{

class KindModels
{
public:
    QList<KindQuery> inTabOrder();

private:
    BrokerObjectModel m_broker;
    WorkerModel m_worker;
    ServiceModel m_service;
    ClientServerModel m_clientServer;
    ConversationModel m_conversation;
};

} // namespace morvain::snapshot
