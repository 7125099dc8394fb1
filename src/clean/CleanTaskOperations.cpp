// The clean task's operations on the source manager: starting a task, sending one file to the trash,
// and the state the window reads.
#include "clean/CleanFrontEnd.h"
#include "clean/CleanTask.h"
#include "clean/RemovalSafety.h"
#include "fs/FileManagerProxy.h"
#include "platform/SerialQueue.h"
#include "platform/StringTable.h"
#include "scan/ManagerCore.h"
#include "scan/SourceNodeManager.h"
#include "scan/ViewInterfaces.h"

qint64 SourceNodeManager::taskStatus() const
{
    return m_core->taskStatus;
}

void SourceNodeManager::setTaskStatus(qint64 status)
{
    m_core->taskStatus = status;
    Q_EMIT cleanTaskStateChanged();
}

qint64 SourceNodeManager::alertAnswer() const
{
    return m_core->alertAnswer;
}

Url SourceNodeManager::undoPath() const
{
    return m_core->undoPath();
}

void SourceNodeManager::setUndoPath(const Url &path)
{
    m_core->setUndoPath(path);
}

void SourceNodeManager::runTask(const QObject *)
{
    if (m_core->taskStatus == 0)
        return;
    m_core->taskStatus = 0;
    const CleanTaskOptions options = CleanTaskOptions::fromSettings(allShowDupGroupFileExt());
    if (options.moveMode == 1 && undoPath().isNull()) {
        m_core->taskStatus = 1;
        //% "Choose the folder to move the files into first."
        updateStatBar(StringTable::text("CLEAN_TASK_NO_DST_FOLDER_STRING"));
        return;
    }
    Q_EMIT cleanTaskStateChanged();
    scanQueue().async(
        [task = std::make_shared<CleanTask>(m_core, options, m_cleanFrontEnd)] { task->run(); });
}

void SourceNodeManager::deleteOneFile(const QObject *control)
{
    if (!m_dupOutlineView)
        return;
    const OutlineItem item = m_dupOutlineView->itemAtRow(m_dupOutlineView->rowForView(control));
    if (const auto *file = std::get_if<MyTreeNode::Ptr>(&item); file && *file)
        deleteOneFile(*file);
}

void SourceNodeManager::deleteOneFile(const MyTreeNode::Ptr &file)
{
    if (!file || m_core->taskStatus == 0 || isScanning())
        return;
    scanQueue().async([core = m_core, file, frontEnd = m_cleanFrontEnd] {
        // The last copy of a group is never removed this way.
        const DupGroup::Ptr group = file->dupGroup();
        if (!group || group->fileNumber() < 2)
            return;
        const std::variant<HeldItem, Error> held = RemovalSafety::holdUnchanged(*file);
        const Error *unsafe = std::get_if<Error>(&held);
        const MaybeError error =
            unsafe ? *unsafe
                   : FileManagerProxy::sharedInstance().trashHeldItem(std::get<HeldItem>(held), true);
        if (error) {
            if (frontEnd)
                core->withManager([&](SourceNodeManager &) { frontEnd->reportTrashFailure(*file, *error); });
            return;
        }
        core->removeFile(file);
        CleanTask::dropEmptiedSources(*core, frontEnd.get());
        core->withManager([](SourceNodeManager &manager) { manager.syncAllSatus(); });
    });
}

void SourceNodeManager::showTaskWindow(const QObject *)
{
    if (m_core->taskStatus == 0 || isScanning() || !m_taskWindow)
        return;
    //% "Choose what to keep, then start the clean-up."
    updateStatBar(StringTable::text("CLEAN_TASK_PROMPT_STRING"));
    m_taskWindow->beginSheet();
}

void SourceNodeManager::closeTaskWindow(const QObject *)
{
    setTaskStatus(1);
    updateStatBar(QStringLiteral(" "));
    if (m_taskWindow)
        m_taskWindow->stopModal();
}

void SourceNodeManager::SelectPath(const QObject *)
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

bool SourceNodeManager::validateToolbarItem(const QString &identifier) const
{
    return identifier != QLatin1String("undo") || !m_undoArray.isEmpty();
}
