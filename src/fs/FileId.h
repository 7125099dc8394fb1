#pragma once

#include <QHashFunctions>
#include <QtGlobal>

// Where a file is on disk: two names with the same identity (hard links, one file reached through two
// paths) are one file, whatever their paths.
struct FileId
{
    quint64 device = 0;
    quint64 inode = 0;

    friend bool operator==(const FileId &a, const FileId &b) = default;
    friend size_t qHash(const FileId &id, size_t seed = 0) { return qHashMulti(seed, id.device, id.inode); }
};
