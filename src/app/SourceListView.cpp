#include "app/SourceListView.h"

#include "app/RowPictures.h"
#include "app/SourceListModel.h"
#include "browser/SourceList.h"
#include "platform/StringTable.h"
#include "scan/SourceNodeManager.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QToolButton>

namespace {

const char uriListType[] = "text/uri-list";

// In the order made; Rescan sits where Stop was once a scan ends.
enum RowButton { Reveal, Stop, Remove, Rescan, Protect };

QToolButton *rowButton(QWidget *parent, const QIcon &icon, const QString &text)
{
    auto *button = new QToolButton(parent);
    button->setIcon(icon);
    button->setAutoRaise(true);
    button->setToolTip(text);
    button->setAccessibleName(text);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

// Protects the current source, or lifts its protection.
QKeySequence protectKey()
{
    return QKeySequence(Qt::CTRL | Qt::Key_L);
}

} // namespace

SourceListView::SourceListView(SourceList &sources, QWidget *parent)
    : QTableView(parent), m_sources(sources), m_model(new SourceListModel(sources.engine(), this))
{
    setModel(m_model);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setShowGrid(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideMiddle);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAcceptDrops(true);
    // Tab leaves the list for the next control, as in the other lists; arrows move between rows.
    setTabKeyNavigation(false);
    setDropIndicatorShown(false);
    setDragDropMode(DropOnly);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 14);
    //% "Sources"
    setAccessibleName(StringTable::text("SOURCE_LIST_NAME"));

    QHeaderView *header = horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(SourceListModel::PathColumn, QHeaderView::Stretch);
    header->setMinimumSectionSize(fontMetrics().horizontalAdvance(QStringLiteral("00")) + 12);
    connect(header, &QHeaderView::sortIndicatorChanged, this, [this](int column, Qt::SortOrder order) {
        const SortDescriptor descriptor = SourceListModel::sortDescriptorOf(column, order);
        if (descriptor.key.isEmpty())
            return;
        const SortDescriptors old = std::exchange(m_sortDescriptors, {descriptor});
        m_sources.tableView_sortDescriptorsDidChange(this, old);
    });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        QList<RootNode::Ptr> selected;
        for (const QModelIndex &index : selectionModel()->selectedRows())
            selected.append(m_model->sourceAt(index.row()));
        m_sources.engine().rootController().setSelectedObjects(selected);
        m_sources.tableViewSelectionDidChange();
    });
    connect(m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { addRowControls(first, last); });
    connect(m_model, &QAbstractItemModel::dataChanged, this, &SourceListView::updateRowControls);
    addRowControls(0, m_model->rowCount() - 1);
}

void SourceListView::addRowControls(int first, int last)
{
    for (int row = first; row <= last; ++row) {
        auto *controls = new QWidget;
        auto *layout = new QHBoxLayout(controls);
        layout->setContentsMargins(2, 0, 2, 0);
        layout->setSpacing(2);
        //% "Show in Folder"
        QToolButton *reveal = rowButton(controls, RowPictures::themed("folder-open", QStyle::SP_DirOpenIcon),
                                        StringTable::text("REVEAL_SOURCE_ACTION"));
        //% "Stop Scanning"
        QToolButton *stop = rowButton(controls, RowPictures::themed("process-stop", QStyle::SP_BrowserStop),
                                      StringTable::text("STOP_SOURCE_ACTION"));
        //% "Remove Source"
        QToolButton *remove =
            rowButton(controls, RowPictures::themed("list-remove", QStyle::SP_LineEditClearButton),
                      StringTable::text("REMOVE_SOURCE_ACTION"));
        //% "Rescan"
        QToolButton *rescan =
            rowButton(controls, RowPictures::themed("view-refresh", QStyle::SP_BrowserReload),
                      StringTable::text("RESCAN_SOURCE_ACTION"));
        //% "Protect: never remove, move or trash anything here"
        QToolButton *protect =
            rowButton(controls, RowPictures::themed("object-locked", QStyle::SP_MessageBoxWarning),
                      StringTable::text("PROTECT_SOURCE_ACTION"));
        protect->setCheckable(true);
        connect(protect, &QToolButton::clicked, this,
                [this, protect] { m_sources.toggleProtection(protect); });
        connect(reveal, &QToolButton::clicked, this,
                [this, reveal] { m_sources.openSourceInFinder(reveal); });
        connect(stop, &QToolButton::clicked, this, [this, stop] { m_sources.stopSource(stop); });
        connect(remove, &QToolButton::clicked, this, [this, remove] { removeSourceOfRow(remove); });
        connect(rescan, &QToolButton::clicked, this, [this, rescan] { m_sources.rescanSource(rescan); });
        for (QToolButton *button : {protect, reveal, stop, rescan, remove})
            layout->addWidget(button);
        setIndexWidget(m_model->index(row, SourceListModel::ActionsColumn), controls);
    }
    updateRowControls();
}

void SourceListView::updateRowControls()
{
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const QWidget *controls = indexWidget(m_model->index(row, SourceListModel::ActionsColumn));
        const RootNode::Ptr root = m_model->sourceAt(row);
        if (!controls || !root)
            continue;
        const QList<QToolButton *> buttons = controls->findChildren<QToolButton *>();
        buttons[Stop]->setVisible(!root->isFinished());
        buttons[Rescan]->setVisible(root->isFinished());
        buttons[Rescan]->setEnabled(!root->isRunning());
        buttons[Remove]->setEnabled(root->isFinished());
        buttons[Protect]->setChecked(root->isProtected());
    }
}

void SourceListView::removeSourceOfRow(const QObject *control)
{
    const qint64 row = rowForView(control);
    if (row >= 0)
        m_sources.engine().removeRootNode(m_sources.engine().rootController().arrangedObjects().value(row));
}

qint64 SourceListView::rowForView(const QObject *control) const
{
    const auto *widget = qobject_cast<const QWidget *>(control);
    if (!widget)
        return -1;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const QWidget *controls = indexWidget(m_model->index(row, SourceListModel::ActionsColumn));
        if (controls && (controls == widget || controls->isAncestorOf(widget)))
            return row;
    }
    return -1;
}

QList<QByteArray> SourceListView::localPaths(const QMimeData *data)
{
    // Read as bytes: a file name that is not UTF-8 travels percent-encoded and must stay as it is.
    QList<QByteArray> paths;
    if (!data)
        return paths;
    for (QByteArray line : data->data(QString::fromLatin1(uriListType)).split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        for (const char *prefix : {"file://localhost/", "file:///"}) {
            if (line.startsWith(prefix)) {
                // The path starts at the prefix's last slash.
                paths.append(QByteArray::fromPercentEncoding(line.mid(qsizetype(qstrlen(prefix)) - 1)));
                break;
            }
        }
    }
    return paths;
}

void SourceListView::dragEnterEvent(QDragEnterEvent *event)
{
    const QList<QByteArray> paths = localPaths(event->mimeData());
    if (!paths.isEmpty() &&
        m_sources.tableView_validateDrop_proposedRow_proposedDropOperation(
            this, paths, -1, SourceList::DropOperation::Above) == SourceList::DragOperation::Copy) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return;
    }
    event->ignore();
}

void SourceListView::dragMoveEvent(QDragMoveEvent *event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void SourceListView::dropEvent(QDropEvent *event)
{
    const QList<QByteArray> paths = localPaths(event->mimeData());
    const int row = indexAt(event->position().toPoint()).row();
    m_sources.tableView_acceptDrop_row_dropOperation(this, paths, row, SourceList::DropOperation::Above);
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void SourceListView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Delete) || event->key() == Qt::Key_Backspace) {
        const int row = currentIndex().row();
        if (row >= 0)
            m_sources.engine().removeRootNode(m_model->sourceAt(row));
        return;
    }
    if (QKeySequence(event->keyCombination()) == protectKey()) {
        if (const QWidget *controls =
                indexWidget(m_model->index(currentIndex().row(), SourceListModel::ActionsColumn)))
            controls->findChildren<QToolButton *>()[Protect]->click();
        return;
    }
    QTableView::keyPressEvent(event);
}

void SourceListView::contextMenuEvent(QContextMenuEvent *event)
{
    const int row =
        event->reason() == QContextMenuEvent::Mouse ? indexAt(event->pos()).row() : currentIndex().row();
    const QWidget *controls = indexWidget(m_model->index(row, SourceListModel::ActionsColumn));
    if (!controls)
        return;
    // The row's own buttons, as menu entries.
    const QList<QToolButton *> buttons = controls->findChildren<QToolButton *>();
    QMenu menu(this);
    for (const RowButton which : {Protect, Reveal, Stop, Rescan, Remove}) {
        QToolButton *button = buttons[which];
        if (!button->isVisibleTo(controls))
            continue;
        QAction *action = menu.addAction(button->icon(), button->toolTip(), button, &QToolButton::click);
        action->setEnabled(button->isEnabled());
        action->setCheckable(button->isCheckable());
        action->setChecked(button->isChecked());
        if (which == Remove)
            action->setShortcut(QKeySequence::Delete);
        if (which == Protect)
            action->setShortcut(protectKey());
    }
    menu.exec(event->globalPos());
}

void SourceListView::paintEvent(QPaintEvent *event)
{
    QTableView::paintEvent(event);
    if (m_model->rowCount() > 0)
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    //% "Drop folders or files here, or press Ctrl+O to add them."
    painter.drawText(viewport()->rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap,
                     StringTable::text("SOURCE_LIST_EMPTY_HINT"));
}
