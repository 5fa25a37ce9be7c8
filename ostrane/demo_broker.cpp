#include "demo_broker.h"

#include <string>

namespace ostrane
{
namespace
{

struct DemoUser {
    const char *user_id;
    const char *host;
    int pid;
    int char_set;
    int endian;
    int status;
};

// Servers first, then clients. Between them every character set, endian type and
// status the monitor knows appears, plus one it does not.
constexpr DemoUser users[] = {
    {"SRV-LEDGER-01", "appsrv01", 4711, 1, 0, 5}, {"SRV-PAYROLL", "appsrv01", 4790, 128, 0, 0},
    {"SRV-WAREHOUSE", "MVSPROD", 61, 34, 1, 5},   {"SRV-ORDERS", "appsrv02", 2210, 1, 0, 0},
    {"SRV-SHIPPING", "bs2host", 815, 66, 1, 3},   {"MEYER", "ws-meyer", 1302, 16, 0, 0},
    {"OKAFOR", "nb-okafor", 22871, 128, 0, 0},    {"BATCH-NIGHTLY", "MVSPROD", 77, 34, 1, 0},
    {"KIOSK-07", "kiosk07", 388, 7, 2, 0},
};

struct DemoService {
    const char *server_class;
    const char *server_name;
    const char *service;
    int server; // index into users
};

// LEDGER is registered under two classes.
constexpr DemoService services[] = {
    {"ACCOUNTS", "LEDGER", "POST", 0},         {"ACCOUNTS", "LEDGER", "BALANCE", 0},
    {"ACCOUNTS", "LEDGER", "CLOSE-PERIOD", 0}, {"ACCOUNTS", "PAYROLL", "RUN", 1},
    {"ACCOUNTS", "PAYROLL", "PAYSLIP", 1},     {"STOCK", "WAREHOUSE", "COUNT", 2},
    {"STOCK", "WAREHOUSE", "MOVE", 2},         {"STOCK", "WAREHOUSE", "RESERVE", 2},
    {"STOCK", "LEDGER", "VALUATION", 0},       {"ORDERS", "ENTRY", "CREATE", 3},
    {"ORDERS", "ENTRY", "CANCEL", 3},          {"ORDERS", "ENTRY", "STATUS", 3},
    {"ORDERS", "SHIPPING", "DISPATCH", 4},
};

struct DemoConversation {
    const char *id;
    int service; // index into services; its server is the conversation's server
    int client;  // index into users
    int type;    // 0 conversational, 1 non-conversational
    int time_out;
};

constexpr DemoConversation conversations[] = {
    {"CNV0000000001041", 0, 5, 0, 300}, {"CNV0000000001042", 8, 7, 1, 60},
    {"CNV0000000001057", 7, 8, 0, 120}, {"CNV0000000001063", 9, 6, 0, 300},
    {"CNV0000000001064", 11, 5, 1, 60}, {"CNV0000000001070", 12, 7, 1, 900},
    {"CNV0000000001078", 4, 6, 0, 300},
};

constexpr int worker_statuses[] = {2, 5, 2, 4, 5, 2, 9};

constexpr int user_count = sizeof users / sizeof users[0];
constexpr int server_count = 5;
constexpr int conversation_count = sizeof conversations / sizeof conversations[0];
constexpr int worker_count = sizeof worker_statuses / sizeof worker_statuses[0];

std::string pUserId(const DemoUser &u)
{
    return std::string(u.host) + ":" + std::to_string(u.pid);
}

std::string pUserIdChar(const DemoUser &u)
{
    std::string host = u.host;
    for (char &c : host)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return host + " PID " + std::to_string(u.pid);
}

std::string token(int user)
{
    return "TK" + std::to_string(80211 + 37 * user);
}

int conversationsOfUser(int user)
{
    int n = 0;
    for (const DemoConversation &c : conversations)
        if (c.client == user || services[c.service].server == user)
            ++n;
    return n;
}

int conversationsOfService(int service)
{
    int n = 0;
    for (const DemoConversation &c : conversations)
        n += c.service == service ? 1 : 0;
    return n;
}

void addBroker(KindData &data, std::int64_t seconds, std::uint64_t calls)
{
    const auto wobble = static_cast<std::int64_t>(calls % 17);
    ObjectWriter(data)
        .text("platform", "LINUX-64")
        .number("run_time", 276'318 + seconds) // up since three days and a bit
        .number("num_worker_act", worker_count)
        .number("num_long", 500)
        .number("long_act", 31 + wobble)
        .number("long_high", 212)
        .number("num_short", 2000)
        .number("short_act", 140 + 3 * wobble)
        .number("short_high", 1311)
        .number("long_size", 4096)
        .number("short_size", 256)
        .number("num_service", sizeof services / sizeof services[0])
        .number("service_act", sizeof services / sizeof services[0])
        .number("num_server", server_count)
        .number("server_act", server_count)
        .number("server_high", 6)
        .number("num_client", user_count - server_count)
        .number("client_act", user_count - server_count)
        .number("client_high", 9)
        .number("num_conv", conversation_count)
        .number("conv_high", 11)
        .number("trace_level", 2);
}

void addWorkers(KindData &data, std::int64_t seconds, std::uint64_t calls)
{
    for (int i = 0; i < worker_count; ++i) {
        const auto busy = static_cast<std::int64_t>(calls) * (i + 1);
        ObjectWriter(data)
            .number("worker_id", i + 1)
            .number("worker_status", worker_statuses[i])
            .number("call_sum", (1'483 * (i + 1) + busy) % 2'000'000'000)
            .number("idle_sum", (51'200 - 4'100 * i + seconds * (worker_count - i) / worker_count) %
                                    2'000'000'000);
    }
}

void addServices(KindData &data, std::int64_t seconds, std::uint64_t calls)
{
    int index = 0;
    for (const DemoService &s : services) {
        const int convs = conversationsOfService(index);
        const bool mainframe = users[s.server].char_set == 34 || users[s.server].char_set == 66;
        ObjectWriter(data)
            .text("server_class", s.server_class)
            .text("server_name", s.server_name)
            .text("service", s.service)
            .text("translation", mainframe ? "CVTEBCD" : "")
            .number("conv_nonact", 300)
            .number("server_act", 1)
            .number("conv_act", convs)
            .number("conv_high", convs + 2 + index % 3)
            .number("long_act", convs)
            .number("long_high", 4 + index % 5)
            .number("short_act", 2 * convs)
            .number("short_high", 9 + index % 7)
            .number("wait_server", 12 + seconds / 97 + index)
            .number("num_wait_server", 3 + index % 4)
            .number("num_serv_occ", 5 + index % 6)
            .number("num_pend", index % 3 == 0 ? 1 : 0)
            .number("pend_high", 2 + index % 3)
            .number("req_sum",
                    (10'000 + 731 * index + static_cast<std::int64_t>(calls) * (index % 4 + 1)) %
                        2'000'000'000);
        ++index;
    }
}

void addUsers(KindData &data, std::int64_t seconds, std::uint64_t calls)
{
    for (int i = 0; i < user_count; ++i) {
        const DemoUser &u = users[i];
        const bool server = i < server_count;
        const bool waiting = u.status == 5;
        int served = 0;
        const DemoService *first = nullptr;
        for (const DemoService &s : services)
            if (s.server == i && ++served == 1)
                first = &s;
        const int nonact = server ? 1800 : 600;
        ObjectWriter w(data);
        w.text("user_id", u.user_id)
            .text("p_user_id", pUserId(u))
            .text("p_user_id_char", pUserIdChar(u))
            .text("token", token(i))
            .number("char_set", u.char_set)
            .number("endian", u.endian)
            .number("status", u.status)
            .number("conv_act", conversationsOfUser(i))
            .number("service_act", served)
            .number("last_active", (seconds + 13 * i) % nonact)
            .number("nonact", nonact)
            .number("wait_new", server ? 410 + 61 * i : 0)
            .number("num_wait_new", server ? 38 + 5 * i : 0)
            .number("wait_old", server ? 95 + 7 * i : 12 * i)
            .number("num_wait_old", server ? 11 + i : 2 + i)
            .number("sum_conv",
                    (120 + 43 * i + static_cast<std::int64_t>(calls) / 3) % 2'000'000'000);
        if (waiting && first)
            w.text("wait_conv_type", "NEW")
                .text("wait_server_class", first->server_class)
                .text("wait_server_name", first->server_name)
                .text("wait_service", first->service);
    }
}

void addConversations(KindData &data, std::int64_t seconds)
{
    for (const DemoConversation &c : conversations) {
        const DemoService &s = services[c.service];
        const DemoUser &server = users[s.server];
        const DemoUser &client = users[c.client];
        ObjectWriter(data)
            .text("conversation_id", c.id)
            .text("server_user_id", server.user_id)
            .text("server_p_user_id", pUserId(server))
            .text("server_p_user_id_char", pUserIdChar(server))
            .text("server_token", token(s.server))
            .text("client_user_id", client.user_id)
            .text("client_p_user_id", pUserId(client))
            .text("client_p_user_id_char", pUserIdChar(client))
            .text("client_token", token(c.client))
            .text("conv_server_class", s.server_class)
            .text("conv_server_name", s.server_name)
            .text("conv_service", s.service)
            .number("conv_time_out", c.time_out)
            .number("last_active_conv", (seconds + 7 * c.service) % c.time_out)
            .number("conv_type", c.type);
    }
}

} // namespace

BrokerData demoBroker(std::int64_t seconds, std::uint64_t calls)
{
    BrokerData data;
    addBroker(data[KindId::Broker], seconds, calls);
    addWorkers(data[KindId::Worker], seconds, calls);
    addServices(data[KindId::Service], seconds, calls);
    addUsers(data[KindId::User], seconds, calls);
    addConversations(data[KindId::Conversation], seconds);
    return data;
}

} // namespace ostrane
