#include "model/DupGroup.h"

#include "fs/FileManagerProxy.h"
#include "model/FingerprintSource.h"
#include "model/MyTreeNode.h"
#include "model/OptionalText.h"
#include "model/PreciseLevel.h"
#include "platform/InternedString.h"
#include "platform/MainThread.h"
#include "platform/PropertyLock.h"

#include <algorithm>
#include <utility>

namespace {

// Below this many members a group answers "same file?" by walking its members.
constexpr qsizetype memberIndexThreshold = 16;

// Where each content stage keeps its fingerprint on a node.
constexpr auto quickFingerprint = &MyTreeNode::compactFileMD5;
constexpr auto setQuickFingerprint = &MyTreeNode::setCompactFileMD5;
constexpr auto preciseFingerprint = &MyTreeNode::compactPreciseFileMD5;
constexpr auto setPreciseFingerprint = &MyTreeNode::setCompactPreciseFileMD5;

} // namespace

struct DupGroup::Extras
{
    // The members once there were two, and each member's extension in the order they joined.
    QList<NodePtr> childs;
    QStringList allFileExt;
    // For large groups, counts of members by path hash and by file identity, so that asking whether
    // a node is the same file as a member does not walk every member. Scan queue only.
    QHash<size_t, int> memberPaths;
    QHash<FileId, int> memberFiles;
    // Nodes refused as the same file as a member. Scan queue only.
    QList<std::weak_ptr<MyTreeNode>> sameFileNodes;
    // Under the group's property lock.
    std::optional<Image> fileImage;
    QString categoryString;
};

DupGroup::Ptr DupGroup::init()
{
    return std::make_shared<DupGroup>();
}

DupGroup::~DupGroup()
{
    delete m_extras.load();
}

DupGroup::Extras &DupGroup::extras() const
{
    Extras *extras = m_extras.load();
    if (!extras) {
        auto made = std::make_unique<Extras>();
        if (m_extras.compare_exchange_strong(extras, made.get()))
            extras = made.release();
    }
    return *extras;
}

std::span<const DupGroup::NodePtr> DupGroup::members() const
{
    if (m_onlyMember)
        return {&m_onlyMember, 1};
    if (const Extras *extras = m_extras.load())
        return {extras->childs.constData(), size_t(extras->childs.size())};
    return {};
}

const MyTreeNode *DupGroup::firstMember() const
{
    const std::span<const NodePtr> all = members();
    return all.empty() ? nullptr : all.front().get();
}

QList<DupGroup::NodePtr> DupGroup::childs() const
{
    if (m_onlyMember)
        return {m_onlyMember};
    const Extras *extras = m_extras.load();
    return extras ? extras->childs : QList<NodePtr>();
}

QStringList DupGroup::allFileExt() const
{
    if (m_onlyMember)
        return {m_onlyMember->fileExt()};
    const Extras *extras = m_extras.load();
    return extras ? extras->allFileExt : QStringList();
}

std::optional<QString> DupGroup::fileMD5() const
{
    return compactFileMD5().text();
}

CompactFingerprint DupGroup::compactFileMD5() const
{
    return m_fileNumber > 0 ? lockedFingerprint(m_fileMD5) : CompactFingerprint();
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
    const QList<NodePtr> members = childs();
    return members.isEmpty() ? std::nullopt : members.first()->fileType();
}

std::optional<QString> DupGroup::fileExt() const
{
    const QString *extension = m_fileExt;
    return extension ? std::optional<QString>(*extension) : std::nullopt;
}

std::optional<Image> DupGroup::fileImage() const
{
    if (const Extras *extras = m_extras.load()) {
        if (auto image = lockedRead(this, extras->fileImage))
            return image;
    }
    // A group takes its first member's icon when it becomes a group of duplicates. Finding an icon
    // means finding the file's type, so it is found when first shown rather than during the scan.
    if (m_fileNumber < 2)
        return std::nullopt;
    const QList<NodePtr> members = childs();
    if (members.isEmpty())
        return std::nullopt;
    const auto icon =
        FileManagerProxy::sharedInstance().iconForURL_withFlag_withSize(members.first()->FileURL(), 0, 17);
    Extras &made = extras();
    std::lock_guard lock(PropertyLock::forObject(this));
    if (!made.fileImage)
        made.fileImage = icon;
    return made.fileImage;
}

void DupGroup::setFileImage(const std::optional<Image> &image)
{
    lockedWrite(this, extras().fileImage, image);
}

bool DupGroup::hasStoredImage() const
{
    const Extras *extras = m_extras.load();
    return extras && lockedRead(this, extras->fileImage).has_value();
}

std::optional<QString> DupGroup::categoryString() const
{
    const Extras *extras = m_extras.load();
    return extras ? textOrNone(lockedRead(this, extras->categoryString)) : std::nullopt;
}

void DupGroup::setCategoryString(const std::optional<QString> &category)
{
    lockedWrite(this, extras().categoryString, storedText(category));
}

DupGroup::AddResult DupGroup::addChild(const NodePtr &node, FingerprintSource &fingerprints,
                                       MemberObserver *observer)
{
    if (!node || node->isFolder() || node->isSymbol())
        return AddResult::Refused;
    // The founding member gives the group its size and extension, and whatever fingerprints it has.
    if (m_fileNumber < 1) {
        lockedWrite(this, m_fileMD5, node->compactFileMD5());
        lockedWrite(this, m_preciseFileMD5, node->compactPreciseFileMD5());
        m_fileSize = node->FileSize();
        m_fileExt = &internedString(node->fileExt());
        m_comparedBySamples = false;
        addMember(node, observer);
        return AddResult::Joined;
    }
    if (node->dupGroup().get() == this && memberPosition(node.get()) >= 0)
        return AddResult::Joined;
    if (m_fileSize != node->FileSize())
        return AddResult::Refused;

    const auto refusal = [](Match match) -> std::optional<AddResult> {
        if (match == Match::Unknown)
            return AddResult::Undecided;
        if (match == Match::Different)
            return AddResult::Refused;
        return std::nullopt;
    };
    if (const auto refused = refusal(matchStage(m_fileMD5, {quickFingerprint, setQuickFingerprint}, *node,
                                                FingerprintLevel::Quick, fingerprints)))
        return *refused;
    // A file reached through a second path (overlapping sources, a bind mount, a hard link) is
    // accounted for but never joins: removing "its duplicate" would remove the file itself.
    if (holdsSameFileAs(*node)) {
        node->setDupGroup(nullptr);
        extras().sameFileNodes.append(node);
        return AddResult::SameFile;
    }
    const FingerprintLevel preciseLevel = fingerprints.preciseLevel(node->FileSize());
    if (const auto refused = refusal(matchStage(m_preciseFileMD5, {preciseFingerprint, setPreciseFingerprint},
                                                *node, preciseLevel, fingerprints)))
        return *refused;
    if (preciseLevel == FingerprintLevel::SampledPrecise)
        m_comparedBySamples = true;
    addMember(node, observer);
    return AddResult::Joined;
}

DupGroup::Match DupGroup::matchStage(CompactFingerprint &groupField, NodeFingerprint field, MyTreeNode &node,
                                     FingerprintLevel level, FingerprintSource &fingerprints)
{
    // A fingerprint that could not be read is not kept, so it is tried again at the next comparison.
    const auto ensure = [&](MyTreeNode &member) {
        if ((member.*field.get)().hasValue())
            return true;
        const auto read = fingerprints.fingerprint(member, level);
        if (!read)
            return false;
        (member.*field.set)(*read);
        return true;
    };
    if (!lockedFingerprint(groupField).hasValue()) {
        MyTreeNode &first = *members().front();
        if (!ensure(first))
            return Match::Unknown;
        lockedWrite(this, groupField, (first.*field.get)());
    }
    if (!ensure(node))
        return Match::Unknown;
    const CompactFingerprint mine = lockedFingerprint(groupField);
    return mine.hasValue() && mine == (node.*field.get)() ? Match::Equal : Match::Different;
}

QList<DupGroup::NodePtr> DupGroup::takeSameFileNodes()
{
    QList<NodePtr> nodes;
    if (Extras *extras = m_extras.load()) {
        for (const std::weak_ptr<MyTreeNode> &weak : std::exchange(extras->sameFileNodes, {})) {
            if (NodePtr node = weak.lock())
                nodes.append(std::move(node));
        }
    }
    return nodes;
}

bool DupGroup::holdsSameFileAs(const MyTreeNode &node) const
{
    const auto id = node.fileId();
    const std::span<const NodePtr> all = members();
    if (qsizetype(all.size()) >= memberIndexThreshold) {
        const Extras &index = *m_extras.load();
        if (id && index.memberFiles.contains(*id))
            return true;
        if (!index.memberPaths.contains(qHash(node.FileURL())))
            return false;
    }
    return std::any_of(all.begin(), all.end(), [&](const NodePtr &member) {
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
    Extras &index = extras();
    count(index.memberPaths, qHash(node.FileURL()));
    if (const auto id = node.fileId())
        count(index.memberFiles, *id);
}

void DupGroup::addMember(const NodePtr &node, MemberObserver *observer)
{
    ++m_fileNumber;
    node->setDupGroup(shared_from_this());
    if (members().empty() && !m_extras.load()) {
        changeMembers([&] { m_onlyMember = node; }, MemberObserver::Change::Insert, 0, observer);
    } else {
        Extras &lists = extras();
        // Members stay ordered by addedDate; a newcomer goes after members of the same date.
        const std::span<const NodePtr> all = members();
        const qsizetype position =
            std::upper_bound(all.begin(), all.end(), node->addedDateKey(),
                             [](qint64 key, const NodePtr &member) { return key < member->addedDateKey(); }) -
            all.begin();
        changeMembers(
            [&] {
                if (m_onlyMember) {
                    lists.childs = {std::exchange(m_onlyMember, nullptr)};
                    lists.allFileExt = {lists.childs.first()->fileExt()};
                }
                lists.childs.insert(position, node);
                lists.allFileExt.append(node->fileExt());
            },
            MemberObserver::Change::Insert, position, observer);
    }
    const qsizetype count = qsizetype(members().size());
    if (count == memberIndexThreshold) {
        for (const NodePtr &member : members())
            indexMember(*member, +1);
    } else if (count > memberIndexThreshold) {
        indexMember(*node, +1);
    }
}

void DupGroup::changeMembers(const std::function<void()> &change, MemberObserver::Change kind,
                             qsizetype position, MemberObserver *observer)
{
    if (m_isShown) {
        const bool handedOver = MainThread::sync([&] {
            if (observer)
                observer->membersAboutToChange(*this, kind, position);
            change();
            if (observer)
                observer->membersChanged(*this, kind, position);
        });
        if (handedOver)
            return;
        // The application is quitting and no longer reads the lists: change them here all the same,
        // so that the member count stays in step with them.
    }
    change();
}

qsizetype DupGroup::memberPosition(const MyTreeNode *node) const
{
    const std::span<const NodePtr> all = members();
    const qint64 key = node->addedDateKey();
    auto it = std::lower_bound(all.begin(), all.end(), key,
                               [](const NodePtr &member, qint64 k) { return member->addedDateKey() < k; });
    for (; it != all.end() && (*it)->addedDateKey() == key; ++it) {
        if (it->get() == node)
            return it - all.begin();
    }
    return -1;
}

void DupGroup::delChild(const NodePtr &node, MemberObserver *observer)
{
    if (m_fileNumber == 0 || !node)
        return;
    const qsizetype position = memberPosition(node.get());
    if (position < 0)
        return;
    node->setDupGroup(nullptr);
    const qsizetype count = qsizetype(members().size());
    if (count >= memberIndexThreshold)
        indexMember(*node, -1);
    changeMembers(
        [&] {
            if (m_onlyMember) {
                m_onlyMember = nullptr;
                return;
            }
            Extras &lists = *m_extras.load();
            lists.childs.removeAt(position);
            lists.allFileExt.removeOne(node->fileExt());
        },
        MemberObserver::Change::Remove, position, observer);
    if (count == memberIndexThreshold) {
        m_extras.load()->memberPaths.clear();
        m_extras.load()->memberFiles.clear();
    }
    if (--m_fileNumber == 0) {
        // The size and quick fingerprint stay behind for the group index; readers no longer see them.
        lockedWrite(this, m_preciseFileMD5, CompactFingerprint());
        m_fileExt = nullptr;
    }
}
