#pragma once

#include "model/DupGroup.h"
#include "model/OutlineItem.h"
#include "platform/SortDescriptor.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>

class QObject;

// What the lists' controllers ask of the two lists and of the window around them. The GUI implements
// these over its Qt views; the tests run the controllers without any. Main thread only. What the lists
// show follows the controllers' notices instead.
//
// A "control" is the object that sent an action from inside a row (a button, a check box). Its row is
// found through the list, so an action always works on the row that holds the control now.

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
    // Many groups at once, as one change of the list: a list of 50,000 groups must not be redrawn
    // once per group.
    virtual void expandItems(const QList<DupGroup::Ptr> &groups) = 0;
    virtual void collapseItems(const QList<DupGroup::Ptr> &groups) = 0;
    // The order the user chose by clicking the header, first descriptor deciding.
    virtual SortDescriptors sortDescriptors() const = 0;
};

class SourceTableView
{
public:
    virtual ~SourceTableView() = default;
    // The row that holds a control of a row, or -1.
    virtual qint64 rowForView(const QObject *control) const = 0;
    virtual SortDescriptors sortDescriptors() const = 0;
    // Drops are taken only while the tag is 0.
    virtual qint64 tag() const { return 0; }
};

// The dialog in which the user chooses files and folders to add as sources, several at once.
class OpenPanel
{
public:
    virtual ~OpenPanel() = default;
    // Shows the dialog over the main window with the message and returns at once; completion runs
    // later with the native paths chosen, and never when the user cancels.
    virtual void beginSheetModal(const QString &message,
                                 std::function<void(QList<QByteArray>)> completion) = 0;
};

// The window in which the user edits the scan rules. It is not modal: the main window stays usable.
class SettingPanel
{
public:
    virtual ~SettingPanel() = default;
    // Shows the panel at the normal window level, in front, with the keyboard focus.
    virtual void makeKeyAndOrderFront() = 0;
};
