#pragma once

#include "fs/FileId.h"

#include <QDateTime>

#include <sys/stat.h>
#include <sys/types.h>

#include <optional>

// What one lstat-style query tells about an item itself (a final symbolic link is not followed).
struct FileAttributes
{
    qint64 fileSize = 0;
    // Birth time where the file system records one, else the modification time.
    QDateTime fileCreationDate;
    bool hasBirthTime = false;
    QDateTime fileModificationDate;
    // The modification time in nanoseconds since the epoch, to tell a file rewritten within a second.
    qint64 modificationNanoseconds = 0;
    // The change time (of content or attributes) in nanoseconds: every write sets it, and no one can
    // set it back, so it tells a rewritten file even when its size and modification time are restored.
    qint64 changeNanoseconds = 0;
    mode_t mode = 0;
    dev_t device = 0;
    ino_t inode = 0;
    nlink_t linkCount = 0;

    bool isDirectory() const { return S_ISDIR(mode); }
    bool isRegularFile() const { return S_ISREG(mode); }
    bool isSymbolicLink() const { return S_ISLNK(mode); }
    FileId id() const { return FileId{quint64(device), quint64(inode)}; }
};

// The attributes of the item `name` in the folder dirFd (AT_FDCWD and a whole path for a path), a final
// link not followed; an empty name asks about dirFd itself. No value when they cannot be read, with
// *error set to the errno value.
std::optional<FileAttributes> queryAttributes(int dirFd, const char *name, int *error);
