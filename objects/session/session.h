#pragma once
// One run's queries without a window: the call cycle with the records that cross Broker,
// and the five kinds' models in the order of the tabs. Morvain's window and
// morvain-snapshot both build on it, so the broker sees the same calls from either.

#include "broker_object/broker_object_model.h"
#include "client_server/client_server_model.h"
#include "conversation/conversation_model.h"
#include "info_cycle.h"
#include "kind_registry.h"
#include "service/service_extras.h"
#include "service/service_model.h"
#include "worker/worker_model.h"

#include <QList>

namespace morvain
{

class Session
{
public:
    // `view` hears what the cycle would show (status bar, header dialog, message boxes).
    Session(EntryPoint &entry, CycleView &view) : m_cycle(entry, view) {}
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    InfoCycle &cycle() { return m_cycle; }

    BrokerObjectModel &broker() { return m_broker; }
    WorkerModel &worker() { return m_worker; }
    ServiceModel &service() { return m_service; }
    ClientServerModel &clientServer() { return m_clientServer; }
    ConversationModel &conversation() { return m_conversation; }

    // The models in the order of kindRegistry.
    QList<ObjectModel *> models()
    {
        return {&m_broker, &m_worker, &m_service, &m_clientServer, &m_conversation};
    }
    ObjectModel &model(KindIndex kind) { return *models().at(kind); }

    // The services' extras of a NATS broker (service_extras.h).
    ServiceExtras &serviceExtras() { return m_serviceExtras; }
    // The extras of `model`'s kind, or nullptr for a kind that has none.
    const ObjectExtras *extrasOf(const ObjectModel &model) const
    {
        return &model == &m_service ? &m_serviceExtras : nullptr;
    }

private:
    InfoCycle m_cycle;
    BrokerObjectModel m_broker;
    WorkerModel m_worker;
    ServiceModel m_service;
    ClientServerModel m_clientServer;
    ConversationModel m_conversation;
    // After the models, before any view: it reads the extras before the views look.
    ServiceExtras m_serviceExtras{m_service, m_cycle};
};

} // namespace morvain
