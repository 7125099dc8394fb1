#pragma once

#include "fs/ReadHandle.h"

#include <QString>

#include <functional>
#include <optional>

// The unit of whole-content digests: every chunk of this many bytes is a text of its own.
inline constexpr qint64 wholeContentChunkLength = 104'857'600;

// The whole-content fingerprint of an open file: for each chunk of 104,857,600 bytes from the start,
// the MD5 digest text of the chunk's Base64 text, joined in file order; "" when there is no content.
// Reading goes on until a read yields nothing, so a file that changed size since sizeHint was taken
// is still read to its real end. No value when a read fails (the failure stays on the handle), or when
// stopRequested, asked before each read of at most 786,432 bytes, answers true (no failure then).
//
// Memory does not grow with the file: a chunk is read, encoded and digested a piece at a time, and
// for files above a few pieces a second thread reads and encodes while the calling thread digests.
std::optional<QString> wholeContentDigest(ReadHandle &handle, qint64 sizeHint,
                                          const std::function<bool()> &stopRequested);
