#pragma once

#include "fs/FileId.h"
#include "platform/Error.h"
#include "platform/Url.h"

#include <QStringList>

#include <functional>
#include <optional>

// Moves an item into a folder on another file system, where rename(2) answers EXDEV, and keeps what mv
// keeps: the content (holes stay holes), permissions, times, extended attributes and ACLs, and owner
// and group where permitted.
//
// srcDir and dstDir are open folders. srcName is the item in srcDir (it may be a private name that the
// caller gave it); dstName is a name in dstDir at which nothing may exist. Both are single components,
// as bytes. srcPath and dstPath are only what errors and `notKept` call the item and its copy: the
// paths the user knows, not private names.
//
// The item is copied next to dstName under a hidden temporary name (files, folders with all they hold,
// links, special files), synced, and renamed to dstName without replacing anything that appeared there
// meanwhile; links and special files are made at dstName directly, as they show no partial state. Only
// then is the source removed. The temporary is locked while it is made, and the first move into a
// folder removes the temporaries that killed movers left there (see MoveTemporaries.h).
//
// Until the copy is in place, any failure removes the partial copy and leaves the source untouched.
// For a file or link, a failure to remove the source, or a source changed since it was copied (other
// inode, size or modification time), also removes the copy, so the move happens completely or not at
// all. A folder cannot be put back like that once its removal has begun: its complete copy stays at
// dstName, the source keeps whatever could not be removed or changed during the copy, and the error is
// reported. A folder that holds a mount of another file system is refused with EXDEV like any failed
// copy: the source stays as it was.
//
// What the copy cannot keep does not fail the move: an extended attribute or ACL that the destination
// refuses, or, when running as root, an owner and group that cannot be set. Once the copy is in place,
// each is added to *notKept (when given) as one text naming the copy's path, what was lost and why.
// Users other than root get copies of their own, in the source's group where they belong to it, as
// with mv; that is not reported.
//
// `copied`, when given, runs once the copy is complete, before it is put in place and before anything
// of the source is removed: tests change the source there. `expected`, when given, is the item the
// caller checked: anything else found at srcName, before or during the copy, is left where it is and
// the move fails (EAGAIN).
MaybeError moveAcrossFileSystemsAt(int srcDir, const QByteArray &srcName, int dstDir,
                                   const QByteArray &dstName, const QByteArray &srcPath,
                                   const QByteArray &dstPath, QStringList *notKept = nullptr,
                                   const std::function<void()> &copied = {},
                                   const std::optional<FileId> &expected = std::nullopt);

// The same by paths: opens the two parent folders, which must exist, and moves src to dst.
MaybeError moveAcrossFileSystems(const Url &src, const Url &dst, QStringList *notKept = nullptr,
                                 const std::function<void()> &copied = {});
