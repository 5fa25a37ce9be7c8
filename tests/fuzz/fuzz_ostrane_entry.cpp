// The stand-in's entry point with arbitrary control blocks, requests and broker IDs: a few
// calls in a row, each carrying the conversation ID the last one returned, against the
// demo broker or the stand-in's test scenarios in a folder of its own. A broker ID that names
// anything but a scenario (a URL, with its ':') is made one, so that no call leaves the process.

#include "ostrane.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace
{

constexpr int callCode = 2, brokerId = 36, brokerIdWidth = 32, firstCall = 308;

// The stand-in's own test scenarios, copied to a folder of the fuzzer's own.
std::string scenarioFolder()
{
    char folder[] = "/tmp/morvain-fuzz-XXXXXX";
    if (!mkdtemp(folder))
        std::abort();
    std::filesystem::copy(SCENARIO_SOURCE_DIR, folder);
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setenv("OSTRANE_SCENARIO_DIR", scenarioFolder().c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    std::array<std::uint8_t, 524> control{};
    std::array<std::uint8_t, 220> request{};
    std::array<std::uint8_t, 396> reply{};
    std::array<std::uint8_t, 41> errorText{};
    const auto fill = [&](std::uint8_t *to, std::size_t n) {
        const auto got = data.ConsumeBytes<std::uint8_t>(n);
        if (!got.empty())
            std::memcpy(to, got.data(), got.size());
    };
    fill(control.data(), control.size());
    fill(request.data(), request.size());
    static const char *const ids[] = {"", "basic", "scripted", "many", "malformed", "missing"};
    if (const int pick = data.ConsumeIntegralInRange(0, 6); pick < 6) {
        std::memset(control.data() + brokerId, ' ', brokerIdWidth);
        std::memcpy(control.data() + brokerId, ids[pick], std::strlen(ids[pick]));
    }
    for (int i = 0; i < brokerIdWidth; ++i)
        if (control[brokerId + i] == ':')
            control[brokerId + i] = '_';
    for (int call = 0; call < 8 && data.remaining_bytes() > 0; ++call) {
        errorText[40] = 0;
        ostrane_entry_1(control.data(), request.data(), reply.data(), errorText.data());
        // The follow-up: call code 2, "NO", the returned conversation ID; or fresh bytes.
        if (data.ConsumeBool()) {
            control[callCode] = 2;
            std::memcpy(control.data() + firstCall, "NO      ", 8);
        } else {
            fill(control.data(), 16); // the call code and what lies near it
        }
    }
    return 0;
}
