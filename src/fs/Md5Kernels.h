#pragma once

#include "fs/Md5Lanes.h"

// The MD5 block kernels behind Md5Lanes. Each advances states[i] over blockCounts[i] blocks at
// data[i] for i < lanes; the vector kernels take at most their width of lanes, and run only on a
// processor with the instructions they are compiled for.
namespace Md5Kernels {

inline constexpr size_t avx2Width = 8;
inline constexpr size_t avx512Width = 16;

void compressPortable(Md5State *states, const unsigned char *const *data, const size_t *blockCounts,
                      size_t lanes);
void compressAvx2(Md5State *states, const unsigned char *const *data, const size_t *blockCounts,
                  size_t lanes);
void compressAvx512(Md5State *states, const unsigned char *const *data, const size_t *blockCounts,
                    size_t lanes);

} // namespace Md5Kernels
