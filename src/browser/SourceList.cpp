// The source list: adding sources by drop and through the open panel, removing them all, sorting,
// selection and revealing a source.
#include "browser/SortKeys.h"
#include "platform/Desktop.h"
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "platform/StringTable.h"
#include "scan/CustomRuleController.h"
#include "scan/ManagerCore.h"
#include "scan/SourceNodeManager.h"
#include "scan/ViewInterfaces.h"

void SourceNodeManager::segmentAction(const QObject *sender)
{
    if (!sender)
        return;
    switch (sender->property("selectedSegment").toInt()) {
    case 0:
        if (m_ruleController)
            m_ruleController->showSettingPanel(sender);
        break;
    case 1:
        if (m_openPanel) {
            //% "Choose folders or files to search for duplicates"
            m_openPanel->beginSheetModal(StringTable::text("SELECTED_DIRECTORY_OR_FILE_PROMPT"),
                                         [this](const QList<QByteArray> &paths) { addSourcePaths(paths); });
        }
        break;
    case 2:
        removeAllRootNodes();
        break;
    default:
        break;
    }
}

void SourceNodeManager::addSourcePaths(const QList<QByteArray> &paths)
{
    for (const QByteArray &path : paths) {
        // Exact byte equality: no resolving of links, no case folding, no trailing separators.
        const bool known = std::any_of(rootNodes().begin(), rootNodes().end(),
                                       [&](const RootNode::Ptr &root) { return root->rootPath() == path; });
        if (known)
            continue;
        if (const RootNode::Ptr root = RootNode::initWithPath(path))
            addRootNode(root);
    }
}

SourceNodeManager::DragOperation SourceNodeManager::tableView_validateDrop_proposedRow_proposedDropOperation(
    SourceTableView *table, const QList<QByteArray> &, qint64, DropOperation)
{
    return table && table->tag() == 0 ? DragOperation::Copy : DragOperation::None;
}

bool SourceNodeManager::tableView_acceptDrop_row_dropOperation(SourceTableView *,
                                                               const QList<QByteArray> &paths, qint64,
                                                               DropOperation)
{
    addSourcePaths(paths);
    reIndex();
    Q_EMIT sourcesChanged();
    return true;
}

void SourceNodeManager::removeAllRootNodes()
{
    if (rootNodes().isEmpty())
        return;
    for (const RootNode::Ptr &root : rootNodes())
        root->setIsFinished(true);
    Q_EMIT sourcesChanged();
    scanQueue().async([core = m_core] {
        QList<RootNode::Ptr> roots;
        QList<UndoRecord> history;
        core->withManager([&](SourceNodeManager &manager) {
            roots = manager.rootNodes();
            core->taskStatus = 1;
            history.swap(manager.m_undoArray);
            core->groups.clear();
            manager.m_rootController.setContent({});
            manager.m_totalDupGroupNumber = 0;
            manager.m_totalWasteSize = 0;
            manager.m_totalRemovableFileNumber = 0;
            manager.m_totalFileNumber = 0;
            manager.m_totalFileSize = 0;
            manager.m_showDupGroups.reset();
            manager.m_allFileExtController.setContent({});
            manager.updateSourceStat();
            manager.updateDupGroupStat();
            manager.updateStatBar(QStringLiteral(" "));
            manager.syncAllSatus();
            Q_EMIT manager.cleanTaskStateChanged();
        });
        // The files and their groups and sources refer to each other; the files of a source are
        // the scan queue's, so the ties are broken here, after the lists let go of them.
        for (const RootNode::Ptr &root : std::as_const(roots)) {
            for (const MyTreeNode::Ptr &node : root->allFiles().toList()) {
                node->setDupGroup(nullptr);
                node->setRootNode(nullptr);
            }
        }
        for (const UndoRecord &record : std::as_const(history)) {
            for (const MyTreeNode::Ptr &node : record) {
                node->setDupGroup(nullptr);
                node->setRootNode(nullptr);
            }
        }
    });
}

void SourceNodeManager::tableView_sortDescriptorsDidChange(SourceTableView *table, const SortDescriptors &)
{
    if (!table)
        return;
    const SortDescriptors descriptors = table->sortDescriptors();
    m_rootController.setSortComparator([descriptors](const RootNode::Ptr &a, const RootNode::Ptr &b) {
        for (const SortDescriptor &descriptor : descriptors) {
            const SortKeys::Value x = SortKeys::ofSource(*a, descriptor.key);
            const SortKeys::Value y = SortKeys::ofSource(*b, descriptor.key);
            if (x != y)
                return descriptor.ascending ? x < y : y < x;
        }
        return false;
    });
    reIndex();
    Q_EMIT sourcesChanged();
    Q_EMIT showDupGroupsChanged(ShownGroupsChange::DataChanged);
}

void SourceNodeManager::tableViewSelectionDidChange()
{
    const QList<RootNode::Ptr> selected = m_rootController.selectedObjects();
    updateStatBar(selected.isEmpty() ? QStringLiteral(" ") : selected.first()->rootURL().displayPath());
}

void SourceNodeManager::openSourceInFinder(const QObject *sender)
{
    if (!m_sourceTable || !m_desktopServices)
        return;
    const qint64 row = m_sourceTable->rowForView(sender);
    const QList<RootNode::Ptr> &arranged = m_rootController.arrangedObjects();
    if (quint64(row) >= quint64(arranged.size()))
        return;
    m_desktopServices->revealItems({arranged[row]->rootURL()});
}
