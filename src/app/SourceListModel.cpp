#include "app/SourceListModel.h"

#include "app/RowPictures.h"
#include "browser/ShownGroups.h"
#include "platform/StringTable.h"
#include "scan/SourceNodeManager.h"

#include <QLocale>
#include <QStyle>

namespace {

constexpr const char *sortKeys[SourceListModel::ColumnCount] = {
    "index", "rootPath", "totalFileNumber", "totalFileSize", "isRunning", nullptr};

QString stateText(const RootNode &root)
{
    if (!root.isRunning() && root.isStopped())
        //% "Stopped"
        return StringTable::text("SOURCE_STATE_STOPPED");
    if (!root.isRunning())
        //% "Done"
        return StringTable::text("SOURCE_STATE_DONE");
    if (root.isFinished())
        //% "Stopping…"
        return StringTable::text("SOURCE_STATE_STOPPING");
    //% "Scanning…"
    return StringTable::text("SOURCE_STATE_SCANNING");
}

} // namespace

SourceListModel::SourceListModel(SourceNodeManager &manager, QObject *parent)
    : QAbstractTableModel(parent), m_manager(manager), m_roots(manager.rootController().arrangedObjects())
{
    connect(&manager, &SourceNodeManager::sourcesChanged, this, &SourceListModel::sourcesChanged);
    connect(&manager, &SourceNodeManager::statBarStringChanged, this, &SourceListModel::countsChanged);
}

int SourceListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_roots.size());
}

int SourceListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SourceListModel::data(const QModelIndex &index, int role) const
{
    const RootNode::Ptr root = index.isValid() ? sourceAt(index.row()) : nullptr;
    if (!root)
        return {};
    const QLocale locale;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        switch (index.column()) {
        case IndexColumn:
            return QString::number(root->index());
        case PathColumn: {
            // The list is narrow: it shows each source's name, and its path as the tool tip and the
            // status text when it is selected.
            const QString path = root->rootURL().displayPath();
            if (role == Qt::AccessibleTextRole || path == QLatin1String("/"))
                return path;
            return path.mid(path.lastIndexOf(u'/') + 1);
        }
        case FilesColumn:
            return locale.toString(root->totalFileNumber());
        case SizeColumn:
            // The list is narrow: one decimal.
            return ShownGroups::byteCountText(root->totalFileSize(), 1);
        case StateColumn:
            return stateText(*root);
        default:
            return {};
        }
    case Qt::DecorationRole:
        if (index.column() == StateColumn && root->isProtected())
            return RowPictures::themed("object-locked", QStyle::SP_MessageBoxWarning);
        if (index.column() == PathColumn && root->icon())
            return RowPictures::icon(*root->icon());
        return {};
    case Qt::ToolTipRole:
        if (index.column() == PathColumn)
            return root->rootURL().displayPath();
        if (index.column() == StateColumn && root->isProtected())
            //% "Protected: nothing here is removed, moved or trashed."
            return StringTable::text("SOURCE_PROTECTED_TIP");
        if (index.column() == StateColumn && !root->isRunning() && root->isStopped())
            //% "The scan was stopped: the source holds the %1 file(s) (%2) it took in before."
            return StringTable::text("SOURCE_STOPPED_TIP", root->totalFileNumber())
                .arg(locale.toString(root->totalFileNumber()),
                     ShownGroups::byteCountText(root->totalFileSize()));
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == FilesColumn || index.column() == SizeColumn || index.column() == IndexColumn)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant SourceListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case IndexColumn:
        //% "#"
        return StringTable::text("SOURCE_COLUMN_INDEX");
    case PathColumn:
        //% "Source"
        return StringTable::text("SOURCE_COLUMN_PATH");
    case FilesColumn:
        //% "Files"
        return StringTable::text("SOURCE_COLUMN_FILES");
    case SizeColumn:
        //% "Size"
        return StringTable::text("SOURCE_COLUMN_SIZE");
    case StateColumn:
        //% "State"
        return StringTable::text("SOURCE_COLUMN_STATE");
    default:
        return QString();
    }
}

SortDescriptor SourceListModel::sortDescriptorOf(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount || !sortKeys[column])
        return {};
    return {QString::fromLatin1(sortKeys[column]), order == Qt::AscendingOrder};
}

void SourceListModel::sourcesChanged()
{
    const QList<RootNode::Ptr> &arranged = m_manager.rootController().arrangedObjects();
    for (int row = int(m_roots.size()) - 1; row >= 0; --row) {
        if (arranged.contains(m_roots[row]))
            continue;
        beginRemoveRows({}, row, row);
        m_roots.removeAt(row);
        endRemoveRows();
    }
    QList<RootNode::Ptr> keptInNewOrder;
    for (const RootNode::Ptr &root : arranged) {
        if (m_roots.contains(root))
            keptInNewOrder.append(root);
    }
    if (keptInNewOrder != m_roots) {
        Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        const QModelIndexList before = persistentIndexList();
        QModelIndexList after;
        for (const QModelIndex &index : before)
            after.append(this->index(int(keptInNewOrder.indexOf(m_roots[index.row()])), index.column()));
        m_roots = keptInNewOrder;
        changePersistentIndexList(before, after);
        Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }
    for (int row = 0; row < arranged.size(); ++row) {
        if (row < m_roots.size() && m_roots[row] == arranged[row])
            continue;
        beginInsertRows({}, row, row);
        m_roots.insert(row, arranged[row]);
        endInsertRows();
    }
    if (!m_roots.isEmpty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

void SourceListModel::countsChanged()
{
    // Only sources still being scanned change; the rest keep their counts.
    for (int row = 0; row < m_roots.size(); ++row) {
        if (m_roots[row]->isRunning())
            Q_EMIT dataChanged(index(row, FilesColumn), index(row, StateColumn));
    }
}
