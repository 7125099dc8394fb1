#include "app/DuplicateListView.h"

#include "app/DuplicateListDelegate.h"
#include "app/DuplicateListModel.h"
#include "app/MyTableCellView.h"
#include "app/RowControl.h"
#include "browser/ShownGroups.h"
#include "clean/CleanController.h"
#include "platform/StringTable.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QToolTip>

DuplicateListView::DuplicateListView(ShownGroups &shown, CleanController &clean, QWidget *parent)
    : QTreeView(parent), m_shown(shown), m_clean(clean), m_model(new DuplicateListModel(shown, this, this)),
      m_delegate(new DuplicateListDelegate(*m_model, this))
{
    setModel(m_model);
    setItemDelegate(m_delegate);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(false);
    setSelectionBehavior(SelectRows);
    setSelectionMode(ExtendedSelection);
    setDragEnabled(true);
    setDragDropMode(DragOnly);
    setDefaultDropAction(Qt::CopyAction);
    setAllColumnsShowFocus(true);
    setMouseTracking(true);
    setTextElideMode(Qt::ElideMiddle);
    //% "Duplicate groups"
    setAccessibleName(StringTable::text("DUPLICATE_LIST_NAME"));

    QHeaderView *header = this->header();
    header->setStretchLastSection(false);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setSectionResizeMode(QHeaderView::Interactive);
    // The name tells the copies of a group apart first: it takes the room there is.
    header->setSectionResizeMode(DuplicateListModel::NameColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(DuplicateListModel::ActionsColumn, QHeaderView::Fixed);
    // Wide enough for what the columns usually hold; the path takes the rest.
    const QFontMetrics metrics = fontMetrics();
    const auto fits = [&](const QString &sample) { return metrics.horizontalAdvance(sample) + 16; };
    const std::pair<int, int> widths[] = {
        {DuplicateListModel::IndexColumn, fits(m_model->headerData(0, Qt::Horizontal).toString())},
        {DuplicateListModel::PathColumn, fits(QStringLiteral("…/Pictures"))},
        {DuplicateListModel::ExtColumn, fits(QStringLiteral("jpeg"))},
        {DuplicateListModel::SizeColumn, fits(QStringLiteral("999.99 KiB"))},
        {DuplicateListModel::DateColumn, fits(QStringLiteral("2024-05-01  14:03:09"))},
        {DuplicateListModel::CategoryColumn, fits(QStringLiteral("Document"))},
        {DuplicateListModel::CopiesColumn,
         fits(m_model->headerData(DuplicateListModel::CopiesColumn, Qt::Horizontal).toString())},
    };
    for (const auto &[column, width] : widths)
        header->resizeSection(column, width);
    // Small enough for the source numbers and extensions: every pixel the others leave goes to the name.
    header->setMinimumSectionSize(fits(QStringLiteral("00")));
    // Narrow as it may be, the name column stays wide enough to tell the copies apart.
    header->resizeSection(DuplicateListModel::NameColumn,
                          fits(QStringLiteral("IMG_0042.jpeg")) + iconSize().width());
    header->resizeSection(DuplicateListModel::ActionsColumn,
                          DuplicateListDelegate::actionsWidth(fontMetrics()));
    connect(header, &QHeaderView::sortIndicatorChanged, this, [this](int column, Qt::SortOrder order) {
        const SortDescriptor descriptor = DuplicateListModel::sortDescriptorOf(column, order);
        if (descriptor.key.isEmpty()) {
            // A column without a sort key keeps the order there was.
            const QSignalBlocker blocker(this->header());
            const int previous = m_sortDescriptors.isEmpty()
                                     ? -1
                                     : DuplicateListModel::columnOfSortKey(m_sortDescriptors.first().key);
            this->header()->setSortIndicator(previous, m_sortDescriptors.isEmpty() ||
                                                               m_sortDescriptors.first().ascending
                                                           ? Qt::AscendingOrder
                                                           : Qt::DescendingOrder);
            return;
        }
        const SortDescriptors old = std::exchange(m_sortDescriptors, {descriptor});
        m_shown.outlineView_sortDescriptorsDidChange(this, old);
    });
    connect(this, &QTreeView::doubleClicked, this, [this](const QModelIndex &index) {
        if (!m_model->isGroupRow(index.row()) && index.column() != DuplicateListModel::ActionsColumn)
            m_shown.outlineviewDoubleClick();
    });
}

qint64 DuplicateListView::selectedRow() const
{
    // Of several rows, the one the user selected last.
    const QModelIndex current = currentIndex();
    if (current.isValid() && selectionModel()->isRowSelected(current.row(), {}))
        return current.row();
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void DuplicateListView::selectRow(qint64 row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    // A row selected among others stays with them.
    const bool kept = selectionModel()->isRowSelected(int(row), {});
    selectionModel()->setCurrentIndex(m_model->index(int(row), 0),
                                      kept ? QItemSelectionModel::NoUpdate
                                           : QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

qint64 DuplicateListView::rowForView(const QObject *control) const
{
    const QVariant row = control ? control->property("row") : QVariant();
    return row.isValid() ? row.toLongLong() : -1;
}

OutlineItem DuplicateListView::itemAtRow(qint64 row) const
{
    return m_model->itemAtRow(row);
}

void DuplicateListView::expandItem(const DupGroup::Ptr &group)
{
    m_model->setExpanded({group}, true);
}

void DuplicateListView::collapseItem(const DupGroup::Ptr &group)
{
    m_model->setExpanded({group}, false);
}

void DuplicateListView::expandItems(const QList<DupGroup::Ptr> &groups)
{
    m_model->setExpanded(groups, true);
}

void DuplicateListView::collapseItems(const QList<DupGroup::Ptr> &groups)
{
    m_model->setExpanded(groups, false);
}

SortDescriptors DuplicateListView::sortDescriptors() const
{
    return m_sortDescriptors;
}

void DuplicateListView::toggleTick(int row)
{
    const int groupRow = m_model->groupRowOf(row);
    if (groupRow < 0)
        return;
    const auto group = std::get<DupGroup::Ptr>(m_model->itemAtRow(groupRow));
    const RowControl checkBox(groupRow, !group->isSelected());
    m_shown.checkDupGroup(&checkBox);
}

void DuplicateListView::openFileAt(int row)
{
    const RowControl button(row);
    m_shown.openDup(&button);
}

void DuplicateListView::revealFileAt(int row)
{
    const RowControl button(row);
    m_shown.openDupInFinder(&button);
}

void DuplicateListView::trashFileAt(int row)
{
    const OutlineItem item = m_model->itemAtRow(row);
    if (const auto *file = std::get_if<MyTreeNode::Ptr>(&item); file && *file)
        m_clean.deleteOneFile(*file);
}

void DuplicateListView::toggleExpanded(int row, std::optional<bool> expand)
{
    const int groupRow = m_model->groupRowOf(row);
    if (groupRow < 0)
        return;
    const bool expanded = expand.value_or(!m_model->isExpanded(groupRow));
    if (!expanded && row != groupRow)
        selectionModel()->setCurrentIndex(m_model->index(groupRow, 0), QItemSelectionModel::NoUpdate);
    m_model->setExpanded({std::get<DupGroup::Ptr>(m_model->itemAtRow(groupRow))}, expanded);
}

void DuplicateListView::copySelectedPaths()
{
    QList<qint64> rows;
    for (const QModelIndex &index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QStringList paths;
    for (const MyTreeNode::Ptr &file : m_shown.filesOfRows(rows))
        paths.append(file->filePath());
    if (!paths.isEmpty())
        QGuiApplication::clipboard()->setText(paths.join(u'\n') + u'\n');
}

void DuplicateListView::setCompact(bool compact)
{
    m_delegate->setCompact(compact);
    // Rows of one height let the view place any row without measuring those before it.
    setUniformRowHeights(compact);
    doItemsLayout();
}

bool DuplicateListView::isCompact() const
{
    return m_delegate->isCompact();
}

int DuplicateListView::sizeHintForColumn(int column) const
{
    // The widest text of the rows in view, as a double click on a divider asks.
    const QFontMetrics metrics = fontMetrics();
    int widest = 0;
    const QModelIndex top = indexAt(QPoint(0, 0));
    for (int row = top.isValid() ? top.row() : 0; row < m_model->rowCount(); ++row) {
        const QModelIndex index = m_model->index(row, column);
        if (visualRect(index).top() > viewport()->height())
            break;
        if (m_model->isGroupRow(row))
            continue;
        if (column == DuplicateListModel::ActionsColumn)
            return DuplicateListDelegate::actionsWidth(metrics);
        QFont font = m_model->data(index, Qt::FontRole).value<QFont>();
        const int icon = m_model->data(index, Qt::DecorationRole).isNull() ? 0 : iconSize().width() + 20;
        widest = std::max(
            widest,
            QFontMetrics(font.resolve(this->font())).horizontalAdvance(m_model->data(index).toString()) +
                icon + 16);
    }
    return widest;
}

QRect DuplicateListView::groupRowRect(int row) const
{
    const QRect first = visualRect(m_model->index(row, 0));
    return QRect(0, first.y(), viewport()->width(), first.height());
}

QRect DuplicateListView::actionsCellRect(int row) const
{
    return visualRect(m_model->index(row, DuplicateListModel::ActionsColumn));
}

void DuplicateListView::drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                                const QModelIndex &index) const
{
    if (!m_model->isGroupRow(index.row()))
        return QTreeView::drawRow(painter, option, index);
    // One cell across the row, whatever the columns.
    QStyleOptionViewItem row = option;
    row.rect = QRect(0, option.rect.y(), viewport()->width(), option.rect.height());
    row.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus | QStyle::State_MouseOver);
    if (selectionModel()->isRowSelected(index.row(), {}))
        row.state |= QStyle::State_Selected;
    if (hasFocus() && currentIndex().row() == index.row())
        row.state |= QStyle::State_HasFocus;
    if (m_hoveredRow == index.row())
        row.state |= QStyle::State_MouseOver;
    row.widget = this;
    m_delegate->paintGroupRow(painter, row, m_model->index(index.row(), 0));
}

void DuplicateListView::mousePressEvent(QMouseEvent *event)
{
    const QPoint position = event->position().toPoint();
    const QModelIndex index = indexAt(position);
    if (index.isValid() && event->button() == Qt::LeftButton) {
        const int row = index.row();
        if (m_model->isGroupRow(row)) {
            QStyleOptionViewItem option;
            initViewItemOption(&option);
            option.rect = groupRowRect(row);
            const MyTableCellView cell(option);
            if (cell.checkBox().rect.adjusted(-4, -4, 4, 4).contains(position))
                return toggleTick(row);
            if (cell.disclosureRect().adjusted(-4, -4, 4, 4).contains(position))
                return toggleExpanded(row);
        } else if (index.column() == DuplicateListModel::ActionsColumn) {
            const QRect cell = actionsCellRect(row);
            if (DuplicateListDelegate::actionRect(cell, DuplicateListDelegate::FileAction::Open)
                    .contains(position))
                return openFileAt(row);
            if (DuplicateListDelegate::actionRect(cell, DuplicateListDelegate::FileAction::Reveal)
                    .contains(position))
                return revealFileAt(row);
            if (DuplicateListDelegate::actionRect(cell, DuplicateListDelegate::FileAction::Trash)
                    .contains(position))
                return trashFileAt(row);
        }
    }
    QTreeView::mousePressEvent(event);
}

void DuplicateListView::mouseMoveEvent(QMouseEvent *event)
{
    const int row = indexAt(event->position().toPoint()).row();
    if (row != m_hoveredRow) {
        if (m_hoveredRow >= 0 && m_hoveredRow < m_model->rowCount())
            viewport()->update(groupRowRect(m_hoveredRow));
        m_hoveredRow = row;
    }
    // The buttons of a file row light up under the mouse.
    if (row >= 0)
        viewport()->update(groupRowRect(row));
    QTreeView::mouseMoveEvent(event);
}

void DuplicateListView::keyPressEvent(QKeyEvent *event)
{
    const int row = currentIndex().row();
    const bool onGroup = row >= 0 && m_model->isGroupRow(row);
    switch (event->key()) {
    case Qt::Key_Space:
        return toggleTick(row);
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (onGroup)
            return toggleExpanded(row);
        return m_shown.outlineviewDoubleClick();
    case Qt::Key_Right:
    case Qt::Key_Plus:
        if (onGroup)
            return toggleExpanded(row, true);
        break;
    case Qt::Key_Left:
    case Qt::Key_Minus:
        if (onGroup)
            return toggleExpanded(row, false);
        if (row >= 0 && event->key() == Qt::Key_Left)
            return selectRow(m_model->groupRowOf(row));
        break;
    case Qt::Key_O:
        if (event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier) && row >= 0 && !onGroup)
            return revealFileAt(row);
        break;
    case Qt::Key_Delete:
        if (row >= 0 && !onGroup)
            return trashFileAt(row);
        break;
    case Qt::Key_C:
        if (event->matches(QKeySequence::Copy))
            return copySelectedPaths();
        break;
    default:
        break;
    }
    QTreeView::keyPressEvent(event);
}

void DuplicateListView::contextMenuEvent(QContextMenuEvent *event)
{
    const int row =
        event->reason() == QContextMenuEvent::Mouse ? indexAt(event->pos()).row() : currentIndex().row();
    if (row < 0)
        return;
    QMenu menu(this);
    if (!m_model->isGroupRow(row)) {
        //% "Open"
        menu.addAction(StringTable::text("OPEN_FILE_ACTION"), this, [this, row] { openFileAt(row); })
            ->setShortcut(Qt::Key_Return);
        //% "Show in Folder"
        menu.addAction(StringTable::text("REVEAL_FILE_ACTION"), this, [this, row] { revealFileAt(row); })
            ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
        //% "Move to Trash"
        menu.addAction(StringTable::text("TRASH_FILE_ACTION"), this, [this, row] { trashFileAt(row); })
            ->setShortcut(Qt::Key_Delete);
        menu.addSeparator();
    }
    //% "Copy Paths"
    menu.addAction(StringTable::text("COPY_PATHS_ACTION"), this, &DuplicateListView::copySelectedPaths)
        ->setShortcut(QKeySequence::Copy);
    menu.addSeparator();
    const int groupRow = m_model->groupRowOf(row);
    const bool ticked = std::get<DupGroup::Ptr>(m_model->itemAtRow(groupRow))->isSelected();
    menu.addAction(ticked
                       //% "Untick Group"
                       ? StringTable::text("UNTICK_GROUP_ACTION")
                       //% "Tick Group"
                       : StringTable::text("TICK_GROUP_ACTION"),
                   this, [this, row] { toggleTick(row); })
        ->setShortcut(Qt::Key_Space);
    menu.addAction(m_model->isExpanded(groupRow)
                       //% "Collapse Group"
                       ? StringTable::text("COLLAPSE_GROUP_ACTION")
                       //% "Expand Group"
                       : StringTable::text("EXPAND_GROUP_ACTION"),
                   this, [this, row] { toggleExpanded(row); });
    menu.exec(event->globalPos());
}

void DuplicateListView::paintEvent(QPaintEvent *event)
{
    // The task window writes the clean-up's rules as the user changes them.
    m_model->followCleanRules();
    QTreeView::paintEvent(event);
}

void DuplicateListView::dataChanged(const QModelIndex &, const QModelIndex &, const QList<int> &)
{
    // A row's height never depends on its data, so a change needs no layout, only a redraw of what is
    // in view. Qt's own handling finds the place of every changed row by adding up the heights of the
    // rows before it, which over tens of thousands of rows of two heights froze the window.
    viewport()->update();
}

void DuplicateListView::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    QTreeView::selectionChanged(selected, deselected);
    m_shown.outlineViewSelectionDidChange();
}

bool DuplicateListView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::Leave && m_hoveredRow >= 0) {
        if (m_hoveredRow < m_model->rowCount())
            viewport()->update(groupRowRect(m_hoveredRow));
        m_hoveredRow = -1;
    }
    if (event->type() != QEvent::ToolTip)
        return QTreeView::viewportEvent(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const QModelIndex index = indexAt(help->pos());
    QString tip;
    if (index.isValid() && !m_model->isGroupRow(index.row()) &&
        index.column() == DuplicateListModel::ActionsColumn) {
        const QRect cell = actionsCellRect(index.row());
        if (DuplicateListDelegate::actionRect(cell, DuplicateListDelegate::FileAction::Open)
                .contains(help->pos()))
            tip = StringTable::text("OPEN_FILE_ACTION");
        else if (DuplicateListDelegate::actionRect(cell, DuplicateListDelegate::FileAction::Reveal)
                     .contains(help->pos()))
            tip = StringTable::text("REVEAL_FILE_ACTION");
        else if (DuplicateListDelegate::actionRect(cell, DuplicateListDelegate::FileAction::Trash)
                     .contains(help->pos()))
            tip = StringTable::text("TRASH_FILE_ACTION");
    } else if (index.isValid() && m_model->isGroupRow(index.row())) {
        tip = m_model->data(m_model->index(index.row(), 0), Qt::ToolTipRole).toString();
    } else if (index.isValid()) {
        tip = m_model->data(index, Qt::ToolTipRole).toString();
    }
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), tip, viewport());
    return true;
}
