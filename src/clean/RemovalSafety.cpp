#include "clean/RemovalSafety.h"

#include "fs/Directory.h"
#include "fs/FileManagerProxy.h"
#include "model/RootNode.h"
#include "platform/StringTable.h"

namespace RemovalSafety {

namespace {

Error failure(Code code, const char *key, const MyTreeNode &file)
{
    return Error{errorDomain, code, StringTable::text(key).arg(file.filePath())};
}

Error changed(const MyTreeNode &file)
{
    //% "%1 changed or moved since the scan, so it was left in place."
    return failure(changedSinceScan, QT_TRID_NOOP("CLEAN_FILE_CHANGED_STRING"), file);
}

Error inUse(const MyTreeNode &file)
{
    //% "%1 is in use by another clean-up, so it was left in place."
    return failure(inUseByAnotherCleanUp, QT_TRID_NOOP("CLEAN_FILE_IN_USE_STRING"), file);
}

bool isAsScanned(const HeldItem &held, const MyTreeNode &file)
{
    const auto scanned = file.fileId();
    if (!scanned || held.id() != *scanned)
        return false;
    if (file.isDir())
        return held.isDirectory() &&
               FileManagerProxy::sharedInstance().getDirectorySize(file.FileURL()) == file.FileSize();
    return held.isRegularFile() && held.size() == file.FileSize() &&
           held.modificationNanoseconds() == file.modificationNanoseconds();
}

} // namespace

Url anchorOf(const MyTreeNode &file)
{
    const RootNode::Ptr root = file.rootNode();
    if (!root)
        return Url();
    const Url folder = root->rootURL();
    return folder == file.FileURL() ? folder.parent() : folder;
}

std::variant<HeldItem, Error> holdUnchanged(const MyTreeNode &file)
{
    int error = 0;
    std::optional<HeldItem> held = HeldItem::open(file.FileURL(), anchorOf(file), &error);
    if (!held)
        return isVanishedItemError(error) ? changed(file) : Error::fromErrno(error, file.filePath());
    if (!isAsScanned(*held, file))
        return changed(file);
    if (!held->tryLock(HeldItem::Lock::Exclusive))
        return inUse(file);
    return std::move(*held);
}

std::variant<HeldItem, Error> holdIdenticalCopy(const MyTreeNode &file, const HeldItem &held,
                                                const QList<MyTreeNode::Ptr> &copies)
{
    const FileManagerProxy &fm = FileManagerProxy::sharedInstance();
    bool copyInUse = false;
    for (const MyTreeNode::Ptr &copy : copies) {
        int error = 0;
        std::optional<HeldItem> candidate =
            copy.get() == &file ? std::nullopt : HeldItem::open(copy->FileURL(), anchorOf(*copy), &error);
        if (!candidate || candidate->id() == held.id())
            continue;
        if (!candidate->tryLock(HeldItem::Lock::Shared)) {
            copyInUse = true;
            continue;
        }
        // Another clean-up may have removed it just before letting go of its lock.
        if (candidate->isStillNamed() &&
            fm.compareContents(held, *candidate) == FileManagerProxy::Comparison::Identical)
            return std::move(*candidate);
    }
    if (copyInUse)
        return inUse(file);
    return noIdenticalCopyError(file);
}

Error protectedError(const MyTreeNode &file)
{
    //% "%1 lies in a protected folder, so it was left in place."
    return failure(protectedFile, QT_TRID_NOOP("CLEAN_FILE_PROTECTED_STRING"), file);
}

Error noIdenticalCopyError(const MyTreeNode &file)
{
    //% "No copy that stays holds the same bytes as %1, so it was left in place."
    return failure(noIdenticalCopy, QT_TRID_NOOP("CLEAN_NO_IDENTICAL_COPY_STRING"), file);
}

} // namespace RemovalSafety
