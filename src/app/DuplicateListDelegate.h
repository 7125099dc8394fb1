#pragma once

#include <QStyledItemDelegate>

class DuplicateListModel;

// Draws the rows of the duplicate list: a group row as one cell across the row, 100 pixels tall (one
// line without a picture in compact rows); a file row as text columns and, in the last column, the
// buttons that open the file, show it in the file browser and send it to the trash.
class DuplicateListDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    enum class FileAction { Open, Reveal, Trash };
    static constexpr int actionSlots = 3;

    DuplicateListDelegate(const DuplicateListModel &model, QObject *parent = nullptr);

    static constexpr int groupRowHeight = 100;
    static int compactGroupRowHeight(const QFontMetrics &metrics) { return fileRowHeight(metrics) + 4; }
    bool isCompact() const { return m_compact; }
    void setCompact(bool compact) { m_compact = compact; }
    // The buttons of a file row within the rectangle of its actions cell.
    static QRect actionRect(const QRect &cell, FileAction action);
    static int fileRowHeight(const QFontMetrics &metrics);
    static int actionsWidth(const QFontMetrics &metrics);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    // Only the row's height: the view asks for every row of the list and every column when it lays the
    // rows out, and finding each cell's text for its width would take seconds on a long list. The
    // widths of columns are the view's (sizeHintForColumn).
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The group row drawn across the given rectangle.
    void paintGroupRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const;

private:
    const DuplicateListModel &m_model;
    bool m_compact = false;
};
