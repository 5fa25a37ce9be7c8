#include "information_service.h"

#include "demo_broker.h"
#include "named_brokers.h"
#include "scenario.h"
#include "wire.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace ostrane
{
namespace
{

constexpr std::string_view end_of_conversation = "0003";

void writeErrorText(const Records &r, std::string_view text)
{
    wire::putText(r.error_text, error_area::text_width, text.substr(0, error_area::text_width));
}

void writeResult(const Records &r, std::string_view code)
{
    wire::putText(r.control + control::result_code, control::result_code_width, code);
}

std::string padded(std::string_view text, int width)
{
    std::string out(text.substr(0, static_cast<std::size_t>(width)));
    out.resize(static_cast<std::size_t>(width), ' ');
    return out;
}

// Broker and conversation IDs arrive as arbitrary bytes; the log shows them escaped.
void logRefusal(const Settings &s, const std::string &detail)
{
    if (!s.log)
        return;
    std::string line;
    for (const char c : detail) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F) {
            line.push_back(c);
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            line += hex;
        }
    }
    std::fprintf(stderr, "OSTRANE: %s\n", line.c_str());
}

// The live source's target with a named broker's own options in place of the defaults.
LiveTarget targetFor(const NamedBroker &b, const Settings &s)
{
    LiveTarget t;
    t.type = b.type;
    t.url = b.url;
    t.http = s.http;
    t.monitor_url = b.monitor_url;
    t.cluster_monitor_urls = b.cluster_monitor_urls;
    t.token = b.token;
    t.creds_file = b.creds_file;
    t.http.user = b.user;
    t.http.password = b.password;
    if (!b.ca_file.empty())
        t.http.ca_file = b.ca_file;
    if (b.timeout_ms > 0)
        t.http.total_ms = b.timeout_ms;
    if (b.connect_timeout_ms > 0)
        t.http.connect_ms = b.connect_timeout_ms;
    return t;
}

// Answered as a failed query is: "0003", the file named, the code in every reply's header.
KindData listRefused(const Settings &s, const BrokerLookup &named, const Kind &kind)
{
    logRefusal(s, "named brokers refused: " + named.detail);
    return live::failedQuery(kind, {named.text, list_refused, false});
}

} // namespace

int InformationService::refuse(const Records &r, std::string_view text, int result,
                               RefusalCode code)
{
    // Every reply record starts with its header, whatever kind the caller meant.
    for (int i = 0; i < header_field_count; ++i)
        wire::putInt(r.reply + 4 * i, 4, i == error_code ? code : 0);
    writeErrorText(r, text);
    writeResult(r, end_of_conversation);
    return result;
}

int InformationService::call(const Records &r, const Settings &s)
{
    ++m_calls;
    m_live.touch();
    const std::int32_t length = wire::getInt32(r.request + request::object_length);
    const std::int16_t code = wire::getInt16(r.request + request::object_kind);
    const Kind *kind = kindByCode(code);
    if (!kind)
        return refuse(r, "Unknown object kind " + std::to_string(code), bad_request, bad_call);
    // The reply buffer is only as large as the kind's record; a length that disagrees means
    // the caller's idea of it differs, so the reply stays untouched.
    if (length != kind->objectLength())
        return refuse(r,
                      "Object length " + std::to_string(length) + " wrong for kind " +
                          std::to_string(code),
                      bad_request, bad_call);

    const std::string convId = wire::getText(r.control + control::conv_id, control::conv_id_width);
    const std::uint8_t callCode = r.control[control::call_code];
    const std::string_view firstCall = wire::trimmed(
        std::string_view(reinterpret_cast<const char *>(r.control + control::first_call),
                         control::first_call_width));

    if (wire::trimmed(convId) == "NEW") {
        if (callCode != 1 || firstCall != "YES")
            return refuse(r, "Opening call needs call code 1 and YES", bad_request, bad_call);
        return open(r, s, *kind);
    }
    if (callCode != 2 || firstCall != "NO")
        return refuse(r, "Follow-up call needs call code 2 and NO", bad_request, bad_call);
    return follow(r, s, *kind, convId);
}

int InformationService::open(const Records &r, const Settings &s, const Kind &kind)
{
    const std::string brokerId(
        wire::trimmed(wire::getText(r.control + control::broker_id, control::broker_id_width)));
    KindData data(kind);
    if (brokerId.empty()) {
        data = std::move(demoBroker(s.seconds, m_calls)[kind.id]);
    } else if (const LiveType type = liveTypeOf(brokerId); type != LiveType::none) {
        LiveTarget t;
        t.type = type;
        t.broker_id = brokerId;
        t.url = brokerId;
        t.http = s.http;
        data = m_live.query(t, kind);
    } else if (!isSafeScenarioName(brokerId)) {
        logRefusal(s, "broker ID is not a scenario name: " + brokerId);
        return refuse(r, "Broker ID is not a safe scenario name", bad_source, unsafe_broker_id);
    } else {
        // A named broker comes before a scenario of the same name. A list that could not
        // be read leaves the scenarios alone: only a name no scenario has is refused.
        const BrokerLookup named = lookupBroker(s.brokers_file, brokerId);
        const bool refused = named.outcome == BrokerLookup::refused;
        if (named.outcome == BrokerLookup::found) {
            LiveTarget t = targetFor(named.broker, s);
            t.broker_id = brokerId;
            return answerOpening(r, m_live.query(t, kind), kind);
        }
        if (refused && named.names_known)
            return answerOpening(r, listRefused(s, named, kind), kind);
        try {
            if (s.scenario_dir.empty())
                throw ScenarioMissing("no scenario folder for broker ID " + brokerId);
            data = loadScenario(s.scenario_dir + "/" + brokerId + ".json")
                       ->kinds[static_cast<int>(kind.id)];
        } catch (const ScenarioMissing &e) {
            if (refused)
                return answerOpening(r, listRefused(s, named, kind), kind);
            logRefusal(s, e.what());
            return refuse(r, "Unknown broker ID " + brokerId, bad_source, unknown_broker);
        } catch (const DataError &e) {
            logRefusal(s, e.what());
            return refuse(r, "Malformed scenario " + brokerId, bad_source, malformed_scenario);
        }
    }
    return answerOpening(r, std::move(data), kind);
}

int InformationService::answerOpening(const Records &r, KindData &&data, const Kind &kind)
{
    const auto header = data.header();
    Conversation c{newId(), std::move(data), header, 0, 0, m_calls};
    if (!answer(c, r) && kind.conversation)
        keep(std::move(c));
    return ok;
}

int InformationService::follow(const Records &r, const Settings &s, const Kind &kind,
                               const std::string &convId)
{
    const auto it = std::find_if(m_open.begin(), m_open.end(),
                                 [&](const Conversation &c) { return c.id == convId; });
    if (it == m_open.end()) {
        logRefusal(s, "unknown conversation ID \"" + convId + "\"");
        return refuse(r, "Unknown conversation ID", bad_conversation, lost_conversation);
    }
    if (it->data.kind != &kind)
        return refuse(r, "Conversation is of another object kind", bad_conversation,
                      lost_conversation);
    it->last_use = m_calls;
    Conversation c = std::move(*it);
    m_open.erase(it);
    if (!answer(c, r))
        keep(std::move(c));
    return ok;
}

bool InformationService::answer(Conversation &c, const Records &r)
{
    ++c.calls;
    const CallScript script = c.data.scriptFor(c.calls);
    const bool remaining = c.next < c.data.count();
    const bool write = remaining && script.object.value_or(true);
    const int length = c.data.kind->objectLength();

    // After the last object the object area keeps what the previous call left there. A kind
    // without any object says so on the opening call with a blank object, so that no
    // leftover of an earlier conversation passes for an object that exists now.
    if (write) {
        std::memcpy(r.reply + header_size, c.data.object(c.next++),
                    static_cast<std::size_t>(length));
    } else if (c.calls == 1 && c.data.count() == 0 && script.object.value_or(true)) {
        KindData blank(*c.data.kind);
        [[maybe_unused]] const ObjectWriter appendBlank(blank);
        std::memcpy(r.reply + header_size, blank.object(0), static_cast<std::size_t>(length));
    }

    auto header = c.header;
    header[current_num_objects] = write ? 1 : 0;
    for (int i = 0; i < header_field_count; ++i) {
        if (script.header[i])
            header[i] = *script.header[i];
        wire::putInt(r.reply + 4 * i, 4, header[i]);
    }

    const std::string result = padded(script.result_code.value_or(remaining ? "0000" : "0003"),
                                      control::result_code_width);
    writeResult(r, result);
    writeErrorText(r, script.error_text.value_or(remaining ? "Ok" : "End of conversation"));

    if (script.conv_id)
        c.id = padded(*script.conv_id, control::conv_id_width);
    wire::putText(r.control + control::conv_id, control::conv_id_width, c.id);
    return result == end_of_conversation || !c.data.kind->conversation;
}

void InformationService::keep(Conversation &&c)
{
    // A scripted ID takes the place of any conversation that had it.
    std::erase_if(m_open, [&](const Conversation &o) { return o.id == c.id; });
    if (m_open.size() >= max_open_conversations) {
        // Callers that never finish their conversations must not make the library grow.
        const auto oldest = std::min_element(
            m_open.begin(), m_open.end(),
            [](const Conversation &a, const Conversation &b) { return a.last_use < b.last_use; });
        m_open.erase(oldest);
    }
    m_open.push_back(std::move(c));
}

std::string InformationService::newId()
{
    char id[control::conv_id_width + 1];
    std::snprintf(id, sizeof id, "%04" PRIX32 "%012" PRIX64, m_salt,
                  static_cast<std::uint64_t>(++m_ids & 0xFFFFFFFFFFFFu));
    return id;
}

} // namespace ostrane
