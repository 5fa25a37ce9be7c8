#pragma once
// Note to maintainer: every record that crosses Broker (and the 160-byte record of
// "Broker.cfg") is described exactly once, as a table of fields. The in-memory form of a
// record is its wire form, so nothing is translated at the call: the tables alone decide
// where a value sits. Invariants the tables keep, checked at compile time:
//  - fields follow one another without gaps and fill the record exactly;
//  - integers are signed little-endian, text is single-byte (Latin-1), blank-padded and
//    cut when the program assigns it, zero bytes where it never does;
//  - a Padding field never carries a value: it goes out as zero bytes whatever a call
//    left in it.

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace morvain::wire
{

enum class Encoding { Code, Int16, Int32, Text, Padding };

struct Field {
    std::string_view name;
    int offset;
    int width;
    Encoding encoding;
};

// A field name usable as a template argument, so that a misspelt name fails to compile.
template <std::size_t N> struct FieldName {
    char text[N]{};
    constexpr FieldName(const char (&s)[N]) { std::copy_n(s, N, text); }
    constexpr std::string_view view() const { return {text, N - 1}; }
};

template <std::size_t N> constexpr bool tiles(const std::array<Field, N> &table, int size)
{
    int next = 0;
    for (const Field &f : table) {
        if (f.offset != next || f.width <= 0)
            return false;
        if (f.encoding == Encoding::Code && f.width != 1)
            return false;
        if (f.encoding == Encoding::Int16 && f.width != 2)
            return false;
        if (f.encoding == Encoding::Int32 && f.width != 4)
            return false;
        next += f.width;
    }
    return next == size;
}

template <std::size_t N>
constexpr const Field &find(const std::array<Field, N> &table, std::string_view name)
{
    for (const Field &f : table)
        if (f.name == name)
            return f;
    throw "no such field"; // only ever evaluated at compile time
}

template <std::size_t A, std::size_t B>
constexpr std::array<Field, A + B> concat(const std::array<Field, A> &a,
                                          const std::array<Field, B> &b)
{
    std::array<Field, A + B> out{};
    std::copy(a.begin(), a.end(), out.begin());
    std::copy(b.begin(), b.end(), out.begin() + A);
    return out;
}

} // namespace morvain::wire
