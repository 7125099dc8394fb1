#include "model/DupGroup.h"

#include "app/SettingsKeys.h"
#include "fs/FileManagerProxy.h"
#include "model/MyTreeNode.h"
#include "model/OptionalText.h"
#include "platform/MainThread.h"
#include "platform/PropertyLock.h"
#include "platform/SerialQueue.h"
#include "platform/UserDefaults.h"
#include "scan/SourceNodeManager.h"

#include <algorithm>

namespace {

// Below this many members a group answers "same file?" by walking its members.
constexpr qsizetype memberIndexThreshold = 16;

} // namespace

DupGroup::Ptr DupGroup::init()
{
    return std::make_shared<DupGroup>();
}

std::optional<QString> DupGroup::fileMD5() const
{
    return compactFileMD5().text();
}

std::optional<QString> DupGroup::preciseFileMD5() const
{
    return lockedFingerprint(m_preciseFileMD5).text();
}

CompactFingerprint DupGroup::lockedFingerprint(const CompactFingerprint &field) const
{
    return lockedRead(this, field);
}

std::optional<QString> DupGroup::fileType() const
{
    const QList<NodePtr> members = m_childs;
    return members.isEmpty() ? std::nullopt : members.first()->fileType();
}

std::optional<QString> DupGroup::fileExt() const
{
    return textOrNone(lockedRead(this, m_fileExt));
}

std::optional<Image> DupGroup::fileImage() const
{
    if (auto image = lockedRead(this, m_fileImage))
        return image;
    // A group takes its first member's icon when it becomes a group of duplicates. Finding an icon
    // means finding the file's type, so it is found when first shown rather than during the scan.
    if (m_fileNumber < 2)
        return std::nullopt;
    const QList<NodePtr> members = m_childs;
    if (members.isEmpty())
        return std::nullopt;
    const auto icon =
        FileManagerProxy::sharedInstance().iconForURL_withFlag_withSize(members.first()->FileURL(), 0, 17);
    std::lock_guard lock(PropertyLock::forObject(this));
    if (!m_fileImage)
        m_fileImage = icon;
    return m_fileImage;
}

void DupGroup::setFileImage(const std::optional<Image> &image)
{
    lockedWrite(this, m_fileImage, image);
}

std::optional<QString> DupGroup::categoryString() const
{
    return textOrNone(lockedRead(this, m_categoryString));
}

void DupGroup::setCategoryString(const std::optional<QString> &category)
{
    lockedWrite(this, m_categoryString, storedText(category));
}

bool DupGroup::addChild(const NodePtr &node)
{
    if (!node || node->isFolder() || node->isSymbol())
        return false;
    if (m_fileNumber < 1) {
        lockedWrite(this, m_fileMD5, node->compactFileMD5());
        lockedWrite(this, m_preciseFileMD5, node->compactPreciseFileMD5());
        m_fileSize = node->FileSize();
        lockedWrite(this, m_fileExt, node->fileExt());
        addMember(node);
        return true;
    }
    if (node->dupGroup().get() == this && memberPosition(node.get()) >= 0)
        return true;
    if (m_fileSize != node->FileSize())
        return false;
    if (!matchesQuickFingerprint(node))
        return false;
    // A file reached through a second path (overlapping sources, a bind mount, a hard link) is
    // accounted for but never joins: removing "its duplicate" would remove the file itself.
    if (holdsSameFileAs(*node)) {
        node->setDupGroup(nullptr);
        return true;
    }
    if (!matchesPreciseFingerprint(node))
        return false;
    addMember(node);
    return true;
}

bool DupGroup::matchesQuickFingerprint(const NodePtr &node)
{
    if (!compactFileMD5().hasValue()) {
        const NodePtr &first = m_childs.first();
        if (!first->compactFileMD5().hasValue())
            first->setFileMD5(first->computeFingerprint(0));
        lockedWrite(this, m_fileMD5, first->compactFileMD5());
    }
    if (!node->compactFileMD5().hasValue())
        node->setFileMD5(node->computeFingerprint(0));
    const CompactFingerprint mine = compactFileMD5();
    return mine.hasValue() && mine == node->compactFileMD5();
}

bool DupGroup::matchesPreciseFingerprint(const NodePtr &node)
{
    const UserDefaults &defaults = UserDefaults::standard();
    const bool fastScan = defaults.boolForKey(SettingsKeys::fastScanOption);
    const qint64 largeFrom = defaults.integerForKey(SettingsKeys::fastScanSize) << 20;
    const qint64 level = fastScan && node->FileSize() >= largeFrom ? 1 : 2;
    if (!lockedFingerprint(m_preciseFileMD5).hasValue()) {
        const NodePtr &first = m_childs.first();
        if (!first->compactPreciseFileMD5().hasValue())
            first->setPreciseFileMD5(first->computeFingerprint(level));
        lockedWrite(this, m_preciseFileMD5, first->compactPreciseFileMD5());
    }
    if (!node->compactPreciseFileMD5().hasValue())
        node->setPreciseFileMD5(node->computeFingerprint(level));
    const CompactFingerprint mine = lockedFingerprint(m_preciseFileMD5);
    return mine.hasValue() && mine == node->compactPreciseFileMD5();
}

bool DupGroup::holdsSameFileAs(const MyTreeNode &node) const
{
    const auto id = node.fileId();
    if (m_childs.size() >= memberIndexThreshold) {
        if (id && m_memberFiles.contains(*id))
            return true;
        if (!m_memberPaths.contains(qHash(node.FileURL())))
            return false;
    }
    return std::any_of(m_childs.cbegin(), m_childs.cend(), [&](const NodePtr &member) {
        const auto memberId = member->fileId();
        return member->FileURL() == node.FileURL() || (id && memberId && *id == *memberId);
    });
}

void DupGroup::indexMember(const MyTreeNode &node, int delta)
{
    const auto count = [delta](auto &hash, const auto &key) {
        if ((hash[key] += delta) <= 0)
            hash.remove(key);
    };
    count(m_memberPaths, qHash(node.FileURL()));
    if (const auto id = node.fileId())
        count(m_memberFiles, *id);
}

void DupGroup::addMember(const NodePtr &node)
{
    ++m_fileNumber;
    node->setDupGroup(shared_from_this());
    changeMembers([&] {
        // Members stay ordered by addedDate; a newcomer goes after members of the same date.
        const auto position =
            std::upper_bound(m_childs.begin(), m_childs.end(), node->addedDateKey(),
                             [](qint64 key, const NodePtr &member) { return key < member->addedDateKey(); });
        m_childs.insert(position, node);
        m_allFileExt.append(node->fileExt());
    });
    if (m_childs.size() == memberIndexThreshold) {
        for (const NodePtr &member : std::as_const(m_childs))
            indexMember(*member, +1);
    } else if (m_childs.size() > memberIndexThreshold) {
        indexMember(*node, +1);
    }
    if (m_fileNumber == 2 && !lockedRead(this, m_fileImage))
        requestThumbnail();
}

void DupGroup::changeMembers(const std::function<void()> &change)
{
    if (m_isShown)
        MainThread::sync(change);
    else
        change();
}

qsizetype DupGroup::memberPosition(const MyTreeNode *node) const
{
    const qint64 key = node->addedDateKey();
    auto it = std::lower_bound(m_childs.cbegin(), m_childs.cend(), key,
                               [](const NodePtr &member, qint64 k) { return member->addedDateKey() < k; });
    for (; it != m_childs.cend() && (*it)->addedDateKey() == key; ++it) {
        if (it->get() == node)
            return it - m_childs.cbegin();
    }
    return -1;
}

void DupGroup::requestThumbnail()
{
    if (!UserDefaults::standard().boolForKey(SettingsKeys::createThumbnail))
        return;
    // The task holds only a weak reference, so a group dropped meanwhile is not kept alive.
    std::weak_ptr<DupGroup> weakGroup = weak_from_this();
    const Url url = m_childs.first()->FileURL();
    SourceNodeManager::thumbnailQueue().async([weakGroup, url] {
        const auto picture = FileManagerProxy::sharedInstance().iconForURL_withFlag_withSize(url, 2, 150);
        if (const Ptr group = weakGroup.lock())
            group->setFileImage(picture);
        if (SourceNodeManager *manager = SourceNodeManager::sharedManager())
            manager->reloadOutlineView();
    });
}

void DupGroup::delChild(const NodePtr &node)
{
    if (m_fileNumber == 0 || !node)
        return;
    const qsizetype position = memberPosition(node.get());
    if (position < 0)
        return;
    node->setDupGroup(nullptr);
    if (m_childs.size() >= memberIndexThreshold)
        indexMember(*node, -1);
    changeMembers([&] {
        m_childs.removeAt(position);
        m_allFileExt.removeOne(node->fileExt());
    });
    if (m_childs.size() == memberIndexThreshold - 1) {
        m_memberPaths.clear();
        m_memberFiles.clear();
    }
    if (--m_fileNumber == 0) {
        lockedWrite(this, m_fileMD5, CompactFingerprint());
        lockedWrite(this, m_preciseFileMD5, CompactFingerprint());
        m_fileSize = 0;
        lockedWrite(this, m_fileExt, QString());
        changeMembers([&] {
            m_allFileExt.clear();
            m_childs.clear();
        });
    }
}
