#include "model/MyTreeNode.h"

#include "fs/FileManagerProxy.h"
#include "model/DupGroup.h"
#include "model/OptionalText.h"
#include "model/RootNode.h"
#include "platform/InternedString.h"
#include "platform/PropertyLock.h"
#include "platform/UniformTypes.h"

MyTreeNode::MyTreeNode(Token, Url url) : m_url(std::move(url)), m_fileExt(&internedString(QString()))
{
}

MyTreeNode::~MyTreeNode()
{
    if (!m_rare || !m_rare->childs)
        return;
    // Children that outlive their folder (the files a scan took in) must not point back at it.
    for (const Ptr &child : std::as_const(*m_rare->childs)) {
        std::lock_guard lock(PropertyLock::forObject(child.get()));
        child->m_parent = nullptr;
    }
}

MyTreeNode::Ptr MyTreeNode::initWithURL(const Url &url)
{
    // One query of the item itself answers existence, kind, size and dates; a final link is not
    // followed, so links are seen as links.
    return initWithURL(url, FileManagerProxy::sharedInstance().attributesOfItemAtURL(url));
}

MyTreeNode::Ptr MyTreeNode::initWithURL(const Url &url, const std::optional<FileAttributes> &attributes)
{
    if (!attributes || attributes->isSymbolicLink() || url.fileName() == ".DS_Store")
        return nullptr;
    // FIFOs, sockets and devices have no content to compare: reading a FIFO would block the scan.
    if (!attributes->isRegularFile() && !attributes->isDirectory())
        return nullptr;

    auto node = std::make_shared<MyTreeNode>(Token(), url);
    const bool isDir = attributes->isDirectory();
    const bool isFolder = isDir && !UniformTypes::isPackageName(url.fileName());
    node->m_flags = (isFolder ? folderFlag : 0) | (isDir ? dirFlag : 0);
    node->m_device = attributes->device;
    node->m_inode = attributes->inode;
    const auto extension = isFolder ? std::nullopt : FileManagerProxy::normalizedExtension(url);
    node->m_fileExt = &internedString(extension.value_or(QStringLiteral("N/A")));
    if (isFolder) {
        node->m_rare = std::make_unique<Rare>();
        node->m_rare->self = node;
    } else {
        node->m_createDate = attributes->fileCreationDate.toMSecsSinceEpoch();
        if (!attributes->hasBirthTime)
            node->m_flags |= modificationDateAddedFlag;
        node->m_modifyDate = attributes->modificationNanoseconds;
        node->m_changeDate = attributes->changeNanoseconds;
        node->m_fileSize = attributes->fileSize;
    }
    return node;
}

std::optional<QList<MyTreeNode::Ptr>> MyTreeNode::Childs(std::shared_ptr<const Directory> *opened)
{
    if (opened)
        opened->reset();
    if (!isFolder())
        return std::nullopt;
    std::unique_ptr<QList<Ptr>> &childs = m_rare->childs;
    if (childs)
        return *childs;
    childs = std::make_unique<QList<Ptr>>();
    FolderListing listing = FolderListing::read(m_url, FileId{quint64(m_device), quint64(m_inode)},
                                                std::exchange(m_rare->listedBy, nullptr));
    m_rare->skipped = std::move(listing.skipped);
    for (const FolderListing::Entry &entry : std::as_const(listing.entries)) {
        if (Ptr child = initWithURL(entry.url, entry.attributes)) {
            child->m_parent = this;
            if (child->isFolder())
                child->m_rare->listedBy = listing.folder;
            childs->append(child);
        }
    }
    if (opened)
        *opened = listing.folder;
    return *childs;
}

std::optional<QString> MyTreeNode::fileType() const
{
    const QString *type = m_fileType;
    if (!type) {
        type = &internedString(FileManagerProxy::sharedInstance().typeOfURL(m_url).value_or(QString()));
        m_fileType = type;
    }
    return textOrNone(*type);
}

MyTreeNode::Ptr MyTreeNode::Parent() const
{
    // The folder clears this under the same lock before it goes, so while it is held the folder,
    // if named, is still there (though perhaps already on its way out, when lock() gives nothing).
    std::lock_guard lock(PropertyLock::forObject(this));
    return m_parent ? m_parent->m_rare->self.lock() : nullptr;
}

std::optional<QDateTime> MyTreeNode::dateOrNone(qint64 msecs)
{
    if (msecs == noDate)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

std::optional<QString> MyTreeNode::fileAddedDateString() const
{
    return FileManagerProxy::sharedInstance().URLDate_toStringWithFormat(
        addedDate(), QStringLiteral("yyyy-MM-dd  HH:mm:ss"));
}

std::optional<QString> MyTreeNode::fileMD5() const
{
    return compactFileMD5().text();
}

void MyTreeNode::setFileMD5(const std::optional<QString> &fingerprint)
{
    setCompactFileMD5(CompactFingerprint(fingerprint));
}

std::optional<QString> MyTreeNode::preciseFileMD5() const
{
    return compactPreciseFileMD5().text();
}

void MyTreeNode::setPreciseFileMD5(const std::optional<QString> &fingerprint)
{
    setCompactPreciseFileMD5(CompactFingerprint(fingerprint));
}

CompactFingerprint MyTreeNode::compactFileMD5() const
{
    return lockedRead(this, m_fileMD5);
}

void MyTreeNode::setCompactFileMD5(CompactFingerprint fingerprint)
{
    lockedWrite(this, m_fileMD5, std::move(fingerprint));
}

CompactFingerprint MyTreeNode::compactPreciseFileMD5() const
{
    return lockedRead(this, m_preciseFileMD5);
}

void MyTreeNode::setCompactPreciseFileMD5(CompactFingerprint fingerprint)
{
    lockedWrite(this, m_preciseFileMD5, std::move(fingerprint));
}

std::shared_ptr<DupGroup> MyTreeNode::dupGroup() const
{
    return lockedRead(this, m_dupGroup).lock();
}

void MyTreeNode::setDupGroup(const std::shared_ptr<DupGroup> &group)
{
    lockedWrite(this, m_dupGroup, std::weak_ptr<DupGroup>(group));
}

std::shared_ptr<RootNode> MyTreeNode::rootNode() const
{
    return lockedRead(this, m_rootNode).lock();
}

void MyTreeNode::setRootNode(const std::shared_ptr<RootNode> &root)
{
    lockedWrite(this, m_rootNode, std::weak_ptr<RootNode>(root));
}

Url MyTreeNode::removeDstURL() const
{
    std::lock_guard lock(PropertyLock::forObject(this));
    return m_rare ? m_rare->removeDstURL : Url();
}

void MyTreeNode::setRemoveDstURL(const Url &url)
{
    // Made outside the lock, and dropped after it when the node has one already; like the old
    // place, which is let go only once the lock is released.
    auto made = std::make_unique<Rare>();
    Url old = url;
    std::lock_guard lock(PropertyLock::forObject(this));
    if (!m_rare)
        m_rare = std::move(made);
    std::swap(m_rare->removeDstURL, old);
}

