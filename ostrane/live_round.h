#pragma once
// A live broker's round: the start-up's five queries, an auto-refresh round, a snapshot or
// a scrape. It fetches each of the broker's sources at most once, however slow: its
// snapshot serves every opening call until a kind asks a second time, until the library saw
// no call for idle_gap, or until beyond_deadline after the round's deadline. The round's
// fetches end by that deadline, and a failure answers the rest of the round, so that a
// start-up against a broker that is down waits for one round, not five.

#include "broker_data.h"
#include "high_water_marks.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace ostrane::live
{

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The program calls a round's queries back to back, each answered from memory after its
// fetches; its shortest auto-refresh interval (5 s, counted from a round's end) is well
// above this gap, and a Refresh pressed by hand a moment later asks again.
inline constexpr auto idle_gap = milliseconds(2000);
// A round's snapshot is never older than this past its fetches' deadline.
inline constexpr auto beyond_deadline = milliseconds(5000);

// Why a round got no snapshot: it answers every call of the rest of the round.
struct Failure {
    std::string text;      // the opening call's error text, no secret in it
    std::int32_t code = 0; // the HTTP status, or a FailureCode
    bool login = false;    // rejected credentials: "0002" first, then "0003"
};

// When the library was last called: one for all live sources, as the monitor's rounds are.
class Activity
{
public:
    // Any call into the library, follow-ups too: the round it belongs to is not idle.
    void touch()
    {
        m_quietSince = m_lastSeen;
        m_lastSeen = Clock::now();
    }
    // The library was busy until now (a round's fetches just ended).
    void busy() { m_lastSeen = Clock::now(); }
    Clock::time_point quietSince() const { return m_quietSince; }
    std::uint64_t nextSerial() { return ++m_serial; }

private:
    // The last call seen before the current one, and the latest moment the library was busy.
    Clock::time_point m_quietSince, m_lastSeen;
    std::uint64_t m_serial = 0;
};

struct Round {
    std::optional<Clock::time_point> started; // its first opening call
    Clock::time_point deadline;               // of its fetches
    unsigned asked = 0;                       // the kinds it answered, one bit each
    std::optional<Failure> failure;
    std::uint64_t serial = 0; // grows with every fresh round of any broker

    // Starts a new round unless this one may answer `kind` now; true when it started one,
    // so the caller drops its snapshot.
    bool begin(KindId kind, milliseconds budget, Activity &activity);
    // The time left to the deadline (zero or less: none).
    milliseconds left() const;
};

// A fetch that timed out on `left` of a round's `budget`: when earlier fetches took their
// share, the timeout is the round's.
inline bool roundCut(milliseconds left, milliseconds budget)
{
    return left + milliseconds(100) < budget;
}

// Per broker (URL and login): its round, the snapshot the round took and its marks. Two
// logins see different things (and one may fail): neither's snapshot serves the other.
template <typename Snapshot> class Brokers
{
public:
    static constexpr std::size_t max_brokers = 16;
    struct Broker {
        Round round;
        Snapshot snapshot{};
        Marks marks;
    };

    Broker &of(const std::string &url, const std::string &user)
    {
        const std::string key = user.empty() ? url : url + "\n" + user;
        if (m_brokers.size() >= max_brokers && !m_brokers.count(key))
            m_brokers.erase(m_brokers.begin());
        return m_brokers[key];
    }

private:
    std::map<std::string, Broker> m_brokers;
};

// A failed query: every reply names the failure in its header, the closing one too, and
// none touches the object area; the opening call carries the text.
KindData failedQuery(const Kind &kind, const Failure &failure);

} // namespace ostrane::live
