// Throughput of each MD5 lane kernel (16 messages of 64 MiB, all compressed in one call) and of each
// Base64 encoder (one 192 MiB buffer from memory, and one cache-sized piece encoded again and again),
// with the one-message digest (Md5) and Qt's MD5 for comparison. Built and run by
// md5_lanes_throughput.sh. Each figure is the best of a few runs, in MB/s (10^6 bytes per second of
// CPU time).
#include "fs/Base64.h"
#include "fs/Md5.h"
#include "fs/Md5Lanes.h"

#include <QCryptographicHash>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

constexpr size_t messages = 16;
constexpr size_t messageLength = 64 << 20;
constexpr size_t base64Input = 192 << 20;
// The piece that whole-content fingerprints encode at a time: it stays in the caches when repeated.
constexpr size_t base64Piece = 3 << 18;
constexpr int runs = 3;

void fill(unsigned char *data, size_t n, uint64_t seed)
{
    // xorshift64: the content does not matter, only that it is not all alike.
    for (size_t i = 0; i < n; ++i) {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        data[i] = static_cast<unsigned char>(seed);
    }
}

// Measured in CPU time, as `openssl speed` measures, so that other work on the machine does not
// count against the figure.
template <class Work> double bestMegabytesPerSecond(size_t bytes, Work work)
{
    double best = 0;
    for (int run = 0; run < runs; ++run) {
        const std::clock_t start = std::clock();
        work();
        const double seconds = double(std::clock() - start) / CLOCKS_PER_SEC;
        best = std::max(best, double(bytes) / seconds / 1e6);
    }
    return best;
}

} // namespace

int main()
{
    std::vector<std::unique_ptr<unsigned char[]>> texts;
    std::vector<const unsigned char *> data;
    for (size_t i = 0; i < messages; ++i) {
        texts.push_back(std::make_unique_for_overwrite<unsigned char[]>(messageLength));
        fill(texts.back().get(), messageLength, 0x9e3779b97f4a7c15 + i);
        data.push_back(texts.back().get());
    }
    const std::vector<size_t> blockCounts(messages, messageLength / 64);
    const size_t totalText = messages * messageLength;

    std::printf("%-34s %10s\n", "MD5, 16 x 64 MiB", "MB/s");
    const struct
    {
        Md5Lanes::Kernel kernel;
        const char *name;
    } md5Kernels[] = {{Md5Lanes::Kernel::Portable, "portable (1 lane)"},
                      {Md5Lanes::Kernel::Avx2, "avx2 (8 lanes)"},
                      {Md5Lanes::Kernel::Avx512, "avx512 (16 lanes)"}};
    for (const auto &[kernel, name] : md5Kernels) {
        if (!Md5Lanes::isAvailable(kernel)) {
            std::printf("%-34s %10s\n", name, "n/a");
            continue;
        }
        std::vector<Md5State> states(messages);
        const double rate = bestMegabytesPerSecond(totalText, [&] {
            for (Md5State &state : states)
                Md5Lanes::start(state);
            Md5Lanes::compressWith(kernel, states.data(), data.data(), blockCounts.data(), messages);
        });
        std::printf("%-34s %10.0f\n", name, rate);
    }
    const double oneMessageRate = bestMegabytesPerSecond(totalText, [&] {
        Md5 md5;
        for (const unsigned char *message : data) {
            md5.update(reinterpret_cast<const char *>(message), messageLength);
            md5.digestText();
        }
    });
    std::printf("%-34s %10.0f\n", "Md5 (one message at a time)", oneMessageRate);
    const double qtRate = bestMegabytesPerSecond(totalText, [&] {
        for (const unsigned char *message : data)
            QCryptographicHash::hash(QByteArrayView(message, qsizetype(messageLength)),
                                     QCryptographicHash::Md5);
    });
    std::printf("%-34s %10.0f\n", "Qt's MD5 (one at a time)", qtRate);

    const auto input = std::make_unique_for_overwrite<unsigned char[]>(base64Input);
    fill(input.get(), base64Input, 42);
    const auto text = std::make_unique_for_overwrite<char[]>(Base64::encodedLength(base64Input));
    std::printf("\n%-34s %12s %12s\n", "Base64, input MB/s", "192 MiB once", "768 KiB x256");
    const struct
    {
        Base64::Kernel kernel;
        const char *name;
    } base64Kernels[] = {{Base64::Kernel::Portable, "portable"},
                         {Base64::Kernel::Avx2, "avx2"},
                         {Base64::Kernel::Avx512Vbmi, "avx512vbmi"}};
    for (const auto &[kernel, name] : base64Kernels) {
        if (!Base64::isAvailable(kernel)) {
            std::printf("%-34s %12s %12s\n", name, "n/a", "n/a");
            continue;
        }
        const double whole = bestMegabytesPerSecond(
            base64Input, [&] { Base64::encodeWith(kernel, input.get(), base64Input, text.get()); });
        const double pieces = bestMegabytesPerSecond(base64Input, [&] {
            for (size_t done = 0; done < base64Input; done += base64Piece)
                Base64::encodeWith(kernel, input.get(), base64Piece, text.get());
        });
        std::printf("%-34s %12.0f %12.0f\n", name, whole, pieces);
    }
    return 0;
}
