#pragma once
// Named brokers: a list of the stand-in's own (brokers.json) that gives a short broker ID
// a management-API URL of any length, a login and a password that "Broker.cfg" has no
// room for. Format in ostrane/README.md.

#include "live_type.h"

#include <string>
#include <vector>

namespace ostrane
{

struct NamedBroker {
    LiveType type = LiveType::rabbitmq; // `type`, else by the URL's scheme
    std::string url, user, password, ca_file;
    std::string password_file; // read by lookupBroker into `password`
    // NATS only: the monitoring port's URL, a token (read from token_file into `token`)
    // and a credentials file libnats reads itself.
    std::string monitor_url, token, token_file, creds_file;
    std::vector<std::string> cluster_monitor_urls; // the cluster's other servers
    long timeout_ms = 0, connect_timeout_ms = 0;   // 0: the live source's default
};

struct BrokerLookup {
    enum Outcome {
        not_listed, // no list, or the list does not hold the name
        found,      // `broker` is set
        refused,    // `text` (at most 40 characters) and `detail` say why
    } outcome = not_listed;
    NamedBroker broker;
    std::string text;        // the error text
    std::string detail;      // the full path and reason, for the log
    bool names_known = true; // false: the list could not be read, so any name may be in it
};

// Where the list is: $OSTRANE_BROKERS, else $XDG_CONFIG_HOME/morvain/brokers.json, else
// ~/.config/morvain/brokers.json; "" when none can be named.
std::string brokerListPath();

// Looks `name` up in the list at `path`. The list is parsed once and read again when its
// size, times, mode or inode change. A list that holds a password and that others can
// read is refused, and so is a password file that others can read.
BrokerLookup lookupBroker(const std::string &path, const std::string &name);

} // namespace ostrane
