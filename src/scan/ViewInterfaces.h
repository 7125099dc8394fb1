#pragma once

#include "model/DupGroup.h"
#include "model/OutlineItem.h"

#include <QtGlobal>

class QObject;

// What the source manager asks of its two lists. The GUI implements these over its Qt views; the
// command-line tool and the tests run the manager without any. Main thread only. What the lists show
// follows the manager's notices instead.

class DupOutlineView
{
public:
    virtual ~DupOutlineView() = default;
    // The selected row, or -1.
    virtual qint64 selectedRow() const = 0;
    // Selects one row, replacing the selection.
    virtual void selectRow(qint64 row) = 0;
    // The row that holds a control of a row, or -1.
    virtual qint64 rowForView(const QObject *control) const = 0;
    // The group or file shown at the row; nothing past the end.
    virtual OutlineItem itemAtRow(qint64 row) const = 0;
    virtual void expandItem(const DupGroup::Ptr &group) = 0;
    virtual void collapseItem(const DupGroup::Ptr &group) = 0;
};

class SourceTableView
{
public:
    virtual ~SourceTableView() = default;
    // The row that holds a control of a row, or -1.
    virtual qint64 rowForView(const QObject *control) const = 0;
};
