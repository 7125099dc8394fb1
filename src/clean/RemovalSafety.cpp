#include "clean/RemovalSafety.h"

#include "fs/FileManagerProxy.h"
#include "platform/StringTable.h"

namespace RemovalSafety {

namespace {

Error failure(Code code, const char *key, const MyTreeNode &file)
{
    return Error{errorDomain, code, StringTable::text(key).arg(file.filePath())};
}

} // namespace

MaybeError checkUnchanged(const MyTreeNode &file)
{
    const FileManagerProxy &fm = FileManagerProxy::sharedInstance();
    const auto now = fm.attributesOfItemAtURL(file.FileURL());
    const auto scanned = file.fileId();
    bool same =
        now && scanned && quint64(now->device) == scanned->device && quint64(now->inode) == scanned->inode;
    if (same && file.isDir())
        same = now->isDirectory() && fm.getDirectorySize(file.FileURL()) == file.FileSize();
    else if (same)
        same = now->isRegularFile() && now->fileSize == file.FileSize() &&
               now->modificationNanoseconds == file.modificationNanoseconds();
    if (same)
        return std::nullopt;
    //% "%1 changed or moved since the scan, so it was left in place."
    return failure(changedSinceScan, QT_TRID_NOOP("CLEAN_FILE_CHANGED_STRING"), file);
}

MaybeError checkIdenticalCopy(const MyTreeNode &file, const QList<MyTreeNode::Ptr> &copies)
{
    const FileManagerProxy &fm = FileManagerProxy::sharedInstance();
    for (const MyTreeNode::Ptr &copy : copies) {
        if (copy.get() != &file &&
            fm.compareContents(file.FileURL(), copy->FileURL()) == FileManagerProxy::Comparison::Identical)
            return std::nullopt;
    }
    //% "No copy that stays holds the same bytes as %1, so it was left in place."
    return failure(noIdenticalCopy, QT_TRID_NOOP("CLEAN_NO_IDENTICAL_COPY_STRING"), file);
}

} // namespace RemovalSafety
