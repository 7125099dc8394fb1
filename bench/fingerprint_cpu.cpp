// CPU per file of the file-system layer's fingerprint reads on a real tree with a warm page cache,
// one thread: the quick fingerprint of every regular file by its path and as an entry of its open
// folder, with the fingerprint cache filled, and the whole content of the files of at most 4,096
// bytes one by one and in the vector lanes. Checks that each way gives the texts the first gives.
// Built and run by fingerprint_cpu.sh; prints a Markdown table (best of 3 runs each).
#include "fs/Directory.h"
#include "fs/FileManagerProxy.h"
#include "fs/FingerprintCache.h"

#include <QCoreApplication>

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

struct File
{
    std::shared_ptr<const Directory> folder;
    Url url;
    FileId id;
    qint64 size;
};

void walk(const std::shared_ptr<const Directory> &folder, std::vector<File> *files)
{
    QList<QByteArray> names;
    if (folder->entryNames(&names) != 0)
        return;
    for (const QByteArray &name : std::as_const(names)) {
        int error = 0;
        const auto attributes = folder->attributesOf(name, &error);
        if (!attributes)
            continue;
        if (attributes->isDirectory()) {
            if (auto child = folder->openChild(name, &error))
                walk(std::make_shared<const Directory>(std::move(*child)), files);
        } else if (attributes->isRegularFile()) {
            files->push_back({folder, folder->url().child(name), attributes->id(), attributes->fileSize});
        }
    }
}

double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The least CPU time of three runs of work.
double bestOfThree(const std::function<void()> &work)
{
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        const double start = cpuSeconds();
        work();
        best = std::min(best, cpuSeconds() - start);
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s TREE CACHE-FILE\n", argv[0]);
        return 2;
    }
    int error = 0;
    auto top = Directory::open(Url::fromAbsolutePath(argv[1]), &error);
    if (!top) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 2;
    }
    std::vector<File> files;
    walk(std::make_shared<const Directory>(std::move(*top)), &files);
    const FileManagerProxy &fm = FileManagerProxy::sharedInstance();

    std::vector<std::optional<QString>> expected(files.size()), texts(files.size());
    for (size_t i = 0; i < files.size(); ++i)
        expected[i] = fm.fileFingerprint(files[i].url, 0, files[i].id).text;
    int mismatches = 0;
    const auto check = [&] {
        for (size_t i = 0; i < files.size(); ++i)
            mismatches += texts[i] != expected[i];
    };

    struct Row
    {
        const char *what;
        size_t files;
        double seconds;
    };
    std::vector<Row> rows;
    rows.push_back({"quick, by path", files.size(), bestOfThree([&] {
                        for (size_t i = 0; i < files.size(); ++i)
                            texts[i] = fm.fileFingerprint(files[i].url, 0, files[i].id).text;
                    })});
    check();
    rows.push_back({"quick, in the open folder", files.size(), bestOfThree([&] {
                        for (size_t i = 0; i < files.size(); ++i)
                            texts[i] =
                                fm.fileFingerprintIn(*files[i].folder, files[i].url, 0, files[i].id).text;
                    })});
    check();
    FingerprintCache cache(argv[2]);
    // Large blocks are mapped apart from the arena: both count.
    const auto heap = [] {
        const struct mallinfo2 info = ::mallinfo2();
        return info.uordblks + info.hblkhd;
    };
    const size_t heapBefore = heap();
    for (const File &file : files)
        fm.fileFingerprintIn(*file.folder, file.url, 0, file.id, {}, &cache);
    cache.commit();
    const double bytesPerEntry = double(heap() - heapBefore) / double(cache.count());
    rows.push_back(
        {"quick, in the open folder, cache filled", files.size(), bestOfThree([&] {
             for (size_t i = 0; i < files.size(); ++i)
                 texts[i] =
                     fm.fileFingerprintIn(*files[i].folder, files[i].url, 0, files[i].id, {}, &cache).text;
         })});
    check();
    if (cache.count() < qsizetype(files.size()) / 2)
        std::fprintf(stderr, "only %lld of %zu files were recorded: changed in the last seconds?\n",
                     qlonglong(cache.count()), files.size());

    QList<Url> small;
    std::vector<std::optional<QString>> smallExpected;
    for (size_t i = 0; i < files.size(); ++i) {
        if (files[i].size > 0 && files[i].size <= 4096) {
            small.append(files[i].url);
            smallExpected.push_back(expected[i]);
        }
    }
    std::vector<std::optional<QString>> smallTexts(size_t(small.size()));
    rows.push_back({"whole, files of at most 4,096 bytes, one by one", size_t(small.size()), bestOfThree([&] {
                        for (qsizetype i = 0; i < small.size(); ++i)
                            smallTexts[size_t(i)] = fm.fileMD5_withLevel(small[i], 2);
                    })});
    mismatches += smallTexts != smallExpected;
    // On every core: its CPU time is the sum over the cores.
    rows.push_back(
        {"whole, files of at most 4,096 bytes, in the vector lanes", size_t(small.size()), bestOfThree([&] {
             smallTexts = fm.wholeContentFingerprints(small, [](qsizetype, bool) { return true; });
         })});
    mismatches += smallTexts != smallExpected;

    std::printf("| Reads | Files | CPU s | CPU µs per file |\n|---|---:|---:|---:|\n");
    for (const Row &row : rows)
        std::printf("| %s | %zu | %.3f | %.2f |\n", row.what, row.files, row.seconds,
                    row.files ? row.seconds * 1e6 / double(row.files) : 0.0);
    std::printf("\nThe fingerprint cache holds %lld entries in %.0f bytes of heap each.\n",
                qlonglong(cache.count()), bytesPerEntry);
    if (mismatches) {
        std::printf("\n**%d texts differ from those read by path**\n", mismatches);
        return 1;
    }
    return 0;
}
