#include "fs/Md5Kernels.h"
#include "fs/Md5Rounds.h"

#include <bit>
#include <cstring>
#include <utility>

namespace {

using Md5Rounds::messageWord;
using Md5Rounds::rotation;
using Md5Rounds::sines;

// One step, arranged for a processor that runs independent operations side by side: everything that
// does not wait for b, the word the step before made, is added first, so only the last few
// operations stand in the chain from one step to the next.
template <int step> inline void oneStep(uint32_t w[4], const uint32_t m[16])
{
    constexpr int a = (64 - step) % 4, b = (a + 1) % 4, c = (a + 2) % 4, d = (a + 3) % 4;
    uint32_t sum = w[a] + m[messageWord(step)] + sines[step];
    if constexpr (step < 16) {
        sum += w[d] ^ (w[b] & (w[c] ^ w[d]));
    } else if constexpr (step < 32) {
        // (b AND d) OR (c AND NOT d): the two halves never share a bit, so they add, and the half
        // without b goes in early.
        sum += w[c] & ~w[d];
        sum += w[b] & w[d];
    } else if constexpr (step < 48) {
        sum += w[b] ^ (w[c] ^ w[d]);
    } else {
        sum += w[c] ^ (w[b] | ~w[d]);
    }
    w[a] = w[b] + std::rotl(sum, rotation(step));
}

// Block words are little-endian whatever the processor's byte order.
uint32_t littleEndianWord(const unsigned char *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

template <int... steps>
inline void allSteps(uint32_t w[4], const uint32_t m[16], std::integer_sequence<int, steps...>)
{
    (oneStep<steps>(w, m), ...);
}

void compressOne(Md5State &state, const unsigned char *data, size_t blocks)
{
    for (; blocks > 0; --blocks, data += 64) {
        // On a little-endian processor the compiler makes each word a plain load.
        uint32_t m[16];
        for (int j = 0; j < 16; ++j)
            m[j] = littleEndianWord(data + 4 * j);
        uint32_t w[4] = {state.h[0], state.h[1], state.h[2], state.h[3]};
        allSteps(w, m, std::make_integer_sequence<int, 64>());
        for (int j = 0; j < 4; ++j)
            state.h[j] += w[j];
    }
}

} // namespace

void Md5Kernels::compressPortable(Md5State *states, const unsigned char *const *data,
                                  const size_t *blockCounts, size_t lanes)
{
    for (size_t lane = 0; lane < lanes; ++lane)
        compressOne(states[lane], data[lane], blockCounts[lane]);
}
