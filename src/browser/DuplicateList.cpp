// The duplicate list: its rows and cells, selection, double click and the files' row actions.
#include "platform/Desktop.h"
#include "platform/StringTable.h"
#include "scan/CustomRuleController.h"
#include "scan/SourceNodeManager.h"
#include "scan/ViewInterfaces.h"

#include <QLocale>
#include <QTimer>

namespace {

const DupGroup::Ptr *groupOf(const OutlineItem &item)
{
    const auto *group = std::get_if<DupGroup::Ptr>(&item);
    return group && *group ? group : nullptr;
}

const MyTreeNode::Ptr *fileOf(const OutlineItem &item)
{
    const auto *file = std::get_if<MyTreeNode::Ptr>(&item);
    return file && *file ? file : nullptr;
}

bool isRoot(const OutlineItem &item)
{
    return std::holds_alternative<std::monostate>(item);
}

double mebibytes(double bytes)
{
    return bytes * (1.0 / 1024) * (1.0 / 1024);
}

QString textOrBlank(const std::optional<QString> &text)
{
    return text && !text->isEmpty() ? *text : QStringLiteral(" ");
}

} // namespace

qint64 SourceNodeManager::outlineView_numberOfChildrenOfItem(DupOutlineView *, const OutlineItem &item) const
{
    if (isRoot(item))
        return m_showDupGroups ? m_showDupGroups->size() : 0;
    if (const DupGroup::Ptr *group = groupOf(item))
        return (*group)->childs().size();
    return 0;
}

bool SourceNodeManager::outlineView_isItemExpandable(DupOutlineView *, const OutlineItem &item) const
{
    return isDupGroup(item);
}

OutlineItem SourceNodeManager::outlineView_child_ofItem(DupOutlineView *, qint64 index,
                                                        const OutlineItem &item)
{
    if (index < 0)
        return {};
    if (isRoot(item)) {
        if (!m_showDupGroups || index >= m_showDupGroups->size())
            return {};
        const DupGroup::Ptr &group = m_showDupGroups->at(index);
        if (!group->categoryString()) {
            const QList<MyTreeNode::Ptr> members = group->childs();
            if (!members.isEmpty())
                group->setCategoryString(CustomRuleController().typeString(members.first()));
        }
        return group;
    }
    if (const DupGroup::Ptr *group = groupOf(item)) {
        const QList<MyTreeNode::Ptr> files = childsInShownOrder(**group);
        if (index < files.size())
            return files.at(index);
    }
    return {};
}

bool SourceNodeManager::outlineView_isGroupItem(DupOutlineView *, const OutlineItem &item) const
{
    return isDupGroup(item);
}

double SourceNodeManager::outlineView_heightOfRowByItem(DupOutlineView *, const OutlineItem &item) const
{
    return isDupGroup(item) ? 100.0 : 17.0;
}

MyTreeNode::Ptr SourceNodeManager::shownFileOfGroup(const DupGroup &group) const
{
    const QList<MyTreeNode::Ptr> files = childsInShownOrder(group);
    if (m_selectedNode && files.contains(m_selectedNode))
        return m_selectedNode;
    return files.isEmpty() ? nullptr : files.first();
}

std::optional<SourceNodeManager::CellView>
SourceNodeManager::outlineView_viewForTableColumn_item(DupOutlineView *, const QString &column,
                                                       const OutlineItem &item)
{
    const CustomRuleController rules;
    if (const DupGroup::Ptr *found = groupOf(item)) {
        const DupGroup &group = **found;
        const qint64 files = group.childs().size();
        const MyTreeNode::Ptr shown = shownFileOfGroup(group);
        if (files < 2 || !shown)
            return std::nullopt;
        const QLocale locale;
        const double wasted = double(quint64(files - 1) * quint64(group.fileSize()));
        // One pass over the placeholders, so a file name holding "%2" stays as it is.
        //% "%1 files · %2 · %3 · %8 MiB each · %9 MiB wasted\n%5 (%4 bytes)\nAdded %6 · %7"
        const QString text = StringTable::text("DUP_GROUP_INFO_STRING")
                                 .arg(QString::number(files), rules.typeString(shown), shown->fileExt(),
                                      locale.toString(shown->FileSize()), shown->FileName(),
                                      shown->fileAddedDateString().value_or(QString()), shown->filePath(),
                                      locale.toString(mebibytes(double(shown->FileSize())), 'f', 2),
                                      locale.toString(mebibytes(wasted), 'f', 2));
        return CellView{text.isEmpty() ? QStringLiteral(" ") : text, group.fileImage(), group.isSelected()};
    }
    const MyTreeNode::Ptr *file = fileOf(item);
    if (!file)
        return std::nullopt;
    const MyTreeNode &node = **file;
    QString text;
    if (column == QLatin1String("index")) {
        const RootNode::Ptr root = node.rootNode();
        text = root ? QString::number(qint64(root->index())) : QStringLiteral(" ");
    } else if (column == QLatin1String("path")) {
        text = textOrBlank(node.filePath());
    } else if (column == QLatin1String("filename")) {
        text = textOrBlank(node.FileName());
    } else if (column == QLatin1String("ext")) {
        text = textOrBlank(node.fileExt());
    } else if (column == QLatin1String("size")) {
        text = QString::number(node.FileSize());
    } else if (column == QLatin1String("date")) {
        text = textOrBlank(node.fileAddedDateString());
    } else if (column == QLatin1String("category")) {
        text = rules.typeString(*file);
    } else {
        return std::nullopt;
    }
    return CellView{text, std::nullopt, std::nullopt};
}

void SourceNodeManager::outlineViewSelectionDidChange()
{
    if (!m_dupOutlineView)
        return;
    const qint64 row = m_dupOutlineView->selectedRow();
    if (row < 0)
        return;
    const OutlineItem item = m_dupOutlineView->itemAtRow(row);
    // The re-selection below lands here again.
    if (m_selectedNode && fileOf(item) && *fileOf(item) == m_selectedNode)
        return;
    if (const MyTreeNode::Ptr *file = fileOf(item)) {
        m_selectedNode = *file;
        Q_EMIT showDupGroupsChanged(ShownGroupsChange::DataChanged);
        m_dupOutlineView->selectRow(row);
        updateStatBar((*file)->filePath());
        return;
    }
    if (const DupGroup::Ptr *group = groupOf(item)) {
        QTimer::singleShot(0, this, [this, group = *group] {
            if (m_dupOutlineView)
                m_dupOutlineView->expandItem(group);
        });
    }
    m_selectedNode = nullptr;
    updateStatBar(QStringLiteral(" "));
}

void SourceNodeManager::outlineviewDoubleClick()
{
    if (!m_dupOutlineView || !m_desktopServices)
        return;
    const OutlineItem item = m_dupOutlineView->itemAtRow(m_dupOutlineView->selectedRow());
    if (const MyTreeNode::Ptr *file = fileOf(item))
        m_desktopServices->openFile((*file)->FileURL());
}

void SourceNodeManager::checkDupGroup(const QObject *sender)
{
    if (!m_dupOutlineView || !sender)
        return;
    const OutlineItem item = m_dupOutlineView->itemAtRow(m_dupOutlineView->rowForView(sender));
    if (const DupGroup::Ptr *group = groupOf(item))
        (*group)->setIsSelected(sender->property("checked").toBool());
    Q_EMIT showDupGroupsChanged(ShownGroupsChange::DataChanged);
}

void SourceNodeManager::openDupInFinder(const QObject *sender)
{
    if (!m_dupOutlineView || !m_desktopServices || !sender)
        return;
    const OutlineItem item = m_dupOutlineView->itemAtRow(m_dupOutlineView->rowForView(sender));
    if (const MyTreeNode::Ptr *file = fileOf(item))
        m_desktopServices->revealItems({(*file)->FileURL()});
}

void SourceNodeManager::openDup(const QObject *sender)
{
    if (!m_dupOutlineView || !m_desktopServices || !sender)
        return;
    const OutlineItem item = m_dupOutlineView->itemAtRow(m_dupOutlineView->rowForView(sender));
    if (const MyTreeNode::Ptr *file = fileOf(item))
        m_desktopServices->openFile((*file)->FileURL());
}
