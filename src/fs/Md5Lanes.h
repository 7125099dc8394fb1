#pragma once

#include <cstddef>
#include <cstdint>

// The running state of one MD5 (RFC 1321) message whose 64-byte blocks are being compressed.
struct Md5State
{
    uint32_t h[4];
};

// MD5 of several independent messages ("lanes") at once, with SIMD kernels chosen at run time.
// Callers compress the full 64-byte blocks of each message, in as many calls as they like, then
// finish each message with its last partial block.
namespace Md5Lanes {

// Lanes that the kernel chosen for this processor advances together.
size_t width();

// Sets state to the initial value of every MD5 message.
void start(Md5State &state);

// Advances states[i] over the blockCounts[i] consecutive 64-byte blocks at data[i], for every
// i < lanes. Counts may differ and may be 0; any number of lanes may be given, and data needs no
// alignment.
void compress(Md5State *states, const unsigned char *const *data, const size_t *blockCounts, size_t lanes);

// Writes the 16 digest bytes of a message of messageLength bytes whose full blocks are already in
// state; tail holds its last messageLength % 64 bytes.
void finish(const Md5State &state, const unsigned char *tail, uint64_t messageLength,
            unsigned char digest[16]);

// The kernels, for tests and benchmarks that compare them. compress() uses the widest available one.
enum class Kernel { Portable, Avx2, Avx512 };
bool isAvailable(Kernel kernel);
size_t widthOf(Kernel kernel);
// As compress(), with a kernel that isAvailable().
void compressWith(Kernel kernel, Md5State *states, const unsigned char *const *data,
                  const size_t *blockCounts, size_t lanes);

} // namespace Md5Lanes
