#pragma once
// The seam to Broker: production binds tarnvel, tests hand in a scripted fake.

#include <cstdint>

namespace morvain
{

class EntryPoint
{
public:
    virtual ~EntryPoint() = default;
    // Calls Broker with the four record addresses; returns its result, which the
    // program ignores. Throws QueryFailure when Broker cannot be reached.
    virtual int call(std::uint8_t *controlBlock, std::uint8_t *request, std::uint8_t *reply,
                     std::uint8_t *errorText) = 0;
};

} // namespace morvain
