#pragma once
// The broker IDs an operator may pick instead of typing one: the names of the client
// library's broker list (brokers.json) and of its scenario files, found where the library
// looks for them. Only the names, and which kind of broker a name watches, are read: a URL,
// a login or a password never reaches the window. Both files belong to the client library;
// a list that cannot be read adds nothing.

#include "broker_list.h"

#include <QString>
#include <QStringList>

namespace morvain
{

// Where the scenarios are: $OSTRANE_SCENARIO_DIR, else scenarios/ beside the program.
QString scenarioFolder();

// The names of the list's entries, then the scenarios', each once, at most 32 characters,
// sorted within each part.
QStringList knownBrokerNames(const QString &listFile, const QString &scenarios);

} // namespace morvain
