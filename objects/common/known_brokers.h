#pragma once
// The broker IDs an operator may pick instead of typing one: the names of the client
// library's broker list (brokers.json) and of its scenario files, found where the library
// looks for them. Only the names, and which kind of broker a name watches, are read: a URL,
// a login or a password never reaches the window. Both files belong to the client library;
// a list that cannot be read adds nothing.

#include "field_legend.h"

#include <QString>
#include <QStringList>

namespace morvain
{

// Where the broker list is: $OSTRANE_BROKERS, else $XDG_CONFIG_HOME/morvain/brokers.json
// (an absolute one), else ~/.config/morvain/brokers.json.
QString brokerListFile();
// Where the scenarios are: $OSTRANE_SCENARIO_DIR, else scenarios/ beside the program.
QString scenarioFolder();

// The names of the list's entries, then the scenarios', each once, at most 32 characters,
// sorted within each part.
QStringList knownBrokerNames(const QString &listFile, const QString &scenarios);

// What the list's entry `name` watches: its "type", else what its URL's scheme says
// ("rabbitmq" for http:// and https://, "nats" for nats:// and tls://); empty when the list
// has no such entry or it says neither.
QString namedBrokerType(const QString &listFile, const QString &name);

// Where the stand-in takes broker ID `brokerId`'s values from, the broker list's types read.
BrokerSource brokerSourceOf(const QString &brokerId);

} // namespace morvain
