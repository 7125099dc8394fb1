#pragma once

#include "clean/UndoRecord.h"

#include <QPointer>

#include <memory>

class CleanController;
class CleanFrontEnd;
class CleanState;
class ManagerCore;

// The undo of one clean task on the scan queue: each moved file goes back to its place, its source and
// a group, and a source the task had taken out of the list comes back. Only the item the task moved
// goes back, along a way that follows no link below the file's source; whatever cannot be put back is
// reported at the end.
class UndoTask
{
public:
    UndoTask(CleanController &controller, UndoRecord record);

    void run();

private:
    std::shared_ptr<ManagerCore> m_core;
    std::shared_ptr<CleanState> m_state;
    QPointer<CleanController> m_controller;
    std::shared_ptr<CleanFrontEnd> m_frontEnd;
    const UndoRecord m_record;
};
