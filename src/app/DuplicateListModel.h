#pragma once

#include "browser/DuplicateColumn.h"
#include "browser/ShownGroups.h"
#include "clean/CleanTaskOptions.h"
#include "model/DupGroup.h"
#include "model/MyTreeNode.h"
#include "model/OutlineItem.h"
#include "platform/SortDescriptor.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QSet>
#include <QTimer>

#include <vector>

class DupOutlineView;

// The duplicate list as Qt rows: each shown group, followed by its files while it is expanded.
// The rows are flat (no children in Qt's sense): a QTreeView over a two-level model slows with the
// square of the groups when expanding or sorting, over flat rows it does not.
//
// The model answers from a snapshot of its own (the groups in order, whether each is expanded, the
// files of expanded groups) and turns each of the shown groups' notices into inserted, removed or moved
// rows, or changed data, so the view keeps its selection, expansion and scroll position across a
// rebuild. Changes of groups' members, which a clean-up makes by the thousand, are followed in
// batches: a view asked to redraw one row at a time spends time in proportion to all the rows for
// each. Expansion lives here. Main thread only.
class DuplicateListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // The list's columns as Qt numbers them, in the order of DuplicateColumn.
    enum Column {
        IndexColumn = int(DuplicateColumn::Index),
        PathColumn = int(DuplicateColumn::Path),
        NameColumn = int(DuplicateColumn::Name),
        ExtColumn = int(DuplicateColumn::Ext),
        SizeColumn = int(DuplicateColumn::Size),
        DateColumn = int(DuplicateColumn::Date),
        CategoryColumn = int(DuplicateColumn::Category),
        CopiesColumn = int(DuplicateColumn::Copies),
        ActionsColumn = int(DuplicateColumn::Actions),
        ColumnCount = int(allDuplicateColumns.size())
    };

    DuplicateListModel(ShownGroups &shown, DupOutlineView *view, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Rows dragged out carry their files as "file://" URIs (every byte of a name kept) and as paths.
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction | Qt::LinkAction; }

    // The rules of the clean-up as the settings hold them now. When they differ from the rules the
    // marks were found by, the marks are found anew as rows are drawn; otherwise this costs one read of
    // the settings, not one per row.
    void followCleanRules();
    // Whether the file row shows the file a clean-up of its group keeps by the current rules.
    bool isKeptFile(int row) const;

    OutlineItem itemAtRow(qint64 row) const;
    bool isGroupRow(int row) const;
    // The row of the group, or of the group that holds the file row; -1 when none.
    int groupRowOf(int row) const;
    int rowOfGroup(const DupGroup *group) const;
    bool isExpanded(int groupRow) const;
    // The group's cell (picture, tick, text); none for a file row or a group of fewer than two files.
    std::optional<ShownGroups::CellView> groupCell(int row) const;

    // Expands or collapses the groups as one change of the rows.
    void setExpanded(const QList<DupGroup::Ptr> &groups, bool expanded);

    // The sort descriptor of a header click on the column; no key for columns that do not sort.
    static SortDescriptor sortDescriptorOf(int column, Qt::SortOrder order);
    static int columnOfSortKey(const QString &key);

private:
    struct Entry
    {
        DupGroup::Ptr group;
        // The files in the order shown; empty while collapsed.
        QList<MyTreeNode::Ptr> files;
        bool expanded = false;
    };

    // The tool tip of a file row's cell: the whole path, the exact size, what the date is.
    QString toolTip(int row, int column) const;
    void shownGroupsChanged(ShownGroups::ShownGroupsChange change);
    void groupMembersChanged(const DupGroup *group);
    // Shows the member changes gathered since the last batch.
    void followMemberChanges();
    void groupPictureChanged(const DupGroup *group);

    // Follows a rebuild by removing and inserting rows; false when the change is too scattered for
    // that to pay, or the groups kept changed their order.
    bool followRebuildInPlace(const QList<DupGroup::Ptr> &groups);
    // Shows the entries as one change of the layout, moving persistent indexes with their items.
    void relayout(QList<Entry> entries);
    Entry entryFor(const DupGroup::Ptr &group, bool expanded) const;
    void replaceFiles(int entry, QList<MyTreeNode::Ptr> files);
    void recount();
    int entryAtRow(int row) const;
    int rowsOf(const Entry &entry) const { return 1 + int(entry.files.size()); }
    void allDataChanged();

    ShownGroups &m_shown;
    DupOutlineView *m_view;
    QList<Entry> m_entries;
    // The row of each entry's group row, and the number of rows at the end.
    std::vector<int> m_firstRow{0};
    QHash<const DupGroup *, int> m_entryOf;
    QSet<const DupGroup *> m_changedGroups;
    QTimer m_memberChangeBatch;
    // In a protected folder, by the protection of m_cleanRules.
    bool isProtectedFile(int row) const;
    CleanTaskOptions m_cleanRules;
    // The files each group keeps by m_cleanRules, found when a row of the group is first drawn.
    mutable QHash<const DupGroup *, QSet<const MyTreeNode *>> m_keptFiles;
};
