#include "fs/Base64.h"

#include <QtEndian>
#include <QtGlobal>

// GCC 12's AVX-512 intrinsics start from a self-initialised placeholder that -Wmaybe-uninitialized
// reports at every use (GCC bug 105593); the warning is silenced for the intrinsics alone.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop

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

size_t encodePortable(const unsigned char *data, size_t n, char *text)
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

// Lays out each group of 3 bytes b0 b1 b2 of a 48-byte step as the 32-bit word b1 b0 b2 b1
// (lowest byte first): its four 6-bit fields then start at bits 10, 4, 22 and 16.
constexpr unsigned char spreadGroups[64] = {1,  0,  2,  1,  4,  3,  5,  4,  7,  6,  8,  7,  10, 9,  11, 10,
                                            13, 12, 14, 13, 16, 15, 17, 16, 19, 18, 20, 19, 22, 21, 23, 22,
                                            25, 24, 26, 25, 28, 27, 29, 28, 31, 30, 32, 31, 34, 33, 35, 34,
                                            37, 36, 38, 37, 40, 39, 41, 40, 43, 42, 44, 43, 46, 45, 47, 46};

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) size_t encodeAvx512Vbmi(const unsigned char *data,
                                                                               size_t n, char *text)
{
    const size_t length = encodedLength(n);
    const __m512i spread = _mm512_loadu_si512(spreadGroups);
    // For each byte of a 64-bit pair of words, the bit where its 6-bit field starts.
    const __m512i fieldStarts = _mm512_set1_epi64(0x3036242a1016040a);
    const __m512i letters = _mm512_loadu_si512(alphabet);
    for (; n >= 48; data += 48, text += 64, n -= 48) {
        // Only the last step may not have 64 bytes to load, and it loads its 48 alone: a masked load
        // in every step halved the speed on input from memory, as it was not prefetched.
        const __m512i bytes =
            n >= 64 ? _mm512_loadu_si512(data) : _mm512_maskz_loadu_epi8(0xffff'ffff'ffff, data);
        const __m512i words = _mm512_permutexvar_epi8(spread, bytes);
        // Each byte gets 8 bits from its field's start; the letter look-up uses only the low 6.
        const __m512i indices = _mm512_multishift_epi64_epi8(fieldStarts, words);
        _mm512_storeu_si512(text, _mm512_permutexvar_epi8(indices, letters));
    }
    encodePortable(data, n, text);
    return length;
}

// The letters of 32 6-bit values.
__attribute__((target("avx2"))) __m256i lettersOf(__m256i indices)
{
    // Letter minus value is constant over each run of the alphabet: 'A' for 0-25, 'a' - 26 for
    // 26-51, '0' - 52 for 52-61, then '+' - 62 and '/' - 63. Map each value to its run's entry.
    const __m256i offsets = _mm256_setr_epi8(
        'a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
        '0' - 52, '+' - 62, '/' - 63, 'A', 0, 0, 'a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
        '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '+' - 62, '/' - 63, 'A', 0, 0);
    const __m256i aboveLowercase = _mm256_subs_epu8(indices, _mm256_set1_epi8(51)); // 1-12 for 52-63
    const __m256i uppercase = _mm256_cmpgt_epi8(_mm256_set1_epi8(26), indices);
    const __m256i entry = _mm256_or_si256(aboveLowercase, _mm256_and_si256(uppercase, _mm256_set1_epi8(13)));
    return _mm256_add_epi8(indices, _mm256_shuffle_epi8(offsets, entry));
}

__attribute__((target("avx2"))) size_t encodeAvx2(const unsigned char *data, size_t n, char *text)
{
    const size_t length = encodedLength(n);
    // Each 128-bit half lays out its 12 bytes as the first 16 entries of the 512-bit layout do.
    const __m256i spread = _mm256_loadu2_m128i(reinterpret_cast<const __m128i *>(spreadGroups),
                                               reinterpret_cast<const __m128i *>(spreadGroups));
    // Each half loads 16 bytes and uses 12, so a step needs 28 readable bytes.
    for (; n >= 28; data += 24, text += 32, n -= 24) {
        const __m256i bytes = _mm256_loadu2_m128i(reinterpret_cast<const __m128i *>(data + 12),
                                                  reinterpret_cast<const __m128i *>(data));
        const __m256i words = _mm256_shuffle_epi8(bytes, spread);
        // Multiplies move the fields at bits 10 and 22 down to bits 0 and 16, and those at bits 4
        // and 16 up to bits 8 and 24: one 6-bit value per byte.
        const __m256i fields02 = _mm256_mulhi_epu16(_mm256_and_si256(words, _mm256_set1_epi32(0x0fc0fc00)),
                                                    _mm256_set1_epi32(0x04000040));
        const __m256i fields13 = _mm256_mullo_epi16(_mm256_and_si256(words, _mm256_set1_epi32(0x003f03f0)),
                                                    _mm256_set1_epi32(0x01000010));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(text),
                            lettersOf(_mm256_or_si256(fields02, fields13)));
    }
    encodePortable(data, n, text);
    return length;
}

using Encoder = size_t (*)(const unsigned char *, size_t, char *);

Encoder encoderOf(Kernel kernel)
{
    switch (kernel) {
    case Kernel::Avx512Vbmi:
        return encodeAvx512Vbmi;
    case Kernel::Avx2:
        return encodeAvx2;
    case Kernel::Portable:
        break;
    }
    return encodePortable;
}

} // namespace

bool isAvailable(Kernel kernel)
{
    // Needed when called before static constructors have run.
    __builtin_cpu_init();
    switch (kernel) {
    case Kernel::Avx512Vbmi:
        return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi");
    case Kernel::Avx2:
        return __builtin_cpu_supports("avx2");
    case Kernel::Portable:
        break;
    }
    return true;
}

size_t encode(const unsigned char *data, size_t n, char *text)
{
    static const Encoder best = encoderOf(isAvailable(Kernel::Avx512Vbmi) ? Kernel::Avx512Vbmi
                                          : isAvailable(Kernel::Avx2)     ? Kernel::Avx2
                                                                          : Kernel::Portable);
    return best(data, n, text);
}

size_t encodeWith(Kernel kernel, const unsigned char *data, size_t n, char *text)
{
    // Running a path the processor lacks would die of an illegal instruction somewhere inside.
    if (!isAvailable(kernel))
        qFatal("this processor cannot run the Base64 encoder asked for");
    return encoderOf(kernel)(data, n, text);
}

} // namespace Base64
