// The stand-in's scenario files from arbitrary bytes: each input is a fresh scenario file,
// and a query of every kind runs against it to its end (bounded), as the program would.

#include "ostrane.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace
{

std::string folder;
unsigned long serial = 0;

struct Kind {
    std::int32_t objectLength;
    std::int16_t objectKind;
};
constexpr Kind kinds[] = {{92, 7}, {12, 8}, {160, 6}, {276, 1}, {364, 4}};

void query(const std::string &brokerId, const Kind &kind)
{
    std::array<std::uint8_t, 524> control{};
    std::array<std::uint8_t, 220> request{};
    std::array<std::uint8_t, 396> reply{};
    std::array<std::uint8_t, 41> errorText{};
    std::memset(control.data() + 36, ' ', 32);
    std::memcpy(control.data() + 36, brokerId.data(), brokerId.size());
    std::memcpy(request.data(), &kind.objectLength, 4);
    std::memcpy(request.data() + 8, &kind.objectKind, 2);
    control[2] = 1;
    std::memcpy(control.data() + 292, "NEW             ", 16);
    std::memcpy(control.data() + 308, "YES     ", 8);
    for (int call = 0; call < 1100; ++call) {
        ostrane_entry_1(control.data(), request.data(), reply.data(), errorText.data());
        if (std::memcmp(control.data() + 316, "0003", 4) == 0)
            return;
        control[2] = 2;
        std::memcpy(control.data() + 308, "NO      ", 8);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    char dir[] = "/tmp/morvain-fuzz-XXXXXX";
    if (!mkdtemp(dir))
        std::abort();
    folder = dir;
    setenv("OSTRANE_SCENARIO_DIR", dir, 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    // A new name each time: the stand-in may keep what it read of a file it saw before.
    const std::string id = "f" + std::to_string(++serial);
    const std::string path = folder + "/" + id + ".json";
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes, 1, size, f) != size || std::fclose(f) != 0)
        std::abort();
    for (const Kind &kind : kinds)
        query(id, kind);
    unlink(path.c_str());
    return 0;
}
