#pragma once

#include "browser/ViewInterfaces.h"

#include <QTreeView>

class DuplicateListDelegate;
class DuplicateListModel;
class CleanController;
class ShownGroups;

// The duplicate list: groups of duplicates with their files below them while expanded. Draws a
// group row as one cell across the row, passes clicks on a row's check box and buttons, the header's
// sort order, selection and double clicks to the manager, and answers the manager's questions about
// rows.
//
// Keys: Space ticks or unticks the current group, Enter opens the current file (or expands and
// collapses a group), Right and Left (or + and -) expand and collapse, Ctrl+Shift+O shows the file
// in the file browser, Delete sends it to the trash, Ctrl+C copies the paths of the selected rows;
// the context menu offers the same. Selected rows can be dragged out to a file manager.
class DuplicateListView : public QTreeView, public DupOutlineView
{
    Q_OBJECT
public:
    DuplicateListView(ShownGroups &shown, CleanController &clean, QWidget *parent = nullptr);

    DuplicateListModel &listModel() const { return *m_model; }

    // DupOutlineView
    qint64 selectedRow() const override;
    void selectRow(qint64 row) override;
    qint64 rowForView(const QObject *control) const override;
    OutlineItem itemAtRow(qint64 row) const override;
    void expandItem(const DupGroup::Ptr &group) override;
    void collapseItem(const DupGroup::Ptr &group) override;
    void expandItems(const QList<DupGroup::Ptr> &groups) override;
    void collapseItems(const QList<DupGroup::Ptr> &groups) override;
    SortDescriptors sortDescriptors() const override;

    // The row's own actions, as the keyboard and the context menu reach them.
    void toggleTick(int row);
    void openFileAt(int row);
    void revealFileAt(int row);
    void trashFileAt(int row);
    void toggleExpanded(int row, std::optional<bool> expand = std::nullopt);
    void toggleGroupAt(int row) { toggleExpanded(row); }
    // Puts the paths of the selected rows' files on the clipboard, one per line.
    void copySelectedPaths();

    // Group rows of one line without pictures.
    void setCompact(bool compact);
    bool isCompact() const;

    int sizeHintForColumn(int column) const override;

protected:
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                 const QModelIndex &index) const override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;
    bool viewportEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QRect groupRowRect(int row) const;
    QRect actionsCellRect(int row) const;

    ShownGroups &m_shown;
    CleanController &m_clean;
    DuplicateListModel *m_model;
    DuplicateListDelegate *m_delegate;
    SortDescriptors m_sortDescriptors;
    int m_hoveredRow = -1;
};
