#pragma once

#include "model/FileFailure.h"
#include "platform/Error.h"
#include "platform/Url.h"

#include <QList>
#include <QStringList>

// The answer to a failed removal, which decides the rest of a clean task.
enum class AlertAnswer {
    // No failure was answered yet in this task.
    None,
    // No further file is removed.
    Quit,
    // Go on, and ask again at the next failure.
    Continue,
    // Go on, and ask no more in this task.
    ContinueAll,
};

// What a clean task asks of the window or the command-line tool: answers to failures, which the task
// waits for, and the files it removed.
class CleanFrontEnd
{
public:
    virtual ~CleanFrontEnd() = default;

    // A removal of the clean task failed; the file stays. Main thread, while the task waits.
    virtual AlertAnswer answerFailure(const MyTreeNode &file, const Error &error) = 0;
    // Sending one file to the trash failed; the file stays. Main thread, while the task waits.
    virtual void reportTrashFailure(const MyTreeNode &file, const Error &error) = 0;
    // The files an undo could not put back. Main thread, at the end of the undo.
    virtual void reportUndoFailures(const QList<FileFailure> &failures) { (void)failures; }
    // The task deleted the file (destination null), moved it, or replaced it by a link to the copy that
    // stays (destination). Scan queue.
    virtual void removed(const MyTreeNode &file, const Url &destination)
    {
        (void)file;
        (void)destination;
    }
    // The file and a copy that stays were checked, locked and compared, and the file is about to go.
    // Scan queue.
    virtual void aboutToRemove(const MyTreeNode &file) { (void)file; }
    // The link or clone to replace the file with is made, and nothing is checked or renamed yet. Scan
    // queue.
    virtual void linkMade(const MyTreeNode &file) { (void)file; }
    // The file was moved to another file system, which could not take all it had: each text names
    // what was lost (an extended attribute, an ACL, the owner) and why. Scan queue, before removed().
    virtual void movedWithLosses(const MyTreeNode &file, const QStringList &notKept)
    {
        (void)file;
        (void)notKept;
    }
    // A source left empty by the task, its folder empty, went to the trash. Scan queue.
    virtual void sourceFolderTrashed(const Url &folder) { (void)folder; }
    // A removal failed, whether or not the user is asked about it. Scan queue.
    virtual void failed(const MyTreeNode &file, const Error &error)
    {
        (void)file;
        (void)error;
    }
};
