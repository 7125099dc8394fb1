#pragma once

#include "model/MyTreeNode.h"
#include "platform/Error.h"

#include <QList>

// The checks made just before a file is removed, which the rules alone cannot give: the file is still
// the one that was scanned and compared, and a copy that stays holds the very same bytes. A group
// found by samples (fast scan) may hold files that differ between the samples, and even a
// whole-content fingerprint is a digest; files change after a scan.
namespace RemovalSafety {

// The failures these checks report; their texts come from the string table.
inline const QString errorDomain = QStringLiteral("Duplicate Task Error");
enum Code : qint64 {
    // Moving was chosen and no destination folder is set.
    noDestination = 1,
    changedSinceScan = 2,
    noIdenticalCopy = 3,
};

// Whether the item at the node's path is the file that was scanned: the same device and inode, size
// and modification time (to the nanosecond).
MaybeError checkUnchanged(const MyTreeNode &file);

// Whether one of the copies holds exactly the file's bytes. Copies are tried in order; one that is the
// same file on disk (a hard link, a path through a link) is no copy.
MaybeError checkIdenticalCopy(const MyTreeNode &file, const QList<MyTreeNode::Ptr> &copies);

} // namespace RemovalSafety
