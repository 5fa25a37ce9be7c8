#pragma once
// The client library's broker list (brokers.json) as the program may read it: where it is
// and which kind of broker a name watches; never a URL, a login or a password. Qt Core only,
// so that the window and morvain-snapshot tell a named broker's source alike.

#include <QByteArray>
#include <QString>

namespace morvain
{

// Where the broker list is: $OSTRANE_BROKERS, else $XDG_CONFIG_HOME/morvain/brokers.json
// (an absolute one), else ~/.config/morvain/brokers.json.
QString brokerListFile();

// What the list's entry `name` watches: its "type", else what its URL's scheme says
// ("rabbitmq" for http:// and https://, "nats" for nats:// and tls://); empty when the list
// has no such entry or it says neither.
QString namedBrokerType(const QString &listFile, const QString &name);

// The list allows // and /* */ comments; JSON does not. Strings are left as they are.
QByteArray withoutComments(const QByteArray &text);

} // namespace morvain
