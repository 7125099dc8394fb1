#pragma once

#include "fs/ReadHandle.h"
#include "fs/WholeContentDigest.h"

#include <QString>

#include <functional>
#include <optional>

// Whole-content fingerprints of many files, digested side by side in the lanes of the processor's
// vector unit: MD5 cannot be split within one text, but a lane per file digests as many texts at
// once as there are lanes, nearly as fast as one alone.
//
// Each file gets the text wholeContentDigest gives it: one digest text per chunk of 104,857,600
// bytes, read until a read yields nothing. Called on one thread; run one per core for more.
class WholeContentLanes
{
public:
    static constexpr qint64 chunkLength = wholeContentChunkLength;
    // How far ahead of its reads a lane asks the kernel for its file: it asks again when less than a
    // quarter of it is left, so a thread's lanes keep many reads in flight on a cold cache.
    static constexpr qint64 readAheadLength = 8 << 20;

    struct Job
    {
        ReadHandle handle;
        // Handed back with the result.
        qsizetype tag;
        // Where to start, at a chunk boundary; a job of one chunk ends with it, any other goes on to
        // the end of the file.
        qint64 offset = 0;
        bool isOneChunk = false;
    };
    // The next file, or none when there are no more.
    using Next = std::function<std::optional<Job>()>;
    // A file's text, or no value when a read failed (the failure is on the handle) or the run was
    // stopped (no failure on the handle).
    using Done = std::function<void(Job &job, std::optional<QString> digest)>;

    // Digests the files that next() gives until it gives none. stopRequested is asked before every
    // round of reads, at most 24,576 bytes per lane: true ends each file in hand without a text.
    static void run(const Next &next, const Done &done, const std::function<bool()> &stopRequested);
};
