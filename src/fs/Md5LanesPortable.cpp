#include "fs/Md5Kernels.h"
#include "fs/Md5Rounds.h"

#include <bit>

namespace {

struct ScalarOps
{
    using Word = uint32_t;
    static Word add(Word x, Word y) { return x + y; }
    static Word constant(uint32_t k) { return k; }
    template <int bits> static Word rotateLeft(Word x) { return std::rotl(x, bits); }
    // f and g as RFC 1321 gives them, rewritten to need one operation less.
    static Word f(Word b, Word c, Word d) { return d ^ (b & (c ^ d)); }
    static Word g(Word b, Word c, Word d) { return c ^ (d & (b ^ c)); }
    static Word h(Word b, Word c, Word d) { return b ^ c ^ d; }
    static Word i(Word b, Word c, Word d) { return c ^ (b | ~d); }
};

// Block words are little-endian whatever the processor's byte order.
uint32_t littleEndianWord(const unsigned char *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void compressOne(Md5State &state, const unsigned char *data, size_t blocks)
{
    for (; blocks > 0; --blocks, data += 64) {
        uint32_t m[16];
        for (int j = 0; j < 16; ++j)
            m[j] = littleEndianWord(data + 4 * j);
        uint32_t w[4] = {state.h[0], state.h[1], state.h[2], state.h[3]};
        Md5Rounds::run<ScalarOps>(w, m);
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
