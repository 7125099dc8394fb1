#include "fs/Base64.h"

#include <QtEndian>

#include <array>
#include <cstdint>
#include <cstring>

namespace Base64 {

namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The two characters of every 12-bit value: a group of 3 bytes is two look-ups.
using CharPair = std::array<char, 2>;
constexpr std::array<CharPair, 4096> pairs = [] {
    std::array<CharPair, 4096> table{};
    for (size_t i = 0; i < table.size(); ++i)
        table[i] = {alphabet[i >> 6], alphabet[i & 63]};
    return table;
}();

inline void putPair(char *text, uint32_t twelveBits)
{
    std::memcpy(text, pairs[twelveBits & 0xfff].data(), 2);
}

} // namespace

size_t encode(const unsigned char *data, size_t n, char *text)
{
    const size_t length = encodedLength(n);
    // Six bytes per step from one 8-byte load; the two bytes past them are only peeked at, so the
    // loop stops while 8 bytes remain readable.
    while (n >= 8) {
        const uint64_t bits = qFromBigEndian<quint64>(data);
        putPair(text, static_cast<uint32_t>(bits >> 52));
        putPair(text + 2, static_cast<uint32_t>(bits >> 40));
        putPair(text + 4, static_cast<uint32_t>(bits >> 28));
        putPair(text + 6, static_cast<uint32_t>(bits >> 16));
        data += 6;
        text += 8;
        n -= 6;
    }
    for (; n >= 3; data += 3, text += 4, n -= 3) {
        const uint32_t bits = uint32_t(data[0]) << 16 | uint32_t(data[1]) << 8 | data[2];
        putPair(text, bits >> 12);
        putPair(text + 2, bits);
    }
    if (n > 0) {
        const uint32_t bits = uint32_t(data[0]) << 16 | (n == 2 ? uint32_t(data[1]) << 8 : 0);
        text[0] = alphabet[bits >> 18];
        text[1] = alphabet[(bits >> 12) & 63];
        text[2] = n == 2 ? alphabet[(bits >> 6) & 63] : '=';
        text[3] = '=';
    }
    return length;
}

} // namespace Base64
