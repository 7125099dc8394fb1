#include "app/DuplicateListDelegate.h"

#include "app/DuplicateListModel.h"
#include "app/MyTableCellView.h"
#include "app/RowPictures.h"

#include <QApplication>
#include <QCursor>
#include <QPainter>

namespace {

constexpr int buttonGap = 4;

int buttonSide(const QRect &cell)
{
    return std::min(cell.height() - 2, 22);
}

} // namespace

DuplicateListDelegate::DuplicateListDelegate(const DuplicateListModel &model, QObject *parent)
    : QStyledItemDelegate(parent), m_model(model)
{
}

QRect DuplicateListDelegate::actionRect(const QRect &cell, FileAction action)
{
    const int side = buttonSide(cell);
    const int slot = int(action);
    return QRect(cell.left() + buttonGap + slot * (side + buttonGap), cell.center().y() - side / 2, side,
                 side);
}

int DuplicateListDelegate::fileRowHeight(const QFontMetrics &metrics)
{
    return std::max(17, metrics.height() + 8);
}

int DuplicateListDelegate::actionsWidth(const QFontMetrics &metrics)
{
    return actionSlots * (buttonSide(QRect(0, 0, 1, fileRowHeight(metrics))) + buttonGap) + buttonGap;
}

QSize DuplicateListDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // Called for every row the view lays out, so it reads nothing but the row's kind.
    if (m_model.isGroupRow(index.row()))
        return {0, m_compact ? compactGroupRowHeight(option.fontMetrics) : groupRowHeight};
    const int height = fileRowHeight(option.fontMetrics);
    if (index.column() == DuplicateListModel::ActionsColumn)
        return {actionsWidth(option.fontMetrics), height};
    return {0, height};
}

void DuplicateListDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                  const QModelIndex &index) const
{
    if (m_model.isGroupRow(index.row()))
        return paintGroupRow(painter, option, index);
    if (index.column() == DuplicateListModel::PathColumn) {
        // The end of a folder tells one copy from another; its start is mostly the same for all.
        QStyleOptionViewItem path = option;
        path.textElideMode = Qt::ElideLeft;
        return QStyledItemDelegate::paint(painter, path, index);
    }
    if (index.column() != DuplicateListModel::ActionsColumn)
        return QStyledItemDelegate::paint(painter, option, index);

    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);
    const std::pair<FileAction, QIcon> buttons[] = {
        {FileAction::Open, RowPictures::themed("document-open", QStyle::SP_DialogOpenButton)},
        {FileAction::Reveal, RowPictures::themed("folder-open", QStyle::SP_DirOpenIcon)},
        {FileAction::Trash, RowPictures::themed("user-trash", QStyle::SP_TrashIcon)},
    };
    const QPoint mouse = widget ? widget->mapFromGlobal(QCursor::pos()) : QPoint(-1, -1);
    for (const auto &[action, icon] : buttons) {
        QStyleOptionToolButton button;
        button.rect = actionRect(option.rect, action);
        button.icon = icon;
        button.iconSize = button.rect.size() - QSize(6, 6);
        button.palette = option.palette;
        button.toolButtonStyle = Qt::ToolButtonIconOnly;
        button.subControls = QStyle::SC_ToolButton;
        button.state = QStyle::State_Enabled | QStyle::State_AutoRaise;
        if (button.rect.contains(mouse))
            button.state |= QStyle::State_MouseOver | QStyle::State_Raised;
        style->drawComplexControl(QStyle::CC_ToolButton, &button, painter, widget);
    }
}

void DuplicateListDelegate::paintGroupRow(QPainter *painter, const QStyleOptionViewItem &option,
                                          const QModelIndex &index) const
{
    QStyleOptionViewItem row = option;
    initStyleOption(&row, index);
    row.text.clear();
    row.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &row, painter, widget);
    if (const auto cell = m_model.groupCell(index.row()))
        MyTableCellView(row, m_compact).paint(painter, *cell, m_model.isExpanded(index.row()));
}
