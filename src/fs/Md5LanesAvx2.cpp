#include "fs/Md5Kernels.h"

#include <immintrin.h>

#include <cstdint>
#include <utility>

// Everything below is compiled for AVX2 and runs only where Md5Lanes found it. It instantiates no
// library templates: such an instance could stand in for the portable one at link time.
#pragma GCC target("avx2")

#include "fs/Md5Rounds.h"

namespace {

using Word = __m256i;

struct Avx2Ops
{
    using Word = ::Word;
    static Word add(Word x, Word y) { return _mm256_add_epi32(x, y); }
    static Word constant(uint32_t k) { return _mm256_set1_epi32(int(k)); }
    template <int bits> static Word rotateLeft(Word x)
    {
        return _mm256_or_si256(_mm256_slli_epi32(x, bits), _mm256_srli_epi32(x, 32 - bits));
    }
    // f and g as RFC 1321 gives them, rewritten to need one operation less.
    static Word f(Word b, Word c, Word d)
    {
        return _mm256_xor_si256(d, _mm256_and_si256(b, _mm256_xor_si256(c, d)));
    }
    static Word g(Word b, Word c, Word d)
    {
        return _mm256_xor_si256(c, _mm256_and_si256(d, _mm256_xor_si256(b, c)));
    }
    static Word h(Word b, Word c, Word d) { return _mm256_xor_si256(_mm256_xor_si256(b, c), d); }
    static Word i(Word b, Word c, Word d)
    {
        const Word notD = _mm256_xor_si256(d, _mm256_set1_epi32(-1));
        return _mm256_xor_si256(c, _mm256_or_si256(b, notD));
    }
};

// rows[i] holds 8 consecutive words of lane i's block; m[j] receives the j-th of them for every lane.
// The loops are unrolled so that the vectors stay in registers.
void transpose(const Word rows[8], Word m[8])
{
    Word pairs[8];
#pragma GCC unroll 4
    for (int i = 0; i < 8; i += 2) {
        pairs[i] = _mm256_unpacklo_epi32(rows[i], rows[i + 1]);
        pairs[i + 1] = _mm256_unpackhi_epi32(rows[i], rows[i + 1]);
    }
    // 128-bit half k of quads[4 * q + s] holds word 4 * k + s of rows 4 * q to 4 * q + 3.
    Word quads[8];
#pragma GCC unroll 2
    for (int q = 0; q < 8; q += 4) {
        quads[q] = _mm256_unpacklo_epi64(pairs[q], pairs[q + 2]);
        quads[q + 1] = _mm256_unpackhi_epi64(pairs[q], pairs[q + 2]);
        quads[q + 2] = _mm256_unpacklo_epi64(pairs[q + 1], pairs[q + 3]);
        quads[q + 3] = _mm256_unpackhi_epi64(pairs[q + 1], pairs[q + 3]);
    }
#pragma GCC unroll 4
    for (int s = 0; s < 4; ++s) {
        m[s] = _mm256_permute2x128_si256(quads[s], quads[4 + s], 0x20);
        m[4 + s] = _mm256_permute2x128_si256(quads[s], quads[4 + s], 0x31);
    }
}

} // namespace

void Md5Kernels::compressAvx2(Md5State *states, const unsigned char *const *data, const size_t *blockCounts,
                              size_t lanes)
{
    // Lanes without a block in a round read this one and keep their state.
    alignas(32) static const unsigned char idle[64] = {};
    alignas(32) uint32_t words[4][avx2Width] = {};
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
        h[j] = _mm256_load_si256(reinterpret_cast<const Word *>(words[j]));

    for (size_t round = 0; round < rounds; ++round) {
        alignas(32) int32_t activeWords[avx2Width] = {};
        const unsigned char *blocks[avx2Width];
        for (size_t lane = 0; lane < avx2Width; ++lane) {
            blocks[lane] = idle;
            if (lane < lanes && round < blockCounts[lane]) {
                blocks[lane] = data[lane] + 64 * round;
                activeWords[lane] = -1;
            }
        }
        Word low[8], high[8];
#pragma GCC unroll 8
        for (size_t lane = 0; lane < avx2Width; ++lane) {
            low[lane] = _mm256_loadu_si256(reinterpret_cast<const Word *>(blocks[lane]));
            high[lane] = _mm256_loadu_si256(reinterpret_cast<const Word *>(blocks[lane] + 32));
        }
        Word m[16];
        transpose(low, m);
        transpose(high, m + 8);
        Word w[4] = {h[0], h[1], h[2], h[3]};
        Md5Rounds::run<Avx2Ops>(w, m);
        const Word active = _mm256_load_si256(reinterpret_cast<const Word *>(activeWords));
#pragma GCC unroll 4
        for (int j = 0; j < 4; ++j)
            h[j] = _mm256_add_epi32(h[j], _mm256_and_si256(w[j], active));
    }

    for (int j = 0; j < 4; ++j)
        _mm256_store_si256(reinterpret_cast<Word *>(words[j]), h[j]);
    for (size_t lane = 0; lane < lanes; ++lane)
        for (int j = 0; j < 4; ++j)
            states[lane].h[j] = words[j][lane];
}
