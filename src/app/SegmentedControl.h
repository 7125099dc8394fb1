#pragma once

#include <QIcon>
#include <QWidget>

class QAbstractButton;

// A row of buttons acting as one control: pressing one makes it the selected segment and sends the
// control's action, which reads "selectedSegment" to know what to do.
class SegmentedControl : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int selectedSegment READ selectedSegment)
public:
    explicit SegmentedControl(QWidget *parent = nullptr);

    void addSegment(const QIcon &icon, const QString &text, const QKeySequence &shortcut = {});
    int selectedSegment() const { return m_selected; }
    QAbstractButton *segment(int index) const;
    // Selects the segment and sends the action, as a press of its button does.
    void activate(int index);

Q_SIGNALS:
    void activated();

private:
    QList<QAbstractButton *> m_segments;
    int m_selected = -1;
};
