#pragma once

#include "clean/UndoRecord.h"

#include <QPointer>

#include <memory>

class CleanController;
class CleanFrontEnd;
class CleanState;
class ManagerCore;

// The undo of one clean task on the scan queue, from its journal (see JournalUndo): each file goes back
// to its place and, when the task ran in this run, into its source and a group; a source the task had
// taken out of the list comes back. (The files of a task of an earlier run are back on the disk, where
// the next scan finds them.) Whatever cannot be put back is reported at the end.
class UndoTask
{
public:
    UndoTask(CleanController &controller, UndoRecord record);

    void run();

private:
    // Takes a file of this run put back at place into the engine.
    void takeIn(const Url &place, const MovedFile &known);

    std::shared_ptr<ManagerCore> m_core;
    std::shared_ptr<CleanState> m_state;
    QPointer<CleanController> m_controller;
    std::shared_ptr<CleanFrontEnd> m_frontEnd;
    const UndoRecord m_record;
};
