// The shown groups: taking over the engine's findings, their order, the statistics text, and the group
// actions above the duplicate list.
#include "browser/ShownGroups.h"

#include "browser/SortKeys.h"
#include "browser/ViewInterfaces.h"
#include "platform/StringTable.h"
#include "scan/CustomRuleController.h"
#include "scan/SourceNodeManager.h"

#include <QTimer>

#include <chrono>

namespace {

// Expanding and collapsing every group waits for the click to be handled.
constexpr std::chrono::milliseconds groupActionDelay{10};

} // namespace

ShownGroups::ShownGroups(SourceNodeManager &engine) : m_engine(engine)
{
    connect(&engine, &SourceNodeManager::summaryChanged, this, &ShownGroups::rebuild);
    connect(&engine, &SourceNodeManager::groupMembersAboutToChange, this,
            &ShownGroups::groupMembersAboutToChange);
    connect(&engine, &SourceNodeManager::groupMembersChanged, this, &ShownGroups::groupMembersChanged);
    connect(&engine, &SourceNodeManager::groupPictureChanged, this, &ShownGroups::groupPictureChanged);
    updateDupGroupStat();
}

void ShownGroups::rebuild()
{
    const GroupStore::Summary &summary = m_engine.summary();
    m_showDupGroups = summary.shown;
    if (m_outlineviewSortDesc)
        sortShowGroups(*m_outlineviewSortDesc);
    m_extensions = summary.extensions;
    updateDupGroupStat();
    Q_EMIT showDupGroupsChanged(ShownGroupsChange::Replaced);
    Q_EMIT statisticsChanged();
}

void ShownGroups::updateDupGroupStat()
{
    const qint64 groups = m_engine.totalDupGroupNumber();
    //% "%1 group(s) of duplicates, removable files: %2, wasted: %3 MiB"
    m_dupGroupStatString = StringTable::text("DUP_GROUP_STAT_STRING", groups)
                               .arg(groups)
                               .arg(m_engine.totalRemovableFileNumber())
                               .arg(double(m_engine.totalWasteSize()) / 1024 / 1024, 0, 'f', 2);
}

void ShownGroups::nameCategory(DupGroup &group) const
{
    if (group.categoryString())
        return;
    if (const MyTreeNode *first = group.firstMember())
        group.setCategoryString(m_engine.ruleController()->typeString(*first));
}

void ShownGroups::sortShowGroups(const SortDescriptors &descriptors)
{
    if (descriptors.isEmpty() || !m_showDupGroups || m_showDupGroups->isEmpty())
        return;
    const SortDescriptor &first = descriptors.first();
    if (!SortKeys::isGroupKey(first.key)) {
        // The groups find their members by date, so the files keep that order in the group and the
        // list shows them in this one.
        m_fileOrder = first;
        return;
    }
    SortDescriptors used = {first};
    if (first.key == QLatin1String("categoryString")) {
        used.append({QStringLiteral("fileExt"), first.ascending});
        // A group gets its category when the list first shows it; a sort by category places them
        // all, shown yet or not.
        for (const DupGroup::Ptr &group : std::as_const(*m_showDupGroups))
            nameCategory(*group);
    }
    SortKeys::sort<DupGroup::Ptr>(*m_showDupGroups, used, [](const DupGroup::Ptr &group, const QString &key) {
        return SortKeys::ofGroup(*group, key);
    });
}

void ShownGroups::outlineView_sortDescriptorsDidChange(DupOutlineView *view, const SortDescriptors &)
{
    if (!view)
        return;
    const SortDescriptors descriptors = view->sortDescriptors();
    sortShowGroups(descriptors);
    m_outlineviewSortDesc = descriptors;
    Q_EMIT showDupGroupsChanged(ShownGroupsChange::Sorted);
}

QList<MyTreeNode::Ptr> ShownGroups::childsInShownOrder(const DupGroup &group) const
{
    QList<MyTreeNode::Ptr> files = group.childs();
    if (m_fileOrder) {
        SortKeys::sort<MyTreeNode::Ptr>(
            files, {*m_fileOrder},
            [](const MyTreeNode::Ptr &node, const QString &key) { return SortKeys::ofFile(*node, key); });
    }
    return files;
}

void ShownGroups::dupSegmentAction(const QObject *sender)
{
    if (!sender || !m_showDupGroups)
        return;
    const int segment = sender->property("selectedSegment").toInt();
    const QList<DupGroup::Ptr> groups = *m_showDupGroups;
    switch (segment) {
    case 0:
    case 1:
        for (const DupGroup::Ptr &group : groups)
            group->setIsSelected(segment == 0);
        Q_EMIT showDupGroupsChanged(ShownGroupsChange::DataChanged);
        break;
    case 2:
    case 3:
        QTimer::singleShot(groupActionDelay, this, [this, groups, expand = segment == 3] {
            if (!m_dupOutlineView)
                return;
            if (expand)
                m_dupOutlineView->expandItems(groups);
            else
                m_dupOutlineView->collapseItems(groups);
        });
        break;
    default:
        break;
    }
}
