// Starting clean tasks and undos, sending one file to the trash, the task window and the state the
// window reads.
#include "clean/CleanController.h"

#include "clean/CleanFrontEnd.h"
#include "clean/CleanTask.h"
#include "clean/ControllerStep.h"
#include "clean/RemovalSafety.h"
#include "clean/TaskWindow.h"
#include "clean/UndoTask.h"
#include "fs/FileManagerProxy.h"
#include "platform/SerialQueue.h"
#include "platform/StringTable.h"
#include "scan/ManagerCore.h"
#include "scan/SourceNodeManager.h"

CleanController::CleanController(SourceNodeManager &engine) : m_engine(engine)
{
    // The moved files' sources may be the ones gone: an undo then puts the files back on the disk only.
    connect(&engine, &SourceNodeManager::sourcesRemoved, this, &CleanController::forgetUndoHistory);
    refreshJournals();
}

void CleanController::refreshJournals()
{
    m_journals = UndoJournal::list();
}

void CleanController::forgetUndoHistory()
{
    m_undoArray.clear();
    Q_EMIT cleanTaskStateChanged();
}

void CleanController::setTaskStatus(TaskStatus status)
{
    m_state->taskStatus = status;
    Q_EMIT cleanTaskStateChanged();
}

void CleanController::runTask(QList<DupGroup::Ptr> groups, const CleanTaskOptions &options)
{
    if (m_state->taskStatus == TaskStatus::Running)
        return;
    if (options.moveMode == CleanTaskOptions::Mode::Move && undoPath().isNull()) {
        //% "Choose the folder to move the files into first."
        m_engine.updateStatBar(StringTable::text("CLEAN_TASK_NO_DST_FOLDER_STRING"));
        return;
    }
    m_state->taskStatus = TaskStatus::Running;
    Q_EMIT cleanTaskStateChanged();
    CleanTaskOptions protectedOptions = options;
    protectedOptions.protection = m_engine.protection();
    SourceNodeManager::scanQueue().async(
        [task = std::make_shared<CleanTask>(*this, std::move(groups), protectedOptions)] { task->run(); });
}

void CleanController::deleteOneFile(const MyTreeNode::Ptr &file)
{
    if (!file || m_state->taskStatus == TaskStatus::Running || m_engine.isScanning())
        return;
    SourceNodeManager::scanQueue().async([core = m_engine.core(), file, frontEnd = m_cleanFrontEnd,
                                          controller = QPointer<CleanController>(this),
                                          isProtected = m_engine.protection().covers(file->FileURL())] {
        // The last copy of a group is never removed this way.
        const DupGroup::Ptr group = file->dupGroup();
        if (!group || group->fileNumber() < 2)
            return;
        const std::variant<HeldItem, Error> held =
            isProtected ? RemovalSafety::protectedError(*file) : RemovalSafety::holdUnchanged(*file);
        const Error *unsafe = std::get_if<Error>(&held);
        const MaybeError error =
            unsafe ? *unsafe
                   : FileManagerProxy::sharedInstance().trashHeldItem(std::get<HeldItem>(held), true);
        if (error) {
            if (frontEnd)
                withController(controller,
                               [&](CleanController &) { frontEnd->reportTrashFailure(*file, *error); });
            return;
        }
        core->removeFile(file);
        CleanTask::dropEmptiedSources(*core, frontEnd.get());
        core->withManager([](SourceNodeManager &engine) { engine.syncAllSatus(); });
    });
}

void CleanController::undoTask(const QObject *)
{
    if (m_journals.isEmpty() || m_state->taskStatus == TaskStatus::Running)
        return;
    m_state->taskStatus = TaskStatus::Running;
    m_undoFailures.clear();
    UndoRecord record{m_journals.last().id, {}};
    for (qsizetype i = 0; i < m_undoArray.size(); ++i) {
        if (m_undoArray[i].journal == record.journal)
            record = m_undoArray.takeAt(i);
    }
    Q_EMIT cleanTaskStateChanged();
    SourceNodeManager::scanQueue().async([task = std::make_shared<UndoTask>(*this, record)] { task->run(); });
}

void CleanController::showTaskWindow(const QObject *)
{
    if (m_state->taskStatus == TaskStatus::Running || m_engine.isScanning() || !m_taskWindow)
        return;
    //% "Choose what to keep, then start the clean-up."
    m_engine.updateStatBar(StringTable::text("CLEAN_TASK_PROMPT_STRING"));
    m_taskWindow->beginSheet();
}

void CleanController::closeTaskWindow(const QObject *)
{
    setTaskStatus(TaskStatus::Idle);
    m_engine.updateStatBar(QStringLiteral(" "));
    if (m_taskWindow)
        m_taskWindow->stopModal();
}

void CleanController::SelectPath(const QObject *)
{
    if (!m_taskWindow)
        return;
    //% "Choose the folder to move the duplicates into"
    m_taskWindow->chooseFolder(StringTable::text("SELECTED_DIRECTORY_PROMPT"),
                               [this](const QByteArray &path) {
                                   const Url folder = Url::fromPath(path);
                                   if (FileManagerProxy::sharedInstance().isFolder(folder)) {
                                       setUndoPath(folder);
                                       Q_EMIT cleanTaskStateChanged();
                                   }
                               });
}

bool CleanController::validateToolbarItem(const QString &identifier) const
{
    return identifier != QLatin1String("undo") || !m_journals.isEmpty();
}
