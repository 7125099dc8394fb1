#pragma once

#include "browser/DuplicateColumn.h"
#include "model/DupGroup.h"
#include "model/MemberObserver.h"
#include "model/MyTreeNode.h"
#include "model/OutlineItem.h"
#include "platform/Image.h"
#include "platform/SortDescriptor.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class DesktopServices;
class DupOutlineView;
class SourceNodeManager;

// The duplicate list's content over the engine's findings: the groups of duplicates in the order the
// user chose, narrowed by the user's filter, the file each group row describes, the text of each cell,
// the extensions of the shown files and the statistics text; and what the user does in the list
// (sorting, filtering, ticking, opening, revealing, the group actions). It follows the engine's notices
// and announces its own, on which the list's item model acts. Main thread only.
//
// What the list shows is what a clean-up and an export work on: a group the filter hides is neither
// removed from nor reported.
class ShownGroups : public QObject
{
    Q_OBJECT
public:
    explicit ShownGroups(SourceNodeManager &engine);

    SourceNodeManager &engine() const { return m_engine; }
    void setDupOutlineView(DupOutlineView *view) { m_dupOutlineView = view; }
    // Who opens and reveals files: the desktop, or a fake in tests.
    void setDesktopServices(DesktopServices *services) { m_desktopServices = services; }

    // No list until the engine's first summary.
    const std::optional<QList<DupGroup::Ptr>> &showDupGroups() const { return m_showDupGroups; }
    // The groups of duplicates in the user's order before the filter.
    const QList<DupGroup::Ptr> &allDupGroups() const { return m_allGroups; }
    // The distinct extensions of the shown groups' files, sorted.
    const QStringList &allShowDupGroupFileExt() const { return m_extensions; }
    QString dupGroupStatString() const { return m_dupGroupStatString; }
    // The duplicate list's last sort order, reapplied after every rebuild; no value until the user sorts.
    const std::optional<SortDescriptors> &outlineviewSortDesc() const { return m_outlineviewSortDesc; }
    // The file row the user selected last; its group row describes it.
    MyTreeNode::Ptr selectedNode() const { return m_selectedNode; }

    // --- Order ------------------------------------------------------------------------------------
    // Orders the shown groups by the first descriptor when it names a group property ("fileNumber",
    // "fileSize", "fileExt", "categoryString"); by any other key, orders the files inside every group
    // instead, as childsInShownOrder gives them. Sends no notice.
    void sortShowGroups(const SortDescriptors &descriptors);
    void outlineView_sortDescriptorsDidChange(DupOutlineView *view, const SortDescriptors &oldDescriptors);
    // A group's files in the order the list shows them: the order of the last sort by a file
    // property, else the group's own (by addedDate). The group keeps its own order, by which it finds
    // its members.
    QList<MyTreeNode::Ptr> childsInShownOrder(const DupGroup &group) const;
    // The action control above the list, by its "selectedSegment": tick all, untick all, collapse all,
    // expand all.
    void dupSegmentAction(const QObject *sender);

    // --- Filter -------------------------------------------------------------------------------
    // Shows only the groups with a file whose path holds the text (ignoring the case of ASCII letters),
    // or, when the text holds *, ? or [, whose name or path matches it as a shell pattern; an empty
    // text shows every group.
    void setFilterText(const QString &text);
    QString filterText() const { return m_filterText; }
    // Whether the group has a file that the filter text names, as setFilterText says.
    static bool groupMatches(const DupGroup &group, const QString &filterText);

    // --- Rows and cells ---------------------------------------------------------------------------
    // The group at the index of the root (item none) or the file at the index of a group. A group also
    // gets its category name, the first time it is asked for.
    OutlineItem outlineView_child_ofItem(DupOutlineView *view, qint64 index, const OutlineItem &item);
    // What a cell shows. A group has one cell across the row (any column): picture, tick and the
    // description of its shown file; none while it holds fewer than two files. A file has one per column.
    struct CellView
    {
        QString text;
        std::optional<Image> image;
        std::optional<bool> checkBox;
    };
    std::optional<CellView> outlineView_viewForTableColumn_item(DupOutlineView *view, DuplicateColumn column,
                                                                const OutlineItem &item);
    // The file a group row describes: the selected file when the group holds it, else its first.
    MyTreeNode::Ptr shownFileOfGroup(const DupGroup &group) const;
    // A size for people: bytes below one kibibyte, else KiB, MiB, GiB, ... with the decimals asked
    // for, in the user's locale.
    static QString byteCountText(qint64 bytes, int decimals = 2);

    // --- What the user does -------------------------------------------------------------------
    void outlineViewSelectionDidChange();
    void outlineviewDoubleClick();
    // Actions of controls inside rows; a check box tells its state by its "checked" property.
    void checkDupGroup(const QObject *sender);
    void openDupInFinder(const QObject *sender);
    void openDup(const QObject *sender);
    // The files of the rows: a file row gives its file, a group row every file of the group in the
    // order shown; each file once, in the order of the rows.
    QList<MyTreeNode::Ptr> filesOfRows(const QList<qint64> &rows) const;
    // The sources were renumbered: the rows' source numbers change.
    void sourceNumbersChanged() { Q_EMIT showDupGroupsChanged(ShownGroupsChange::DataChanged); }

    enum class ShownGroupsChange {
        // showDupGroups was rebuilt: groups may have come, gone or moved.
        Replaced,
        // The same groups in another order, or the files inside groups in another order.
        Sorted,
        // What the rows show changed: ticks, the file a group row describes, source numbers.
        DataChanged,
    };
Q_SIGNALS:
    void showDupGroupsChanged(ShownGroups::ShownGroupsChange change);
    // The engine's member and picture notices, passed on for the list's model.
    void groupMembersAboutToChange(const DupGroup *group, MemberObserver::Change change, qsizetype position);
    void groupMembersChanged(const DupGroup *group, MemberObserver::Change change, qsizetype position);
    void groupPictureChanged(const DupGroup *group);
    // The statistics text was made anew.
    void statisticsChanged();
    // An action the user asked for could not be done (no application opens the file); the text says
    // so for people.
    void actionFailed(const QString &text);

private:
    // Takes over the engine's new summary: the shown list, in the user's order, its extensions and
    // its statistics. Groups of empty files that join the list start unticked: removing them frees
    // nothing, and programs look for many of them.
    void rebuild();
    // The shown list anew from the whole list and the filter.
    void applyFilter();
    void updateDupGroupStat();
    // Opens the file with its application, and says so when none does.
    void openFile(const MyTreeNode &file);
    // Gives the group its category name when it has none yet.
    void nameCategory(DupGroup &group) const;

    SourceNodeManager &m_engine;
    DupOutlineView *m_dupOutlineView = nullptr;
    DesktopServices *m_desktopServices = nullptr;
    std::optional<QList<DupGroup::Ptr>> m_showDupGroups;
    QList<DupGroup::Ptr> m_allGroups;
    QString m_filterText;
    QStringList m_extensions;
    QString m_dupGroupStatString;
    std::optional<SortDescriptors> m_outlineviewSortDesc;
    // The descriptor of the last sort by a file property, which orders the files of every group.
    std::optional<SortDescriptor> m_fileOrder;
    MyTreeNode::Ptr m_selectedNode;
};
