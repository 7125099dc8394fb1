// The duplicate list: its rows and cells, selection, double click and the files' row actions.
#include "browser/ShownGroups.h"

#include "browser/ViewInterfaces.h"
#include "platform/Desktop.h"
#include "platform/StringTable.h"
#include "scan/CustomRuleController.h"
#include "scan/SourceNodeManager.h"

#include <QLocale>
#include <QSet>
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

QString textOrBlank(const std::optional<QString> &text)
{
    return text && !text->isEmpty() ? *text : QStringLiteral(" ");
}

} // namespace

OutlineItem ShownGroups::outlineView_child_ofItem(DupOutlineView *, qint64 index, const OutlineItem &item)
{
    if (index < 0)
        return {};
    if (std::holds_alternative<std::monostate>(item)) {
        if (!m_showDupGroups || index >= m_showDupGroups->size())
            return {};
        const DupGroup::Ptr &group = m_showDupGroups->at(index);
        nameCategory(*group);
        return group;
    }
    if (const DupGroup::Ptr *group = groupOf(item)) {
        const QList<MyTreeNode::Ptr> files = childsInShownOrder(**group);
        if (index < files.size())
            return files.at(index);
    }
    return {};
}

MyTreeNode::Ptr ShownGroups::shownFileOfGroup(const DupGroup &group) const
{
    const QList<MyTreeNode::Ptr> files = childsInShownOrder(group);
    if (m_selectedNode && files.contains(m_selectedNode))
        return m_selectedNode;
    return files.isEmpty() ? nullptr : files.first();
}

std::optional<ShownGroups::CellView> ShownGroups::outlineView_viewForTableColumn_item(DupOutlineView *,
                                                                                      DuplicateColumn column,
                                                                                      const OutlineItem &item)
{
    const std::shared_ptr<const CustomRuleController> rules = m_engine.ruleController();
    if (const DupGroup::Ptr *found = groupOf(item)) {
        const DupGroup &group = **found;
        const qint64 files = group.childs().size();
        const MyTreeNode::Ptr shown = shownFileOfGroup(group);
        if (files < 2 || !shown)
            return std::nullopt;
        const QLocale locale;
        const qint64 wasted = qint64(quint64(files - 1) * quint64(group.fileSize()));
        // One pass over the placeholders, so a file name holding "%2" stays as it is.
        //% "%1 files · %2 · %3 · %4 each · %5 wasted\n%6\nAdded %7 · %8"
        QString text =
            StringTable::text("DUP_GROUP_INFO_STRING", files)
                .arg(locale.toString(files), rules->typeString(*shown), shown->fileExt(),
                     byteCountText(shown->FileSize()), byteCountText(wasted), shown->FileName(),
                     shown->fileAddedDateString().value_or(QStringLiteral("?")), shown->filePath());
        // Files compared by samples of their content may differ between the samples.
        if (group.isComparedBySamples()) {
            const qsizetype endOfFirstLine = text.indexOf(u'\n');
            //% " · compared by samples"
            text.insert(endOfFirstLine < 0 ? text.size() : endOfFirstLine,
                        StringTable::text("COMPARED_BY_SAMPLES_MARK"));
        }
        return CellView{text.isEmpty() ? QStringLiteral(" ") : text, group.fileImage(), group.isSelected()};
    }
    const MyTreeNode::Ptr *file = fileOf(item);
    if (!file)
        return std::nullopt;
    const MyTreeNode &node = **file;
    QString text;
    switch (column) {
    case DuplicateColumn::Index: {
        const RootNode::Ptr root = node.rootNode();
        text = root ? QString::number(qint64(root->index())) : QStringLiteral(" ");
        break;
    }
    case DuplicateColumn::Path:
        text = textOrBlank(node.filePath());
        break;
    case DuplicateColumn::Name:
        text = textOrBlank(node.FileName());
        break;
    case DuplicateColumn::Ext:
        text = textOrBlank(node.fileExt());
        break;
    case DuplicateColumn::Size:
        text = byteCountText(node.FileSize());
        break;
    case DuplicateColumn::Date:
        text = textOrBlank(node.fileAddedDateString());
        break;
    case DuplicateColumn::Category:
        text = rules->typeString(node);
        break;
    case DuplicateColumn::Copies: {
        const DupGroup::Ptr group = node.dupGroup();
        text = group ? QLocale().toString(group->fileNumber()) : QStringLiteral(" ");
        break;
    }
    case DuplicateColumn::Actions:
        return std::nullopt;
    }
    return CellView{text, std::nullopt, std::nullopt};
}

void ShownGroups::outlineViewSelectionDidChange()
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
        m_engine.updateStatBar((*file)->filePath());
        return;
    }
    if (const DupGroup::Ptr *group = groupOf(item)) {
        QTimer::singleShot(0, this, [this, group = *group] {
            if (m_dupOutlineView)
                m_dupOutlineView->expandItem(group);
        });
    }
    m_selectedNode = nullptr;
    m_engine.updateStatBar(QStringLiteral(" "));
}

void ShownGroups::outlineviewDoubleClick()
{
    if (!m_dupOutlineView || !m_desktopServices)
        return;
    const OutlineItem item = m_dupOutlineView->itemAtRow(m_dupOutlineView->selectedRow());
    if (const MyTreeNode::Ptr *file = fileOf(item))
        openFile(**file);
}

void ShownGroups::checkDupGroup(const QObject *sender)
{
    if (!m_dupOutlineView || !sender)
        return;
    const OutlineItem item = m_dupOutlineView->itemAtRow(m_dupOutlineView->rowForView(sender));
    if (const DupGroup::Ptr *group = groupOf(item))
        (*group)->setIsSelected(sender->property("checked").toBool());
    Q_EMIT showDupGroupsChanged(ShownGroupsChange::DataChanged);
}

void ShownGroups::openDupInFinder(const QObject *sender)
{
    if (!m_dupOutlineView || !m_desktopServices || !sender)
        return;
    const OutlineItem item = m_dupOutlineView->itemAtRow(m_dupOutlineView->rowForView(sender));
    if (const MyTreeNode::Ptr *file = fileOf(item))
        m_desktopServices->revealItems({(*file)->FileURL()});
}

void ShownGroups::openDup(const QObject *sender)
{
    if (!m_dupOutlineView || !m_desktopServices || !sender)
        return;
    const OutlineItem item = m_dupOutlineView->itemAtRow(m_dupOutlineView->rowForView(sender));
    if (const MyTreeNode::Ptr *file = fileOf(item))
        openFile(**file);
}

void ShownGroups::openFile(const MyTreeNode &file)
{
    if (!m_desktopServices->openFile(file.FileURL()))
        //% "No application opens %1."
        Q_EMIT actionFailed(StringTable::text("OPEN_FILE_FAILED").arg(file.filePath()));
}

QList<MyTreeNode::Ptr> ShownGroups::filesOfRows(const QList<qint64> &rows) const
{
    QList<MyTreeNode::Ptr> files;
    QSet<const MyTreeNode *> taken;
    const auto take = [&](const MyTreeNode::Ptr &file) {
        if (!taken.contains(file.get())) {
            taken.insert(file.get());
            files.append(file);
        }
    };
    for (const qint64 row : rows) {
        const OutlineItem item = m_dupOutlineView ? m_dupOutlineView->itemAtRow(row) : OutlineItem();
        if (const MyTreeNode::Ptr *file = fileOf(item))
            take(*file);
        else if (const DupGroup::Ptr *group = groupOf(item))
            for (const MyTreeNode::Ptr &member : childsInShownOrder(**group))
                take(member);
    }
    return files;
}
