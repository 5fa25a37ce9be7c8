#pragma once
// The broker's information service as this library plays it: answers one call of an
// information conversation from the four records it is handed.
//
// Note to maintainer: it writes only `result_code` and `conv_id` of the control block,
// the reply's 32-byte header (every reply record starts with one, so a refusal writes it
// too), its object (never more than the kind's reply size, and only after the request's
// object_length was found to match the kind), and at most 40 bytes of the error text. The
// request is only read.

#include "broker_data.h"
#include "http_client.h"
#include "live_source.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ostrane
{

// Results of ostrane_entry_1.
enum Result : int {
    ok = 0,
    null_record = -1,
    bad_request = -2, // unknown kind, wrong length, call code not fitting the conv ID
    bad_source = -3,  // broker ID unknown, unsafe, or its scenario unusable
    bad_conversation = -4,
    internal_error = -5,
};

// The reply header's `error_code` of a refused call, so that no output reads a refusal as a
// good query. They go on from FailureCode's numbers (failure_codes.h); never renumber.
enum RefusalCode : int {
    unknown_broker = 8,      // no named broker, scenario or URL by that broker ID
    unsafe_broker_id = 9,    // the broker ID cannot name a scenario file (a path, odd bytes)
    malformed_scenario = 10, // the scenario file cannot be read as a broker
    bad_call = 11,           // unknown kind, wrong length, call code not fitting the conv ID
    lost_conversation = 12,  // a follow-up of a conversation this library does not hold
    internal_failure = 13,   // anything else inside the library
};

struct Records {
    std::uint8_t *control;
    const std::uint8_t *request;
    std::uint8_t *reply;
    std::uint8_t *error_text;
};

struct Settings {
    std::string scenario_dir; // empty: no scenarios can be found
    std::string brokers_file; // the named brokers' list; empty: none
    std::int64_t seconds = 0; // since the library was loaded
    bool log = false;         // details of refused calls (and every GET) to stderr
    HttpOptions http;         // for broker IDs that name a live broker
};

class InformationService
{
public:
    static constexpr std::size_t max_open_conversations = 16;

    explicit InformationService(std::uint32_t idSalt) : m_salt(idSalt & 0xFFFF) {}
    int call(const Records &r, const Settings &s);

    // Writes a refusal: the error text, "0003" and a reply header that carries `code` and
    // counts no object; the object area stays as it was.
    static int refuse(const Records &r, std::string_view text, int result, RefusalCode code);

private:
    struct Conversation {
        std::string id; // 16 bytes as written to the control block
        KindData data;
        std::array<std::int32_t, header_field_count> header;
        int next = 0;  // next object to answer
        int calls = 0; // calls answered so far
        std::uint64_t last_use = 0;
    };

    int open(const Records &r, const Settings &s, const Kind &kind);
    int answerOpening(const Records &r, KindData &&data, const Kind &kind);
    int follow(const Records &r, const Settings &s, const Kind &kind, const std::string &convId);
    // Answers the conversation's next call; true when that ended it.
    bool answer(Conversation &c, const Records &r);
    void keep(Conversation &&c);
    std::string newId();

    LiveSources m_live;
    std::vector<Conversation> m_open;
    std::uint32_t m_salt;
    std::uint64_t m_ids = 0;
    std::uint64_t m_calls = 0;
};

} // namespace ostrane
