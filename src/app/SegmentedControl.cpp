#include "app/SegmentedControl.h"

#include <QHBoxLayout>
#include <QToolButton>

SegmentedControl::SegmentedControl(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addStretch();
}

void SegmentedControl::addSegment(const QIcon &icon, const QString &text, const QKeySequence &shortcut)
{
    auto *button = new QToolButton(this);
    button->setIcon(icon);
    button->setText(text);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAccessibleName(text);
    if (!shortcut.isEmpty())
        button->setToolTip(QStringLiteral("%1 (%2)").arg(text, shortcut.toString(QKeySequence::NativeText)));
    const int index = int(m_segments.size());
    connect(button, &QToolButton::clicked, this, [this, index] { activate(index); });
    m_segments.append(button);
    auto *layout = static_cast<QHBoxLayout *>(this->layout());
    layout->insertWidget(layout->count() - 1, button);
}

QAbstractButton *SegmentedControl::segment(int index) const
{
    return m_segments.value(index);
}

void SegmentedControl::activate(int index)
{
    m_selected = index;
    Q_EMIT activated();
}
