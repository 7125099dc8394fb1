#pragma once

#include "clean/CleanState.h"
#include "clean/CleanTaskOptions.h"
#include "clean/UndoJournal.h"
#include "clean/UndoRecord.h"
#include "model/DupGroup.h"
#include "model/FileFailure.h"
#include "model/MyTreeNode.h"
#include "platform/Url.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class CleanFrontEnd;
class SourceNodeManager;
class TaskWindow;

// The clean-up over the engine: starts clean tasks on a snapshot of the shown groups, undoes them (the
// newest undo journal first, also one of an earlier run), sends single files to the trash, and runs the
// task window. The tasks run on the engine's scan queue, one at a time with its scans and removals.
// Main thread, but for what the state says.
class CleanController : public QObject
{
    Q_OBJECT
public:
    explicit CleanController(SourceNodeManager &engine);

    SourceNodeManager &engine() const { return m_engine; }
    // What a running task reads; any thread.
    const std::shared_ptr<CleanState> &state() const { return m_state; }

    TaskStatus taskStatus() const { return m_state->taskStatus; }
    // Setting Idle while a clean task runs stops it at its next check.
    void setTaskStatus(TaskStatus status);
    AlertAnswer alertAnswer() const { return m_state->alertAnswer; }
    Url undoPath() const { return m_state->undoPath(); }
    void setUndoPath(const Url &path) { m_state->setUndoPath(path); }
    // What the engine knows of the tasks of this run that moved, trashed or replaced files, oldest first;
    // forgotten when sources are removed (their journals stay).
    const QList<UndoRecord> &undoArray() const { return m_undoArray; }
    // The undo journals on the disk, oldest first, as last read.
    const QList<UndoJournal::Summary> &journals() const { return m_journals; }
    void refreshJournals();
    // The files the last undo could not put back, with the reasons.
    const QList<FileFailure> &undoFailures() const { return m_undoFailures; }
    // Who answers the tasks' failures and hears of their removals, for the tasks started from now on.
    void setCleanFrontEnd(std::shared_ptr<CleanFrontEnd> frontEnd) { m_cleanFrontEnd = std::move(frontEnd); }

    // Starts a clean task on the groups, in their order, unless a task runs already or moving was
    // chosen without a destination.
    void runTask(QList<DupGroup::Ptr> groups, const CleanTaskOptions &options);
    // Sends the file to the trash, unless it is the last of its group or a scan or task runs.
    void deleteOneFile(const MyTreeNode::Ptr &file);
    // Puts back the files of the newest journal, of this run or an earlier one.
    void undoTask(const QObject *sender = nullptr);

    // The task window: shown unless a task or a scan runs; closing it stops a running task; the
    // destination folder is chosen over it.
    void setTaskWindow(TaskWindow *window) { m_taskWindow = window; }
    void showTaskWindow(const QObject *sender = nullptr);
    void closeTaskWindow(const QObject *sender = nullptr);
    void SelectPath(const QObject *sender = nullptr);
    // Whether the toolbar item may be used: "undo" only while there is something to undo.
    bool validateToolbarItem(const QString &identifier) const;

Q_SIGNALS:
    // A clean task or undo started or ended, or the undo history changed.
    void cleanTaskStateChanged();

private:
    // The tasks' last steps, on the main thread.
    friend class CleanTask;
    friend class UndoTask;
    void forgetUndoHistory();

    SourceNodeManager &m_engine;
    std::shared_ptr<CleanState> m_state = std::make_shared<CleanState>();
    std::shared_ptr<CleanFrontEnd> m_cleanFrontEnd;
    QList<UndoRecord> m_undoArray;
    QList<UndoJournal::Summary> m_journals;
    QList<FileFailure> m_undoFailures;
    TaskWindow *m_taskWindow = nullptr;
};
