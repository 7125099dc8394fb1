#include "app/MyTableCellView.h"

#include "app/RowPictures.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace {

constexpr int margin = 6;

const QStyle *styleOf(const QStyleOptionViewItem &option)
{
    return option.widget ? option.widget->style() : QApplication::style();
}

} // namespace

MyTableCellView::MyTableCellView(const QStyleOptionViewItem &row, bool compact)
    : m_row(row), m_compact(compact)
{
    const QStyle *style = styleOf(row);
    const int inset = compact ? 2 : margin;
    const QRect area = row.rect.adjusted(margin, inset, -margin, -inset);
    const int indicator = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, row.widget);
    m_disclosure = QRect(area.left(), area.center().y() - 8, 16, 16);
    m_checkBox.rect = QRect(m_disclosure.right() + margin, area.center().y() - indicator / 2, indicator,
                            style->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, row.widget));
    m_checkBox.palette = row.palette;
    m_checkBox.direction = row.direction;
    m_checkBox.fontMetrics = row.fontMetrics;
    const int side = compact ? 0 : area.height();
    m_picture = QRect(m_checkBox.rect.right() + 2 * margin, area.top(), side, side);
    m_text = QRect(m_picture.right() + 2 * margin, area.top(), area.right() - m_picture.right() - 2 * margin,
                   area.height());
}

void MyTableCellView::paint(QPainter *painter, const ShownGroups::CellView &cell, bool expanded) const
{
    const QStyle *style = styleOf(m_row);
    const QWidget *widget = m_row.widget;
    const bool selected = m_row.state & QStyle::State_Selected;
    const QPalette::ColorGroup group =
        m_row.state & QStyle::State_Enabled
            ? (m_row.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive)
            : QPalette::Disabled;

    QStyleOption arrow;
    arrow.rect = m_disclosure;
    arrow.palette = m_row.palette;
    arrow.state = QStyle::State_Children | (expanded ? QStyle::State_Open : QStyle::State_None) |
                  (m_row.state & QStyle::State_Enabled);
    style->drawPrimitive(QStyle::PE_IndicatorBranch, &arrow, painter, widget);

    QStyleOptionButton box = m_checkBox;
    box.state = (m_row.state & QStyle::State_Enabled) |
                (cell.checkBox.value_or(false) ? QStyle::State_On : QStyle::State_Off);
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, widget);

    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    if (const QImage thumbnail = RowPictures::thumbnail(cell.image); !thumbnail.isNull() && !m_compact) {
        const QSize fitted = thumbnail.size().scaled(m_picture.size(), Qt::KeepAspectRatio);
        painter->drawImage(
            QRect(QPoint(), fitted).translated(m_picture.center() - QRect(QPoint(), fitted).center()),
            thumbnail);
    } else if (cell.image && !m_compact) {
        const int side = std::min(64, m_picture.height());
        RowPictures::icon(*cell.image)
            .paint(painter, QRect(m_picture.center() - QPoint(side / 2, side / 2), QSize(side, side)));
    }

    // The first line names the group, the second the shown file, the rest say where it is; compact,
    // the shown file follows the group's line.
    const QStringList lines = cell.text.split(QLatin1Char('\n'));
    const QColor main = m_row.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    const QColor secondary = selected ? main : m_row.palette.color(group, QPalette::PlaceholderText);
    QFont bold = m_row.font;
    bold.setBold(true);
    int x = m_text.left();
    int y = m_compact ? m_text.center().y() - QFontMetrics(bold).height() / 2 : m_text.top();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QFont &font = i == 0 ? bold : m_row.font;
        const QFontMetrics metrics(font);
        if (y + metrics.height() > m_text.bottom() + 1 || x >= m_text.right())
            break;
        painter->setFont(font);
        painter->setPen(i < 2 ? main : secondary);
        const QString text = m_compact && i > 0 ? QStringLiteral(" · ") + lines[i] : lines[i];
        const int width = m_text.right() + 1 - x;
        const QString line = metrics.elidedText(text, i < 2 ? Qt::ElideRight : Qt::ElideMiddle, width);
        painter->drawText(QRect(x, y, width, metrics.height()), Qt::AlignLeft | Qt::AlignVCenter, line);
        if (m_compact) {
            if (i == 1)
                break;
            x += metrics.horizontalAdvance(line);
        } else {
            y += metrics.height() + (i == 0 ? 4 : 2);
        }
    }
    painter->restore();
}
