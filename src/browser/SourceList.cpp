// The source list: adding sources by drop and through the open panel, removing them all, sorting,
// selection, stopping and revealing a source, and its statistics.
#include "browser/SourceList.h"

#include "browser/SortKeys.h"
#include "browser/ViewInterfaces.h"
#include "platform/Desktop.h"
#include "platform/StringTable.h"
#include "scan/SourceNodeManager.h"

SourceList::SourceList(SourceNodeManager &engine) : m_engine(engine)
{
    connect(&engine, &SourceNodeManager::summaryChanged, this, &SourceList::updateSourceStat);
    updateSourceStat();
}

void SourceList::updateSourceStat()
{
    const qint64 files = m_engine.totalFileNumber();
    //% "%1 file(s), %2 MiB"
    m_sourceStatString = StringTable::text("SOURCE_FOLDER_STAT_STRING", files)
                             .arg(files)
                             .arg(double(m_engine.totalFileSize()) / 1024 / 1024, 0, 'f', 2);
    Q_EMIT statisticsChanged();
}

void SourceList::segmentAction(const QObject *sender)
{
    if (!sender)
        return;
    switch (sender->property("selectedSegment").toInt()) {
    case 0:
        if (m_settingPanel)
            m_settingPanel->makeKeyAndOrderFront();
        break;
    case 1:
        if (m_openPanel) {
            //% "Choose folders or files to search for duplicates"
            m_openPanel->beginSheetModal(StringTable::text("SELECTED_DIRECTORY_OR_FILE_PROMPT"),
                                         [this](const QList<QByteArray> &paths) { addSourcePaths(paths); });
        }
        break;
    case 2:
        m_engine.removeAllRootNodes();
        break;
    default:
        break;
    }
}

void SourceList::addSourcePaths(const QList<QByteArray> &paths)
{
    for (const QByteArray &path : paths) {
        // Exact byte equality: no resolving of links, no case folding, no trailing separators.
        const QList<RootNode::Ptr> &roots = m_engine.rootNodes();
        const bool known = std::any_of(roots.begin(), roots.end(),
                                       [&](const RootNode::Ptr &root) { return root->rootPath() == path; });
        if (known)
            continue;
        if (const RootNode::Ptr root = RootNode::initWithPath(path))
            m_engine.addRootNode(root);
    }
}

SourceList::DragOperation SourceList::tableView_validateDrop_proposedRow_proposedDropOperation(
    SourceTableView *table, const QList<QByteArray> &, qint64, DropOperation)
{
    return table && table->tag() == 0 ? DragOperation::Copy : DragOperation::None;
}

bool SourceList::tableView_acceptDrop_row_dropOperation(SourceTableView *, const QList<QByteArray> &paths,
                                                        qint64, DropOperation)
{
    addSourcePaths(paths);
    m_engine.reIndex();
    Q_EMIT m_engine.sourcesChanged();
    return true;
}

void SourceList::tableView_sortDescriptorsDidChange(SourceTableView *table, const SortDescriptors &)
{
    if (!table)
        return;
    const SortDescriptors descriptors = table->sortDescriptors();
    m_engine.rootController().setSortComparator(
        [descriptors](const RootNode::Ptr &a, const RootNode::Ptr &b) {
            for (const SortDescriptor &descriptor : descriptors) {
                const SortKeys::Value x = SortKeys::ofSource(*a, descriptor.key);
                const SortKeys::Value y = SortKeys::ofSource(*b, descriptor.key);
                if (x != y)
                    return descriptor.ascending ? x < y : y < x;
            }
            return false;
        });
    m_engine.reIndex();
    Q_EMIT m_engine.sourcesChanged();
    Q_EMIT sourcesRenumbered();
}

void SourceList::tableViewSelectionDidChange()
{
    const QList<RootNode::Ptr> selected = m_engine.rootController().selectedObjects();
    m_engine.updateStatBar(selected.isEmpty() ? QStringLiteral(" ")
                                              : selected.first()->rootURL().displayPath());
}

void SourceList::openSourceInFinder(const QObject *sender)
{
    if (!m_sourceTable || !m_desktopServices)
        return;
    const qint64 row = m_sourceTable->rowForView(sender);
    const QList<RootNode::Ptr> &arranged = m_engine.rootController().arrangedObjects();
    if (quint64(row) < quint64(arranged.size()))
        m_desktopServices->revealItems({arranged[row]->rootURL()});
}

void SourceList::stopSource(const QObject *control)
{
    if (!m_sourceTable)
        return;
    const qint64 row = m_sourceTable->rowForView(control);
    const QList<RootNode::Ptr> &arranged = m_engine.rootController().arrangedObjects();
    if (quint64(row) < quint64(arranged.size()))
        m_engine.stopSource(arranged[row]);
}
