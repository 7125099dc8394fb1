#pragma once

#include "clean/UndoJournal.h"

#include <QList>

#include <functional>

// Takes back on the disk what an undo journal says a clean task did, without the engine, so that the
// window and the command-line tool undo a task of any earlier run alike:
// - a moved or trashed file goes back to its place, only while what is where it went is the item moved
//   there (device and inode; a move to another file system made a new one, recorded once done), along a
//   way that follows no link below its source; whatever took its place meanwhile moves aside to a free
//   name next to it;
// - a replaced file gets back an independent copy of its bytes, with its own owner, mode and times, only
//   while its name still leads to what replaced it;
// - a step cut off by a kill is completed backwards: the file parked under a private name goes back,
//   a moved one found where it was going comes back, a half-made link or copy is removed, and a file
//   still at its place is left as it is. Nothing else is touched.
namespace JournalUndo {

struct Outcome
{
    UndoJournal::Step step;
    // Why the file could not be put back; it stays where it is.
    MaybeError error;
    // A step cut off before it changed anything: the file never left.
    bool neverLeft = false;
};

// Undoes the steps not yet undone, the latest first, marking each in the journal as it is undone.
// `stop` is asked before each step; `restored` runs after each file put back. A journal gone through
// to its end is deleted, whatever could not be put back (the outcomes say what).
QList<Outcome> run(UndoJournal &journal, const std::function<bool()> &stop = {},
                   const std::function<void(const Outcome &)> &restored = {});

} // namespace JournalUndo
