// The shown groups: their order, and the group actions above the duplicate list.
#include "browser/SortKeys.h"
#include "scan/CustomRuleController.h"
#include "scan/SourceNodeManager.h"
#include "scan/ViewInterfaces.h"

#include <QTimer>

#include <chrono>

namespace {

// Expanding and collapsing every group waits for the click to be handled.
constexpr std::chrono::milliseconds groupActionDelay{10};

} // namespace

void SourceNodeManager::sortShowGroups(const SortDescriptors &descriptors)
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
        const CustomRuleController rules;
        for (const DupGroup::Ptr &group : std::as_const(*m_showDupGroups)) {
            if (!group->categoryString()) {
                const QList<MyTreeNode::Ptr> members = group->childs();
                if (!members.isEmpty())
                    group->setCategoryString(rules.typeString(members.first()));
            }
        }
    }
    SortKeys::sort<DupGroup::Ptr>(*m_showDupGroups, used, [](const DupGroup::Ptr &group, const QString &key) {
        return SortKeys::ofGroup(*group, key);
    });
}

void SourceNodeManager::outlineView_sortDescriptorsDidChange(DupOutlineView *view, const SortDescriptors &)
{
    if (!view)
        return;
    const SortDescriptors descriptors = view->sortDescriptors();
    sortShowGroups(descriptors);
    m_outlineviewSortDesc = descriptors;
    Q_EMIT showDupGroupsChanged(ShownGroupsChange::Sorted);
}

QList<MyTreeNode::Ptr> SourceNodeManager::childsInShownOrder(const DupGroup &group) const
{
    QList<MyTreeNode::Ptr> files = group.childs();
    if (m_fileOrder) {
        SortKeys::sort<MyTreeNode::Ptr>(
            files, {*m_fileOrder},
            [](const MyTreeNode::Ptr &node, const QString &key) { return SortKeys::ofFile(*node, key); });
    }
    return files;
}

void SourceNodeManager::dupSegmentAction(const QObject *sender)
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
