#pragma once

#include "clean/CleanTaskOptions.h"
#include "clean/UndoJournal.h"
#include "clean/UndoRecord.h"
#include "model/DupGroup.h"
#include "model/MyTreeNode.h"
#include "platform/Error.h"

#include <QList>
#include <QPointer>

#include <memory>

class CleanController;
class CleanFrontEnd;
class CleanState;
class HeldItem;
class ManagerCore;

// One clean task on the scan queue: walks the groups it was given in their order, removes the members
// the rules choose (deleting them, moving them into the destination folder or the trash, or replacing
// them by links to the copy that stays) after checking that each is unchanged and has an identical copy
// that stays, asks the front end about each failure, and ends on the main thread with the emptied
// sources, the undo record and the statistics. A task that can be undone writes each step to its undo
// journal before it makes it.
class CleanTask
{
public:
    CleanTask(CleanController &controller, QList<DupGroup::Ptr> groups, CleanTaskOptions options);

    void run();

    // Takes the sources that hold no file any more out of the list, their folders to the trash when
    // they are empty, and tells the front end of each folder trashed. Scan queue; then the main
    // thread, while the task waits.
    static void dropEmptiedSources(ManagerCore &core, CleanFrontEnd *frontEnd);

private:
    void cleanGroup(const DupGroup::Ptr &group);
    // Removes one file by the task's mode; no value when it is gone from its place (or replaced), and
    // *freed says the bytes that no other name of it holds.
    MaybeError remove(const MyTreeNode::Ptr &file, const QList<MyTreeNode::Ptr> &copies, qint64 *freed);
    // Moves, trashes or replaces the checked file, its step in the journal first.
    MaybeError undoably(const MyTreeNode::Ptr &file, const HeldItem &item, const HeldItem &staying);
    // The journal, made at the first change.
    std::variant<UndoJournal *, Error> journal();
    bool mustStop() const;
    // The status text at the end: what the task did with how many files.
    QString endText() const;
    void end();

    std::shared_ptr<ManagerCore> m_core;
    std::shared_ptr<CleanState> m_state;
    QPointer<CleanController> m_controller;
    const QList<DupGroup::Ptr> m_groups;
    const CleanTaskOptions m_options;
    std::shared_ptr<CleanFrontEnd> m_frontEnd;
    std::optional<UndoJournal> m_journal;
    UndoRecord m_undoRecord;
    qint64 m_removedCount = 0;
    qint64 m_removedSize = 0;
};
