#include "scan/GroupStore.h"

#include "model/RootNode.h"

#include <QSet>

#include <algorithm>

GroupStore::GroupStore(std::function<void(const DupGroup::Ptr &)> becameDuplicates)
    : m_becameDuplicates(std::move(becameDuplicates))
{
}

GroupIndex::Offered GroupStore::place(const MyTreeNode::Ptr &node, FingerprintSource &fingerprints,
                                      MemberObserver *observer)
{
    if (m_buckets.isEmpty())
        m_buckets = QList<Bucket>(bucketCount);
    GroupIndex::Offered offered = m_index.offer(node, fingerprints, observer);
    if (offered.result == DupGroup::AddResult::Refused) {
        offered.group = DupGroup::init();
        offered.result = offered.group->addChild(node, fingerprints, observer);
        m_buckets[bucketIndexForSize(node->FileSize())].append(offered.group);
        m_index.insert(offered.group);
    }
    if (offered.result == DupGroup::AddResult::Joined && offered.group->fileNumber() == 2 &&
        !offered.group->hasStoredImage())
        m_becameDuplicates(offered.group);
    return offered;
}

void GroupStore::takeOut(const MyTreeNode::Ptr &node, FingerprintSource &fingerprints,
                         MemberObserver *observer)
{
    const DupGroup::Ptr group = node->dupGroup();
    if (!group)
        return;
    group->delChild(node, observer);
    if (group->fileNumber() == 0) {
        m_index.remove(group.get());
        m_emptied.insert(bucketIndexForSize(node->FileSize()));
    }
    for (const MyTreeNode::Ptr &refused : group->takeSameFileNodes()) {
        const RootNode::Ptr root = refused->rootNode();
        if (root && root->allFiles().contains(refused.get()) && !refused->dupGroup())
            place(refused, fingerprints, observer);
    }
}

GroupStore::Summary GroupStore::summarize(const ProtectedFolders &protection)
{
    for (const qsizetype bucket : std::as_const(m_emptied)) {
        if (bucket < m_buckets.size())
            m_buckets[bucket].removeIf([](const DupGroup::Ptr &group) { return group->fileNumber() == 0; });
    }
    m_emptied.clear();

    Summary summary;
    QSet<QString> extensions;
    for (const Bucket &bucket : std::as_const(m_buckets)) {
        for (const DupGroup::Ptr &group : bucket) {
            const qint64 members = group->fileNumber();
            // What can go: every file but one, or where files are protected, every file but those.
            qint64 removable = members - 1;
            if (members >= 2 && !protection.isEmpty()) {
                const QList<MyTreeNode::Ptr> files = group->childs();
                const qint64 kept =
                    std::count_if(files.cbegin(), files.cend(), [&](const MyTreeNode::Ptr &file) {
                        return protection.covers(file->FileURL());
                    });
                removable = members - std::max<qint64>(kept, 1);
            }
            // A group of which nothing can go is not shown.
            group->setIsShown(members >= 2 && removable > 0);
            if (!group->isShown())
                continue;
            summary.shown.append(group);
            for (const QString &extension : group->allFileExt())
                extensions.insert(extension);
            ++summary.groups;
            summary.waste += removable * group->fileSize();
            summary.removable += removable;
        }
    }
    summary.extensions = QStringList(extensions.begin(), extensions.end());
    std::sort(summary.extensions.begin(), summary.extensions.end(), [](const QString &a, const QString &b) {
        return QString::localeAwareCompare(a.toLower(), b.toLower()) < 0;
    });
    return summary;
}

void GroupStore::clear()
{
    m_buckets.clear();
    m_index.clear();
    m_emptied.clear();
}
