#include "model/MyTreeNode.h"

#include "fs/FileManagerProxy.h"
#include "model/DupGroup.h"
#include "model/OptionalText.h"
#include "model/RootNode.h"
#include "platform/InternedString.h"
#include "platform/PropertyLock.h"
#include "platform/UniformTypes.h"

MyTreeNode::Ptr MyTreeNode::initWithURL(const Url &url)
{
    // One query of the item itself answers existence, kind, size and dates; a final link is not
    // followed, so links are seen as links.
    FileManagerProxy &fm = FileManagerProxy::sharedInstance();
    const auto attributes = fm.attributesOfItemAtURL(url);
    if (!attributes || attributes->isSymbolicLink() || url.fileName() == ".DS_Store")
        return nullptr;
    // FIFOs, sockets and devices have no content to compare: reading a FIFO would block the scan.
    if (!attributes->isRegularFile() && !attributes->isDirectory())
        return nullptr;

    auto node = std::make_shared<MyTreeNode>(Token(), url);
    node->m_isDir = attributes->isDirectory();
    node->m_isFolder = node->m_isDir && !UniformTypes::isPackageName(url.fileName());
    node->m_device = attributes->device;
    node->m_inode = attributes->inode;
    const auto extension = node->m_isFolder ? std::nullopt : FileManagerProxy::normalizedExtension(url);
    node->m_fileExt = internedString(extension.value_or(QStringLiteral("N/A")));
    if (!node->m_isFolder) {
        node->m_createDate = attributes->fileCreationDate.toMSecsSinceEpoch();
        node->m_modifyDate = attributes->fileModificationDate.toMSecsSinceEpoch();
        node->m_fileSize = attributes->fileSize;
        node->m_addedDate = node->m_createDate;
    }
    return node;
}

std::optional<QList<MyTreeNode::Ptr>> MyTreeNode::Childs()
{
    if (!m_isFolder)
        return std::nullopt;
    if (!m_childs) {
        m_childs = std::make_unique<QList<Ptr>>();
        const auto entries =
            FileManagerProxy::sharedInstance().getContentsOfDirecotry_skipHidden(m_url, false);
        for (const Url &entry : entries.value_or(QList<Url>())) {
            if (Ptr child = initWithURL(entry)) {
                child->m_parent = weak_from_this();
                m_childs->append(child);
            }
        }
    }
    return *m_childs;
}

std::optional<QString> MyTreeNode::fileType() const
{
    {
        std::lock_guard lock(PropertyLock::forObject(this));
        if (m_fileTypeKnown)
            return textOrNone(m_fileType);
    }
    const QString type =
        internedString(FileManagerProxy::sharedInstance().typeOfURL(m_url).value_or(QString()));
    std::lock_guard lock(PropertyLock::forObject(this));
    m_fileType = type;
    m_fileTypeKnown = true;
    return textOrNone(m_fileType);
}

MyTreeNode::Ptr MyTreeNode::Parent() const
{
    return m_parent.lock();
}

std::optional<QDateTime> MyTreeNode::dateOrNone(qint64 msecs)
{
    if (msecs == noDate)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(msecs);
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
    return lockedRead(this, m_dupGroup);
}

void MyTreeNode::setDupGroup(const std::shared_ptr<DupGroup> &group)
{
    lockedWrite(this, m_dupGroup, group);
}

std::shared_ptr<RootNode> MyTreeNode::rootNode() const
{
    return lockedRead(this, m_rootNode);
}

void MyTreeNode::setRootNode(const std::shared_ptr<RootNode> &root)
{
    lockedWrite(this, m_rootNode, root);
}

Url MyTreeNode::removeDstURL() const
{
    std::lock_guard lock(PropertyLock::forObject(this));
    return m_removeDstURL ? *m_removeDstURL : Url();
}

void MyTreeNode::setRemoveDstURL(const Url &url)
{
    lockedWrite(this, m_removeDstURL, url.isNull() ? nullptr : std::make_unique<Url>(url));
}

std::optional<QString> MyTreeNode::computeFingerprint(qint64 level) const
{
    FileManagerProxy &fm = FileManagerProxy::sharedInstance();
    return m_isDir ? fm.dirMD5_withLeel(m_url, level) : fm.fileMD5_withLevel(m_url, level);
}
