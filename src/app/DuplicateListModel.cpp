#include "app/DuplicateListModel.h"

#include "app/RowPictures.h"
#include "browser/ViewInterfaces.h"
#include "clean/CleanRules.h"
#include "platform/Desktop.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"
#include "scan/SourceNodeManager.h"

#include <QFont>
#include <QLocale>
#include <QMimeData>
#include <QSet>
#include <QStyle>

#include <algorithm>

namespace {

// Beyond this many separate runs of rows coming or going, a rebuild is shown as one change of the
// layout: each run costs a pass over the rows.
constexpr int maxRunsInPlace = 64;

QString folderOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? path.left(slash + 1) : path.left(slash);
}

} // namespace

DuplicateListModel::DuplicateListModel(ShownGroups &shown, DupOutlineView *view, QObject *parent)
    : QAbstractTableModel(parent), m_shown(shown), m_view(view)
{
    connect(&shown, &ShownGroups::showDupGroupsChanged, this, &DuplicateListModel::shownGroupsChanged);
    connect(&shown, &ShownGroups::groupMembersChanged, this,
            [this](const DupGroup *group) { groupMembersChanged(group); });
    connect(&shown, &ShownGroups::groupPictureChanged, this, &DuplicateListModel::groupPictureChanged);
    m_memberChangeBatch.setSingleShot(true);
    m_memberChangeBatch.setInterval(50);
    connect(&m_memberChangeBatch, &QTimer::timeout, this, &DuplicateListModel::followMemberChanges);
    if (shown.showDupGroups())
        followRebuildInPlace(*shown.showDupGroups());
}

int DuplicateListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_firstRow.back();
}

int DuplicateListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

int DuplicateListModel::entryAtRow(int row) const
{
    if (row < 0 || row >= m_firstRow.back())
        return -1;
    return int(std::upper_bound(m_firstRow.begin(), m_firstRow.end(), row) - m_firstRow.begin()) - 1;
}

OutlineItem DuplicateListModel::itemAtRow(qint64 row) const
{
    const int entry = entryAtRow(int(std::clamp<qint64>(row, -1, m_firstRow.back())));
    if (entry < 0)
        return {};
    const int offset = int(row) - m_firstRow[size_t(entry)];
    if (offset == 0)
        return m_entries[entry].group;
    return m_entries[entry].files[offset - 1];
}

bool DuplicateListModel::isGroupRow(int row) const
{
    const int entry = entryAtRow(row);
    return entry >= 0 && m_firstRow[size_t(entry)] == row;
}

int DuplicateListModel::groupRowOf(int row) const
{
    const int entry = entryAtRow(row);
    return entry < 0 ? -1 : m_firstRow[size_t(entry)];
}

int DuplicateListModel::rowOfGroup(const DupGroup *group) const
{
    const int entry = m_entryOf.value(group, -1);
    return entry < 0 ? -1 : m_firstRow[size_t(entry)];
}

bool DuplicateListModel::isExpanded(int groupRow) const
{
    const int entry = entryAtRow(groupRow);
    return entry >= 0 && m_entries[entry].expanded;
}

std::optional<ShownGroups::CellView> DuplicateListModel::groupCell(int row) const
{
    const int entry = entryAtRow(row);
    if (entry < 0 || m_firstRow[size_t(entry)] != row)
        return std::nullopt;
    // Asking for the group as a row of the list gives it its category name, once.
    m_shown.outlineView_child_ofItem(m_view, entry, {});
    return m_shown.outlineView_viewForTableColumn_item(m_view, DuplicateColumn::Index,
                                                       m_entries[entry].group);
}

QVariant DuplicateListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const int row = index.row();
    if (isGroupRow(row)) {
        // A group row shows no text in its columns (its one cell is drawn across them), so inserting
        // a file below it changes no column's text.
        if (index.column() != 0)
            return {};
        if (role == Qt::AccessibleTextRole || role == Qt::ToolTipRole) {
            const auto cell = groupCell(row);
            return cell ? cell->text : QVariant();
        }
        if (role == Qt::CheckStateRole)
            return std::get<DupGroup::Ptr>(itemAtRow(row))->isSelected() ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    const int column = index.column();
    switch (role) {
    case Qt::TextAlignmentRole:
        if (column == SizeColumn || column == CopiesColumn)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case Qt::FontRole:
        if (column == NameColumn && (isKeptFile(row) || isProtectedFile(row))) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    case Qt::DecorationRole:
        if (column == NameColumn && isProtectedFile(row))
            return RowPictures::themed("object-locked", QStyle::SP_MessageBoxWarning);
        if (column == NameColumn && isKeptFile(row))
            return RowPictures::themed("emblem-default", QStyle::SP_DialogApplyButton);
        return {};
    case Qt::ToolTipRole:
        return toolTip(row, column);
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        break;
    default:
        return {};
    }
    const auto cell =
        m_shown.outlineView_viewForTableColumn_item(m_view, DuplicateColumn(column), itemAtRow(row));
    if (!cell)
        return {};
    // The name has a column of its own: the path column shows where the copy is, the whole path
    // being its tool tip.
    if (column == PathColumn && role == Qt::DisplayRole)
        return folderOf(cell->text);
    return cell->text;
}

QString DuplicateListModel::toolTip(int row, int column) const
{
    const OutlineItem item = itemAtRow(row);
    const auto *found = std::get_if<MyTreeNode::Ptr>(&item);
    if (!found || !*found)
        return {};
    const MyTreeNode &file = **found;
    switch (column) {
    case PathColumn:
        return file.filePath();
    case NameColumn:
        if (isProtectedFile(row))
            //% "In a protected source: never removed, moved or trashed."
            return StringTable::text("PROTECTED_FILE_TIP");
        //% "A clean-up by the current rules keeps this file."
        return isKeptFile(row) ? StringTable::text("KEPT_FILE_TIP") : QString();
    case SizeColumn:
        //% "%1 byte(s)"
        return StringTable::text("BYTE_COUNT_STRING", file.FileSize())
            .arg(QLocale().toString(file.FileSize()));
    case DateColumn:
        if (file.isAddedDateModificationDate())
            //% "The date the file was last modified: its file system records no date of creation."
            return StringTable::text("ADDED_IS_MODIFIED_TIP");
        if (!file.fileAddedDateString())
            //% "The file system records no date for this file."
            return StringTable::text("NO_ADDED_DATE_TIP");
        return {};
    default:
        return {};
    }
}

QVariant DuplicateListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    switch (section) {
    case IndexColumn:
        // The number of the source, as the source list numbers it.
        return StringTable::text("SOURCE_COLUMN_INDEX");
    case PathColumn:
        //% "Folder"
        return StringTable::text("COLUMN_FOLDER");
    case NameColumn:
        //% "Name"
        return StringTable::text("COLUMN_FILE_NAME");
    case ExtColumn:
        //% "Ext."
        return StringTable::text("COLUMN_EXTENSION");
    case SizeColumn:
        //% "Size"
        return StringTable::text("COLUMN_FILE_SIZE");
    case DateColumn:
        //% "Added"
        return StringTable::text("COLUMN_DATE");
    case CategoryColumn:
        //% "Category"
        return StringTable::text("COLUMN_CATEGORY");
    case CopiesColumn:
        //% "Copies"
        return StringTable::text("COLUMN_COPIES");
    default:
        return QString();
    }
}

Qt::ItemFlags DuplicateListModel::flags(const QModelIndex &index) const
{
    return index.isValid()
               ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren
               : Qt::NoItemFlags;
}

QStringList DuplicateListModel::mimeTypes() const
{
    return {QStringLiteral("text/uri-list"), QStringLiteral("text/plain")};
}

QMimeData *DuplicateListModel::mimeData(const QModelIndexList &indexes) const
{
    QList<qint64> rows;
    for (const QModelIndex &index : indexes) {
        if (!rows.contains(index.row()))
            rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    const QList<MyTreeNode::Ptr> files = m_shown.filesOfRows(rows);
    if (files.isEmpty())
        return nullptr;
    QByteArray uris;
    QStringList paths;
    for (const MyTreeNode::Ptr &file : files) {
        uris += Desktop::fileUri(file->FileURL()) + "\r\n";
        paths.append(file->filePath());
    }
    auto *data = new QMimeData;
    data->setData(QStringLiteral("text/uri-list"), uris);
    data->setText(paths.join(u'\n'));
    return data;
}

void DuplicateListModel::followCleanRules()
{
    CleanTaskOptions rules =
        CleanTaskOptions::fromSettings(UserDefaults::standard(), m_shown.allShowDupGroupFileExt());
    rules.protection = m_shown.engine().protection();
    if (rules == m_cleanRules)
        return;
    m_cleanRules = rules;
    m_keptFiles.clear();
}

bool DuplicateListModel::isProtectedFile(int row) const
{
    const OutlineItem item = itemAtRow(row);
    const auto *file = std::get_if<MyTreeNode::Ptr>(&item);
    return file && *file && m_cleanRules.protection.covers((*file)->FileURL());
}

bool DuplicateListModel::isKeptFile(int row) const
{
    const int entry = entryAtRow(row);
    if (entry < 0 || m_firstRow[size_t(entry)] == row)
        return false;
    const Entry &shown = m_entries[entry];
    auto kept = m_keptFiles.find(shown.group.get());
    if (kept == m_keptFiles.end()) {
        QSet<const MyTreeNode *> files;
        for (const MyTreeNode::Ptr &file : CleanRules::keptMembers(*shown.group, m_cleanRules))
            files.insert(file.get());
        kept = m_keptFiles.insert(shown.group.get(), files);
    }
    // A group the clean-up leaves alone keeps every file: nothing to point out.
    return kept->size() < shown.group->childs().size() &&
           kept->contains(shown.files[row - m_firstRow[size_t(entry)] - 1].get());
}

SortDescriptor DuplicateListModel::sortDescriptorOf(int column, Qt::SortOrder order)
{
    const auto key = column < 0 || column >= ColumnCount ? std::nullopt : sortKeyOf(DuplicateColumn(column));
    if (!key)
        return {};
    return {QString(*key), order == Qt::AscendingOrder};
}

int DuplicateListModel::columnOfSortKey(const QString &key)
{
    for (const DuplicateColumn column : allDuplicateColumns) {
        if (sortKeyOf(column) == key)
            return int(column);
    }
    return -1;
}

DuplicateListModel::Entry DuplicateListModel::entryFor(const DupGroup::Ptr &group, bool expanded) const
{
    return {group, expanded ? m_shown.childsInShownOrder(*group) : QList<MyTreeNode::Ptr>(), expanded};
}

void DuplicateListModel::recount()
{
    m_firstRow.resize(size_t(m_entries.size()) + 1);
    m_entryOf.clear();
    m_entryOf.reserve(m_entries.size());
    int row = 0;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        m_firstRow[size_t(i)] = row;
        row += rowsOf(m_entries[i]);
        m_entryOf.insert(m_entries[i].group.get(), int(i));
    }
    m_firstRow.back() = row;
}

void DuplicateListModel::allDataChanged()
{
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

void DuplicateListModel::shownGroupsChanged(ShownGroups::ShownGroupsChange change)
{
    // Whatever follows reads every group's members and ticks afresh.
    m_keptFiles.clear();
    m_changedGroups.clear();
    m_memberChangeBatch.stop();
    const QList<DupGroup::Ptr> groups = m_shown.showDupGroups().value_or(QList<DupGroup::Ptr>());
    switch (change) {
    case ShownGroups::ShownGroupsChange::Replaced:
        if (!followRebuildInPlace(groups)) {
            QList<Entry> entries;
            entries.reserve(groups.size());
            for (const DupGroup::Ptr &group : groups) {
                const int old = m_entryOf.value(group.get(), -1);
                entries.append(entryFor(group, old >= 0 && m_entries[old].expanded));
            }
            relayout(std::move(entries));
        }
        allDataChanged();
        break;
    case ShownGroups::ShownGroupsChange::Sorted: {
        QList<Entry> entries;
        entries.reserve(m_entries.size());
        for (const DupGroup::Ptr &group : groups) {
            const int old = m_entryOf.value(group.get(), -1);
            entries.append(entryFor(group, old >= 0 && m_entries[old].expanded));
        }
        relayout(std::move(entries));
        allDataChanged();
        break;
    }
    case ShownGroups::ShownGroupsChange::DataChanged:
        allDataChanged();
        break;
    }
}

bool DuplicateListModel::followRebuildInPlace(const QList<DupGroup::Ptr> &groups)
{
    QSet<const DupGroup *> incoming;
    incoming.reserve(groups.size());
    for (const DupGroup::Ptr &group : groups)
        incoming.insert(group.get());

    // Runs of entries that go, as [first, last] entry numbers.
    QList<std::pair<int, int>> leaving;
    for (int i = 0; i < m_entries.size(); ++i) {
        if (incoming.contains(m_entries[i].group.get()))
            continue;
        if (!leaving.isEmpty() && leaving.last().second == i - 1)
            leaving.last().second = i;
        else
            leaving.append({i, i});
    }
    // Runs of groups that come, as [first, last] positions in the new list; the groups that stay must
    // keep their order.
    QList<std::pair<int, int>> coming;
    int kept = 0;
    for (int i = 0; i < groups.size(); ++i) {
        const int old = m_entryOf.value(groups[i].get(), -1);
        if (old >= 0) {
            while (kept < m_entries.size() && !incoming.contains(m_entries[kept].group.get()))
                ++kept;
            if (kept >= m_entries.size() || m_entries[kept].group != groups[i])
                return false;
            ++kept;
            continue;
        }
        if (!coming.isEmpty() && coming.last().second == i - 1)
            coming.last().second = i;
        else
            coming.append({i, i});
    }
    if (leaving.size() + coming.size() > maxRunsInPlace)
        return false;

    for (auto run = leaving.crbegin(); run != leaving.crend(); ++run) {
        beginRemoveRows({}, m_firstRow[size_t(run->first)], m_firstRow[size_t(run->second) + 1] - 1);
        m_entries.remove(run->first, run->second - run->first + 1);
        recount();
        endRemoveRows();
    }
    for (const auto &[first, last] : std::as_const(coming)) {
        const int row = m_firstRow[size_t(first)];
        beginInsertRows({}, row, row + (last - first));
        for (int i = first; i <= last; ++i)
            m_entries.insert(i, entryFor(groups[i], false));
        recount();
        endInsertRows();
    }
    // Groups that stayed may hold other files than the list showed.
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].expanded)
            replaceFiles(i, m_shown.childsInShownOrder(*m_entries[i].group));
    }
    return true;
}

void DuplicateListModel::replaceFiles(int entry, QList<MyTreeNode::Ptr> files)
{
    Entry &shown = m_entries[entry];
    if (files == shown.files)
        return;
    const int groupRow = m_firstRow[size_t(entry)];
    const auto without = [](QList<MyTreeNode::Ptr> list, qsizetype at) {
        list.removeAt(at);
        return list;
    };
    // One file more or one fewer: the usual change, a file joining or leaving during a scan.
    for (qsizetype i = 0; i < files.size() && files.size() == shown.files.size() + 1; ++i) {
        if (without(files, i) == shown.files) {
            beginInsertRows({}, groupRow + 1 + int(i), groupRow + 1 + int(i));
            shown.files = std::move(files);
            recount();
            endInsertRows();
            return;
        }
    }
    for (qsizetype i = 0; i < shown.files.size() && files.size() + 1 == shown.files.size(); ++i) {
        if (without(shown.files, i) == files) {
            beginRemoveRows({}, groupRow + 1 + int(i), groupRow + 1 + int(i));
            shown.files = std::move(files);
            recount();
            endRemoveRows();
            return;
        }
    }
    if (!shown.files.isEmpty()) {
        beginRemoveRows({}, groupRow + 1, groupRow + int(shown.files.size()));
        shown.files.clear();
        recount();
        endRemoveRows();
    }
    if (!files.isEmpty()) {
        beginInsertRows({}, groupRow + 1, groupRow + int(files.size()));
        shown.files = std::move(files);
        recount();
        endInsertRows();
    }
}

void DuplicateListModel::relayout(QList<Entry> entries)
{
    Q_EMIT layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    struct Identity
    {
        const DupGroup *group;
        const MyTreeNode *file;
        int column;
    };
    std::vector<Identity> identities;
    identities.reserve(size_t(before.size()));
    for (const QModelIndex &index : before) {
        const int entry = entryAtRow(index.row());
        const int offset = entry < 0 ? 0 : index.row() - m_firstRow[size_t(entry)];
        identities.push_back({entry < 0 ? nullptr : m_entries[entry].group.get(),
                              offset > 0 ? m_entries[entry].files[offset - 1].get() : nullptr,
                              index.column()});
    }
    m_entries = std::move(entries);
    recount();
    QModelIndexList after;
    after.reserve(before.size());
    for (const Identity &identity : identities) {
        const int entry = m_entryOf.value(identity.group, -1);
        int row = -1;
        if (entry >= 0 && !identity.file) {
            row = m_firstRow[size_t(entry)];
        } else if (entry >= 0) {
            const QList<MyTreeNode::Ptr> &files = m_entries[entry].files;
            const auto found = std::find_if(files.begin(), files.end(), [&](const MyTreeNode::Ptr &file) {
                return file.get() == identity.file;
            });
            if (found != files.end())
                row = m_firstRow[size_t(entry)] + 1 + int(found - files.begin());
        }
        after.append(row < 0 ? QModelIndex() : index(row, identity.column));
    }
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged();
}

void DuplicateListModel::setExpanded(const QList<DupGroup::Ptr> &groups, bool expanded)
{
    QList<int> changing;
    for (const DupGroup::Ptr &group : groups) {
        const int entry = m_entryOf.value(group.get(), -1);
        if (entry >= 0 && m_entries[entry].expanded != expanded)
            changing.append(entry);
    }
    if (changing.isEmpty())
        return;
    if (changing.size() == 1) {
        Entry &entry = m_entries[changing.first()];
        entry.expanded = expanded;
        replaceFiles(changing.first(),
                     expanded ? m_shown.childsInShownOrder(*entry.group) : QList<MyTreeNode::Ptr>());
        const int row = m_firstRow[size_t(changing.first())];
        Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
        return;
    }
    QList<Entry> entries = m_entries;
    for (const int entry : std::as_const(changing))
        entries[entry] = entryFor(entries[entry].group, expanded);
    relayout(std::move(entries));
}

void DuplicateListModel::groupMembersChanged(const DupGroup *group)
{
    if (!m_entryOf.contains(group))
        return;
    m_changedGroups.insert(group);
    if (!m_memberChangeBatch.isActive())
        m_memberChangeBatch.start();
}

void DuplicateListModel::followMemberChanges()
{
    const QSet<const DupGroup *> changed = std::exchange(m_changedGroups, {});
    for (const DupGroup *group : changed)
        m_keptFiles.remove(group);
    for (const DupGroup *group : changed) {
        const int entry = m_entryOf.value(group, -1);
        if (entry >= 0 && m_entries[entry].expanded)
            replaceFiles(entry, m_shown.childsInShownOrder(*m_entries[entry].group));
    }
    // One change over the rows of all the groups, once the files have moved them where they are.
    int first = rowCount(), last = -1;
    for (const DupGroup *group : changed) {
        if (const int entry = m_entryOf.value(group, -1); entry >= 0) {
            first = std::min(first, m_firstRow[size_t(entry)]);
            last = std::max(last, m_firstRow[size_t(entry)]);
        }
    }
    if (last >= 0)
        Q_EMIT dataChanged(index(first, 0), index(last, ColumnCount - 1));
}

void DuplicateListModel::groupPictureChanged(const DupGroup *group)
{
    const int row = rowOfGroup(group);
    if (row >= 0)
        Q_EMIT dataChanged(index(row, 0), index(row, 0), {Qt::DecorationRole});
}
