#pragma once
// A management-API snapshot read into plain values. The bodies were read by readBody;
// an absent key or a value of the wrong type reads as 0 or "", so nothing a broker sends
// can throw out of the mapping.

#include "rabbit_body.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ostrane::rabbit
{

// The list endpoints and the overview, in the order a broker query fetches them.
enum Endpoint : int {
    overview,
    nodes,
    vhosts,
    queues,
    connections,
    channels,
    consumers,
    exchanges, // asked only when a vhost listed shows no queue (hiddenVhostsPossible)
    endpoint_count
};

// The fields the mapping reads of an endpoint's objects (readBody's paths).
std::span<const char *const> fieldsOf(Endpoint e);

struct Raw {
    std::array<const Body *, endpoint_count> body{}; // null: not fetched
    std::int64_t now = 0;                            // seconds since the epoch
    std::uint64_t serial = 0;                        // grows with every fresh fetch
};

struct Node {
    std::string name;
    bool running = false;
    std::int64_t uptime_ms = 0, mem_limit = 0, mem_used = 0, run_queue = 0;
};

struct Queue {
    std::string vhost, name, type;
    bool reply = false; // exclusive, or a server-named reply queue
    std::int64_t consumers = 0, messages = 0, ready = 0, unacked = 0, bytes = 0, memory = 0,
                 publish = 0;
    std::int64_t ttl_ms = -1; // -1: none
};

struct Channel {
    std::string name, connection, vhost, node;
    std::int64_t consumers = 0, unacked = 0, publish = 0, deliver_get = 0;
    std::int64_t idle_since = -1; // seconds since the epoch; -1: busy
    int conn = -1;                // index into View::connections
    int queue = -1;               // the first non-reply queue it consumes, into View::queues
};

struct Connection {
    std::string name, user, vhost, peer_host, provided_name, product;
    std::int64_t peer_port = 0, connected_at_ms = 0, channel_count = 0, heartbeat = 0;
    std::string user_id;        // the name shown, with "~2"... for repeated names (Latin-1)
    bool server = false;        // consumes a non-reply queue
    std::vector<int> channels;  // into View::channels
    std::vector<int> queues;    // distinct non-reply queues consumed, first seen first
    std::vector<int> per_queue; // consumers on each of `queues`
};

struct View {
    std::string node, erlang_version;
    std::int64_t total_messages = 0, total_channels = 0;
    bool tracing = false;
    std::vector<Node> nodes; // sorted by name
    std::vector<Queue> queues;
    std::vector<Connection> connections;
    std::vector<Channel> channels;
    // Listed by the broker, kept or not: lists beyond what is kept are counted only.
    std::int64_t node_count = 0, connection_count = 0, channel_count = 0;
    std::int64_t unseen_queues = 0; // listed beyond those kept
    // Vhosts the broker lists whose objects this login may not read: a user tagged
    // monitoring sees every vhost but only the queues of those it has permissions on.
    std::int64_t hidden_vhosts = 0;
    std::int64_t now = 0;
    std::uint64_t serial = 0;
};

// Reads what was fetched; endpoints not fetched leave their part empty.
View read(const Raw &raw);

// True when some vhost listed shows no queue: it may be empty, or not readable by this
// login. The exchanges tell them apart, since every vhost holds its default exchanges and
// the list shows only those of readable vhosts.
bool hiddenVhostsPossible(const Raw &raw);

// Seconds since the epoch of a management-API time ("2026-12-08T04:03:11.760+00:00" or
// "2026-12-08 4:03:11"); -1 when it cannot be read.
std::int64_t parseTime(const std::string &text);

// The conversation ID of a channel: 16 hex digits of SHA-1(name "|" connected_at).
std::string conversationId(const Channel &ch, const Connection &cn);

} // namespace ostrane::rabbit
