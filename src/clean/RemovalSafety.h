#pragma once

#include "fs/HeldItem.h"
#include "model/MyTreeNode.h"
#include "platform/Error.h"

#include <QList>

#include <variant>

// The checks made just before a file is removed, which the rules alone cannot give: the file is still
// the one that was scanned, no other clean-up is at work on it, and a copy that stays holds the very
// same bytes. A group found by samples (fast scan) may hold files that differ between the samples, even
// a whole-content fingerprint is a digest, and files change after a scan. What passes is held open and
// locked (see HeldItem) until the removal is done, so what was checked is what goes.
namespace RemovalSafety {

// The failures these checks report; their texts come from the string table.
inline const QString errorDomain = QStringLiteral("Duplicate Task Error");
enum Code : qint64 {
    // Moving was chosen and no destination folder is set.
    noDestination = 1,
    changedSinceScan = 2,
    noIdenticalCopy = 3,
    inUseByAnotherCleanUp = 4,
    protectedFile = 5,
};

// The folder below which a file's folders are reached without following links: its source's folder,
// or for a source that is the file itself, the folder holding it.
Url anchorOf(const MyTreeNode &file);

// The file at the node's path, held open and locked exclusively, when it is the one that was scanned:
// the same device and inode, size and modification time (to the nanosecond).
std::variant<HeldItem, Error> holdUnchanged(const MyTreeNode &file);

// One of the copies that holds exactly the bytes of the held file, held open and locked shared, after a
// look that it still has its name. Copies are tried in order; one that is the same file on disk (a hard
// link, a path through a link) is no copy.
std::variant<HeldItem, Error> holdIdenticalCopy(const MyTreeNode &file, const HeldItem &held,
                                                const QList<MyTreeNode::Ptr> &copies);

// The failure for a file in a protected folder, which nothing removes.
Error protectedError(const MyTreeNode &file);

// The failure when no copy that stays holds the file's bytes: none did, or the one held changed or lost
// its name since.
Error noIdenticalCopyError(const MyTreeNode &file);

} // namespace RemovalSafety
