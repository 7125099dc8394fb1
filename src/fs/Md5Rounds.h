#pragma once

// The 64 steps of the MD5 block function (RFC 1321, section 3.4), written once for the vector kernels;
// the portable kernel takes the constants and orders its scalar steps its own way.
// A kernel includes this after its target pragma, so the steps are compiled for its instructions;
// everything here is either evaluated at compile time or a template over the kernel's own word
// operations, so no kernel's code can stand in for another's at link time.

#include <cstdint>
#include <utility>

namespace Md5Rounds {

// floor(|sin(i + 1)| * 2^32) for step i.
inline constexpr uint32_t sines[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

consteval int rotation(int step)
{
    constexpr int rotations[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};
    return rotations[step / 16][step % 4];
}

// The block word that a step adds.
consteval int messageWord(int step)
{
    const int i = step % 16;
    switch (step / 16) {
    case 0:
        return i;
    case 1:
        return (5 * i + 1) % 16;
    case 2:
        return (3 * i + 5) % 16;
    default:
        return 7 * i % 16;
    }
}

// Ops supplies a Word type (one 32-bit word per lane) and add, constant, rotateLeft<bits> and the four
// auxiliary functions f, g, h and i.
template <class Ops, int step> inline void oneStep(typename Ops::Word w[4], const typename Ops::Word m[16])
{
    // Each step replaces one word; the roles a, b, c and d move back by one word per step.
    constexpr int a = (64 - step) % 4, b = (a + 1) % 4, c = (a + 2) % 4, d = (a + 3) % 4;
    typename Ops::Word mixed;
    if constexpr (step < 16)
        mixed = Ops::f(w[b], w[c], w[d]);
    else if constexpr (step < 32)
        mixed = Ops::g(w[b], w[c], w[d]);
    else if constexpr (step < 48)
        mixed = Ops::h(w[b], w[c], w[d]);
    else
        mixed = Ops::i(w[b], w[c], w[d]);
    const auto sum =
        Ops::add(Ops::add(w[a], mixed), Ops::add(m[messageWord(step)], Ops::constant(sines[step])));
    w[a] = Ops::add(w[b], Ops::template rotateLeft<rotation(step)>(sum));
}

template <class Ops, int... steps>
inline void allSteps(typename Ops::Word w[4], const typename Ops::Word m[16],
                     std::integer_sequence<int, steps...>)
{
    (oneStep<Ops, steps>(w, m), ...);
}

// Runs the 64 steps over the block words m, starting from the state words w. The caller adds the
// result to the state (only in the lanes that had a block).
template <class Ops> inline void run(typename Ops::Word w[4], const typename Ops::Word m[16])
{
    allSteps<Ops>(w, m, std::make_integer_sequence<int, 64>());
}

} // namespace Md5Rounds
