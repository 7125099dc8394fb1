#pragma once

#include "browser/ShownGroups.h"

#include <QRect>
#include <QStyleOptionButton>
#include <QStyleOptionViewItem>

class QPainter;

// The cell of a group row in the duplicate list, across the whole row: the disclosure arrow, the
// check box that ticks the group for the clean-up, the group's picture, and the text describing the
// file the group shows; compact, the text's first two lines on one line and no picture. The list
// draws it from the manager's cell and finds clicks on its parts.
class MyTableCellView
{
public:
    // Lays the cell out in the row's rectangle.
    explicit MyTableCellView(const QStyleOptionViewItem &row, bool compact = false);

    const QStyleOptionButton &checkBox() const { return m_checkBox; }
    void setCheckBox(const QStyleOptionButton &checkBox) { m_checkBox = checkBox; }
    QRect disclosureRect() const { return m_disclosure; }

    void paint(QPainter *painter, const ShownGroups::CellView &cell, bool expanded) const;

private:
    QStyleOptionViewItem m_row;
    bool m_compact;
    QStyleOptionButton m_checkBox;
    QRect m_disclosure;
    QRect m_picture;
    QRect m_text;
};
