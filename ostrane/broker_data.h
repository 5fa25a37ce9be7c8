#pragma once
// What a broker holds at one moment, as this library answers it: per kind the encoded
// objects (without header) and the optional script that bends individual calls.

#include "layout.h"

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ostrane
{

// A scenario or the data built from it is unusable; the message is for diagnostics.
class DataError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Overrides for one call of an information conversation. Unset members keep the
// library's natural answer.
struct CallScript {
    std::optional<std::string> result_code; // Latin-1, written as 4 characters
    std::optional<std::string> error_text;  // Latin-1, at most 40 characters
    std::optional<std::string> conv_id;     // Latin-1, written as 16 characters
    std::optional<bool> object;             // false: leave the object area alone
    std::array<std::optional<std::int32_t>, header_field_count> header{};

    // Members set in `over` replace those here.
    void overlay(const CallScript &over);
};

struct KindData {
    const Kind *kind = nullptr;
    std::vector<std::uint8_t> objects; // count() objects of kind->objectLength() bytes
    CallScript every_call;
    std::vector<CallScript> calls; // [0] is the opening call

    explicit KindData(const Kind &k) : kind(&k) {}
    int count() const { return static_cast<int>(objects.size()) / kind->objectLength(); }
    const std::uint8_t *object(int index) const
    {
        return objects.data() + static_cast<std::size_t>(index) * kind->objectLength();
    }
    // Header of a reply from this data: totals and the longest texts (walks every object,
    // so a conversation computes it once).
    std::array<std::int32_t, header_field_count> header() const;
    CallScript scriptFor(int callNumber) const; // 1-based
};

struct BrokerData {
    std::array<KindData, kind_count> kinds{KindData(ostrane::kinds[0]), KindData(ostrane::kinds[1]),
                                           KindData(ostrane::kinds[2]), KindData(ostrane::kinds[3]),
                                           KindData(ostrane::kinds[4])};
    KindData &operator[](KindId id) { return kinds[static_cast<int>(id)]; }
};

// Appends one object to a kind's data: text fields start as blanks, numbers as zero.
// `object` pointers point at the first byte after the header; field offsets count it.
class ObjectWriter
{
public:
    explicit ObjectWriter(KindData &data);
    ObjectWriter &text(std::string_view field, std::string_view latin1);
    ObjectWriter &number(std::string_view field, std::int64_t value);

    static const Field *find(const Kind &kind, std::string_view name);
    // Text longer than the field or a number outside what its width holds throws.
    static void putText(std::uint8_t *object, const Field &f, std::string_view latin1);
    static void putNumber(std::uint8_t *object, const Field &f, std::int64_t value);

private:
    const Field &field(std::string_view name, Type type) const;
    KindData &m_data;
    std::size_t m_at;
};

} // namespace ostrane
