#pragma once
// The five object kinds in one table, in the order of the tabs. Everything that names a
// kind (tab titles, table windows, keys, the snapshot's kind names) reads it from here, so
// a new kind touches this table and its own folder under objects/.

#include <array>
#include <string_view>

namespace morvain
{

struct KindInfo {
    std::string_view name;       // for programs and files: "service"
    std::string_view tabTitle;   // the tab's caption
    std::string_view tableTitle; // the table window's title; empty: the kind has none
    std::string_view tableItem;  // its item under View > Tables
    // The fields whose trimmed texts (numbers: decimal texts), joined by '\x1f', tell one
    // object from another across queries; none for the broker object.
    std::array<std::string_view, 3> keyFields;
    // A list query stores the reply that ended it as its last entry: it repeats the last
    // object or carries nothing, and is no object of its own.
    bool storesClosingReply;
};

enum KindIndex : int {
    BrokerKind,
    WorkerKind,
    ServiceKind,
    ClientServerKind,
    ConversationKind,
    KindCount
};

inline constexpr std::array<KindInfo, KindCount> kindRegistry{{
    {"broker", "Broker Object", "", "", {}, false},
    {"worker", "Worker Object", "Workers", "&Workers", {"worker_id"}, false},
    {"service",
     "Service Object",
     "Services",
     "&Services",
     {"server_class", "server_name", "service"},
     true},
    {"client_server", "Client/Server", "Users", "&Users", {"user_id"}, true},
    {"conversation", "Conv Object", "Conversations", "&Conversations", {"conversation_id"}, true},
}};

} // namespace morvain
