// The shown groups: taking over the engine's findings, their order, the statistics text, and the group
// actions above the duplicate list.
#include "browser/ShownGroups.h"

#include "browser/SortKeys.h"
#include "browser/ViewInterfaces.h"
#include "platform/StringTable.h"
#include "scan/CustomRuleController.h"
#include "scan/SourceNodeManager.h"

#include <QLocale>
#include <QSet>
#include <QTimer>

#include <chrono>
#include <cstring>
#include <fnmatch.h>

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
    QSet<const DupGroup *> before;
    before.reserve(m_allGroups.size());
    for (const DupGroup::Ptr &group : std::as_const(m_allGroups))
        before.insert(group.get());
    for (const DupGroup::Ptr &group : summary.shown) {
        if (group->fileSize() == 0 && !before.contains(group.get()))
            group->setIsSelected(false);
    }
    m_allGroups = summary.shown;
    if (m_outlineviewSortDesc)
        sortShowGroups(*m_outlineviewSortDesc);
    m_extensions = summary.extensions;
    applyFilter();
    Q_EMIT showDupGroupsChanged(ShownGroupsChange::Replaced);
    Q_EMIT statisticsChanged();
}

QString ShownGroups::byteCountText(qint64 bytes, int decimals)
{
    if (bytes < 1024 && bytes > -1024)
        //% "%1 byte(s)"
        return StringTable::text("BYTE_COUNT_STRING", bytes).arg(QLocale().toString(bytes));
    return QLocale().formattedDataSize(bytes, decimals, QLocale::DataSizeIecFormat);
}

void ShownGroups::updateDupGroupStat()
{
    const QLocale locale;
    const qint64 groups = m_engine.totalDupGroupNumber();
    //% "%1 group(s) of duplicates · removable files: %2 · wasted: %3"
    m_dupGroupStatString =
        StringTable::text("DUP_GROUP_STAT_STRING", groups)
            .arg(locale.toString(groups), locale.toString(m_engine.totalRemovableFileNumber()),
                 byteCountText(m_engine.totalWasteSize()));
    if (!m_filterText.isEmpty() && m_showDupGroups) {
        const qint64 shown = m_showDupGroups->size();
        //% "%1 of them shown · "
        m_dupGroupStatString.prepend(
            StringTable::text("FILTERED_GROUPS_STRING", shown).arg(locale.toString(shown)));
    }
}

bool ShownGroups::groupMatches(const DupGroup &group, const QString &filterText)
{
    const QByteArray pattern = filterText.toUtf8();
    const bool glob = pattern.contains('*') || pattern.contains('?') || pattern.contains('[');
    for (const MyTreeNode::Ptr &file : group.childs()) {
        // Bytes, as the names are: a name that is not UTF-8 is matched by the parts of it that are.
        const QByteArray &path = file->FileURL().path();
        if (glob) {
            const char *name = std::strrchr(path.constData(), '/');
            if (fnmatch(pattern.constData(), name ? name + 1 : path.constData(), FNM_CASEFOLD) == 0 ||
                fnmatch(pattern.constData(), path.constData(), FNM_CASEFOLD) == 0)
                return true;
        } else if (strcasestr(path.constData(), pattern.constData())) {
            return true;
        }
    }
    return false;
}

void ShownGroups::setFilterText(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed == m_filterText)
        return;
    m_filterText = trimmed;
    if (!m_showDupGroups)
        return;
    applyFilter();
    Q_EMIT showDupGroupsChanged(ShownGroupsChange::Replaced);
    Q_EMIT statisticsChanged();
}

void ShownGroups::applyFilter()
{
    if (m_filterText.isEmpty()) {
        m_showDupGroups = m_allGroups;
    } else {
        QList<DupGroup::Ptr> matching;
        for (const DupGroup::Ptr &group : std::as_const(m_allGroups)) {
            if (groupMatches(*group, m_filterText))
                matching.append(group);
        }
        m_showDupGroups = std::move(matching);
    }
    updateDupGroupStat();
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
    if (descriptors.isEmpty() || m_allGroups.isEmpty())
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
        for (const DupGroup::Ptr &group : std::as_const(m_allGroups))
            nameCategory(*group);
    }
    const auto valueOf = [](const DupGroup::Ptr &group, const QString &key) {
        return SortKeys::ofGroup(*group, key);
    };
    SortKeys::sort<DupGroup::Ptr>(m_allGroups, used, valueOf);
    if (m_showDupGroups && m_filterText.isEmpty())
        m_showDupGroups = m_allGroups;
    else if (m_showDupGroups)
        SortKeys::sort<DupGroup::Ptr>(*m_showDupGroups, used, valueOf);
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
