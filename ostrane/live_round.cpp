#include "live_round.h"

namespace ostrane::live
{

bool Round::begin(KindId kind, milliseconds budget, Activity &activity)
{
    const auto now = Clock::now();
    const unsigned bit = 1u << static_cast<unsigned>(kind);
    const bool serves = started && !(asked & bit) && now - activity.quietSince() < idle_gap &&
                        now < deadline + beyond_deadline;
    if (!serves) {
        started = now;
        deadline = now + budget;
        asked = 0;
        failure.reset();
        serial = activity.nextSerial();
    }
    asked |= bit;
    return !serves;
}

milliseconds Round::left() const
{
    return std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
}

KindData failedQuery(const Kind &kind, const Failure &failure)
{
    KindData data(kind);
    data.every_call.header[error_code] = failure.code;
    data.every_call.object = false;
    CallScript opening;
    opening.error_text = failure.text;
    if (failure.login)
        opening.result_code = "0002"; // the follow-up answers "0003"
    data.calls.push_back(opening);
    return data;
}

} // namespace ostrane::live
