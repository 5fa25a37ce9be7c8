#include "sha1.h"

namespace ostrane
{
namespace
{

std::uint32_t rotl(std::uint32_t v, int n)
{
    return (v << n) | (v >> (32 - n));
}

void block(std::array<std::uint32_t, 5> &h, const std::uint8_t *p)
{
    std::uint32_t w[80];
    for (int i = 0; i < 16; ++i)
        w[i] = std::uint32_t{p[4 * i]} << 24 | std::uint32_t{p[4 * i + 1]} << 16 |
               std::uint32_t{p[4 * i + 2]} << 8 | std::uint32_t{p[4 * i + 3]};
    for (int i = 16; i < 80; ++i)
        w[i] = rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int i = 0; i < 80; ++i) {
        std::uint32_t f, k;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        const std::uint32_t t = rotl(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = rotl(b, 30);
        b = a;
        a = t;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
}

} // namespace

std::array<std::uint8_t, 20> sha1(std::string_view data)
{
    std::array<std::uint32_t, 5> h{0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(data.data());
    std::size_t at = 0;
    for (; at + 64 <= data.size(); at += 64)
        block(h, bytes + at);
    // Padding: 0x80, zeros, the bit length in 64 bits big-endian; one or two blocks.
    std::uint8_t tail[128] = {};
    const std::size_t rest = data.size() - at;
    for (std::size_t i = 0; i < rest; ++i)
        tail[i] = bytes[at + i];
    tail[rest] = 0x80;
    const std::size_t blocks = rest + 1 + 8 <= 64 ? 1 : 2;
    const std::uint64_t bits = static_cast<std::uint64_t>(data.size()) * 8;
    for (int i = 0; i < 8; ++i)
        tail[blocks * 64 - 1 - i] = static_cast<std::uint8_t>(bits >> (8 * i));
    for (std::size_t i = 0; i < blocks; ++i)
        block(h, tail + 64 * i);
    std::array<std::uint8_t, 20> out{};
    for (int i = 0; i < 20; ++i)
        out[i] = static_cast<std::uint8_t>(h[i / 4] >> (24 - 8 * (i % 4)));
    return out;
}

std::string sha1Hex(std::string_view data)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (const std::uint8_t b : sha1(data)) {
        hex.push_back(digits[b >> 4]);
        hex.push_back(digits[b & 15]);
    }
    return hex;
}

} // namespace ostrane
