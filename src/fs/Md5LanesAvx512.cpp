#include "fs/Md5Kernels.h"

// GCC 12's AVX-512 intrinsics start from a self-initialised placeholder that -Wmaybe-uninitialized
// reports at every use (GCC bug 105593); the warning is silenced for the intrinsics alone.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop

#include <cstdint>
#include <utility>

// Everything below is compiled for AVX-512F and runs only where Md5Lanes found it. It instantiates
// no library templates: such an instance could stand in for the portable one at link time.
#pragma GCC target("avx512f")

#include "fs/Md5Rounds.h"

namespace {

using Word = __m512i;

// The vpternlogd immediate for a function of three bits: the function applied to its operands'
// columns of the truth table.
consteval int truthTable(auto function)
{
    return int(function(0xF0u, 0xCCu, 0xAAu) & 0xFFu);
}

struct Avx512Ops
{
    using Word = ::Word;
    static Word add(Word x, Word y) { return _mm512_add_epi32(x, y); }
    static Word constant(uint32_t k) { return _mm512_set1_epi32(int(k)); }
    template <int bits> static Word rotateLeft(Word x) { return _mm512_rol_epi32(x, bits); }
    static Word f(Word b, Word c, Word d) { return _mm512_ternarylogic_epi32(b, c, d, tableF); }
    static Word g(Word b, Word c, Word d) { return _mm512_ternarylogic_epi32(b, c, d, tableG); }
    static Word h(Word b, Word c, Word d) { return _mm512_ternarylogic_epi32(b, c, d, tableH); }
    static Word i(Word b, Word c, Word d) { return _mm512_ternarylogic_epi32(b, c, d, tableI); }

    static constexpr int tableF =
        truthTable([](unsigned b, unsigned c, unsigned d) { return (b & c) | (~b & d); });
    static constexpr int tableG =
        truthTable([](unsigned b, unsigned c, unsigned d) { return (b & d) | (c & ~d); });
    static constexpr int tableH = truthTable([](unsigned b, unsigned c, unsigned d) { return b ^ c ^ d; });
    static constexpr int tableI = truthTable([](unsigned b, unsigned c, unsigned d) { return c ^ (b | ~d); });
};

// rows[i] holds the 16 words of lane i's block; m[j] receives word j of every lane. Transposing loaded
// rows measured faster than gathering each word from the 16 lanes. The loops are unrolled so that the
// vectors stay in registers.
void transpose(const Word rows[16], Word m[16])
{
    Word pairs[16];
#pragma GCC unroll 8
    for (int i = 0; i < 16; i += 2) {
        pairs[i] = _mm512_unpacklo_epi32(rows[i], rows[i + 1]);
        pairs[i + 1] = _mm512_unpackhi_epi32(rows[i], rows[i + 1]);
    }
    // 128-bit part k of quads[4 * q + s] holds word 4 * k + s of rows 4 * q to 4 * q + 3.
    Word quads[16];
#pragma GCC unroll 4
    for (int q = 0; q < 16; q += 4) {
        quads[q] = _mm512_unpacklo_epi64(pairs[q], pairs[q + 2]);
        quads[q + 1] = _mm512_unpackhi_epi64(pairs[q], pairs[q + 2]);
        quads[q + 2] = _mm512_unpacklo_epi64(pairs[q + 1], pairs[q + 3]);
        quads[q + 3] = _mm512_unpackhi_epi64(pairs[q + 1], pairs[q + 3]);
    }
    // Word 4 * k + s gathers 128-bit part k of quads[s], quads[4 + s], quads[8 + s], quads[12 + s].
#pragma GCC unroll 4
    for (int s = 0; s < 4; ++s) {
        const Word even01 = _mm512_shuffle_i32x4(quads[s], quads[4 + s], 0x88);
        const Word odd01 = _mm512_shuffle_i32x4(quads[s], quads[4 + s], 0xdd);
        const Word even23 = _mm512_shuffle_i32x4(quads[8 + s], quads[12 + s], 0x88);
        const Word odd23 = _mm512_shuffle_i32x4(quads[8 + s], quads[12 + s], 0xdd);
        m[s] = _mm512_shuffle_i32x4(even01, even23, 0x88);
        m[4 + s] = _mm512_shuffle_i32x4(odd01, odd23, 0x88);
        m[8 + s] = _mm512_shuffle_i32x4(even01, even23, 0xdd);
        m[12 + s] = _mm512_shuffle_i32x4(odd01, odd23, 0xdd);
    }
}

} // namespace

void Md5Kernels::compressAvx512(Md5State *states, const unsigned char *const *data, const size_t *blockCounts,
                                size_t lanes)
{
    // Lanes without a block in a round read this one and keep their state.
    alignas(64) static const unsigned char idle[64] = {};
    alignas(64) uint32_t words[4][avx512Width] = {};
    size_t rounds = 0;
    for (size_t lane = 0; lane < lanes; ++lane) {
        for (int j = 0; j < 4; ++j)
            words[j][lane] = states[lane].h[j];
        if (blockCounts[lane] > rounds)
            rounds = blockCounts[lane];
    }
    // The loops below are unrolled so that the vectors stay in registers.
    Word h[4];
#pragma GCC unroll 4
    for (int j = 0; j < 4; ++j)
        h[j] = _mm512_load_si512(words[j]);

    for (size_t round = 0; round < rounds; ++round) {
        __mmask16 active = 0;
        const unsigned char *blocks[avx512Width];
        for (size_t lane = 0; lane < avx512Width; ++lane) {
            blocks[lane] = idle;
            if (lane < lanes && round < blockCounts[lane]) {
                blocks[lane] = data[lane] + 64 * round;
                active |= __mmask16(1u << lane);
            }
        }
        Word rows[16];
#pragma GCC unroll 16
        for (size_t lane = 0; lane < avx512Width; ++lane)
            rows[lane] = _mm512_loadu_si512(blocks[lane]);
        Word m[16];
        transpose(rows, m);
        Word w[4] = {h[0], h[1], h[2], h[3]};
        Md5Rounds::run<Avx512Ops>(w, m);
#pragma GCC unroll 4
        for (int j = 0; j < 4; ++j)
            h[j] = _mm512_mask_add_epi32(h[j], active, h[j], w[j]);
    }

    for (int j = 0; j < 4; ++j)
        _mm512_store_si512(words[j], h[j]);
    for (size_t lane = 0; lane < lanes; ++lane)
        for (int j = 0; j < 4; ++j)
            states[lane].h[j] = words[j][lane];
}
