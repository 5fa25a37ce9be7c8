#pragma once
// The management API's bodies read by a streaming (SAX) reader that keeps only the fields
// the mapping reads of at most `keep` objects: whatever a broker sends, the memory a body
// costs beyond its text is bounded. Needs no HTTP, so a fuzzer can feed it.

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ostrane::rabbit
{

struct Scalar {
    enum Type : std::uint8_t { none, text, number, flag } type = none;
    std::int64_t n = 0; // numbers held to +-2^42; flags 0 or 1
    std::string s;      // texts cut to max_text bytes
};

struct Body {
    std::vector<std::vector<Scalar>> items; // per kept object, one Scalar per wanted path
    std::int64_t count = 0;                 // objects in the list, kept or not
    std::int64_t total = -1;                // a paged reply's total_count; -1: not paged
    std::int64_t page_count = 1;
};

inline constexpr int max_depth = 64;
inline constexpr std::size_t max_text = 1024; // a queue name is at most 255 bytes

// Reads a list (a JSON array, or a paged reply {"items": [...], "total_count": ...}) or,
// with `list` false, one object. `paths` are dotted ("message_stats.publish"); a value of
// another type than the mapping expects is kept as it is and read as 0 or blank later.
// False when the text is no JSON of that shape or nests deeper than max_depth, or when
// reading it is still not done at `until` (then `late` is set): a body of millions of
// objects must not hold the caller past its round.
bool readBody(
    std::string_view text, std::span<const char *const> paths, bool list, std::size_t keep,
    Body &out,
    std::chrono::steady_clock::time_point until = std::chrono::steady_clock::time_point::max(),
    bool *late = nullptr);

} // namespace ostrane::rabbit
