#pragma once

#include <QObject>

// The sender of an action from inside a list row that has no widget of its own (the lists draw their
// rows' buttons and check boxes): it names its row, and a check box its new state, so the manager's
// actions find the row through the list as they do for a real control.
class RowControl : public QObject
{
    Q_OBJECT
    Q_PROPERTY(qint64 row MEMBER row CONSTANT)
    Q_PROPERTY(bool checked MEMBER checked CONSTANT)
public:
    RowControl(qint64 row, bool checked = false) : row(row), checked(checked) {}

    qint64 row;
    bool checked;
};
