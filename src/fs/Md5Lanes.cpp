#include "fs/Md5Lanes.h"

#include "fs/Md5Kernels.h"

#include <QtGlobal>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

namespace Md5Lanes {

namespace {

using KernelFunction = void (*)(Md5State *, const unsigned char *const *, const size_t *, size_t);

KernelFunction functionOf(Kernel kernel)
{
    switch (kernel) {
    case Kernel::Avx512:
        return Md5Kernels::compressAvx512;
    case Kernel::Avx2:
        return Md5Kernels::compressAvx2;
    case Kernel::Portable:
        break;
    }
    return Md5Kernels::compressPortable;
}

Kernel bestKernel()
{
    static const Kernel best = isAvailable(Kernel::Avx512) ? Kernel::Avx512
                               : isAvailable(Kernel::Avx2) ? Kernel::Avx2
                                                           : Kernel::Portable;
    return best;
}

} // namespace

bool isAvailable(Kernel kernel)
{
    // Needed when called before static constructors have run.
    __builtin_cpu_init();
    switch (kernel) {
    case Kernel::Avx512:
        return __builtin_cpu_supports("avx512f");
    case Kernel::Avx2:
        return __builtin_cpu_supports("avx2");
    case Kernel::Portable:
        break;
    }
    return true;
}

size_t widthOf(Kernel kernel)
{
    switch (kernel) {
    case Kernel::Avx512:
        return Md5Kernels::avx512Width;
    case Kernel::Avx2:
        return Md5Kernels::avx2Width;
    case Kernel::Portable:
        break;
    }
    return 1;
}

size_t width()
{
    return widthOf(bestKernel());
}

void start(Md5State &state)
{
    state = {{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476}};
}

void compress(Md5State *states, const unsigned char *const *data, const size_t *blockCounts, size_t lanes)
{
    compressWith(bestKernel(), states, data, blockCounts, lanes);
}

void compressWith(Kernel kernel, Md5State *states, const unsigned char *const *data,
                  const size_t *blockCounts, size_t lanes)
{
    // Running a kernel the processor lacks would die of an illegal instruction somewhere inside.
    if (!isAvailable(kernel))
        qFatal("this processor cannot run the MD5 kernel asked for");
    const KernelFunction run = functionOf(kernel);
    const size_t groupWidth = widthOf(kernel);
    if (lanes <= groupWidth) {
        run(states, data, blockCounts, lanes);
        return;
    }
    // A group runs as long as its longest lane, so lanes of similar length share a group.
    std::vector<size_t> order(lanes);
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [blockCounts](size_t x, size_t y) { return blockCounts[x] > blockCounts[y]; });
    for (size_t first = 0; first < lanes; first += groupWidth) {
        const size_t count = std::min(groupWidth, lanes - first);
        Md5State groupStates[Md5Kernels::avx512Width];
        const unsigned char *groupData[Md5Kernels::avx512Width];
        size_t groupCounts[Md5Kernels::avx512Width];
        for (size_t i = 0; i < count; ++i) {
            const size_t lane = order[first + i];
            groupStates[i] = states[lane];
            groupData[i] = data[lane];
            groupCounts[i] = blockCounts[lane];
        }
        run(groupStates, groupData, groupCounts, count);
        for (size_t i = 0; i < count; ++i)
            states[order[first + i]] = groupStates[i];
    }
}

void finish(const Md5State &state, const unsigned char *tail, uint64_t messageLength,
            unsigned char digest[16])
{
    // The tail, the byte 0x80, zeros up to 8 bytes before the end of a block, then the length in bits.
    unsigned char padded[128] = {};
    const size_t tailLength = messageLength % 64;
    if (tailLength > 0)
        std::memcpy(padded, tail, tailLength);
    padded[tailLength] = 0x80;
    const size_t blocks = tailLength < 56 ? 1 : 2;
    const uint64_t bits = messageLength * 8;
    for (int i = 0; i < 8; ++i)
        padded[64 * blocks - 8 + i] = static_cast<unsigned char>(bits >> (8 * i));

    Md5State last = state;
    const unsigned char *data = padded;
    Md5Kernels::compressPortable(&last, &data, &blocks, 1);
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            digest[4 * j + i] = static_cast<unsigned char>(last.h[j] >> (8 * i));
}

} // namespace Md5Lanes
