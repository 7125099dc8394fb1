#pragma once

#include <QtGlobal>

class QObject;

// What the source manager needs of its two lists. The GUI implements these over Qt views; the
// command-line tool and the tests run the manager without any.

class DupOutlineView
{
public:
    virtual ~DupOutlineView() = default;
    virtual void reloadData() = 0;
    // The selected row, or -1.
    virtual qint64 selectedRow() const = 0;
    // Selects one row, replacing the selection.
    virtual void selectRow(qint64 row) = 0;
};

class SourceTableView
{
public:
    virtual ~SourceTableView() = default;
    virtual void reloadData() = 0;
    // The row that holds a control of a row, or -1.
    virtual qint64 rowForView(const QObject *control) const = 0;
};
