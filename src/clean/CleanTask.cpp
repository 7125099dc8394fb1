#include "clean/CleanTask.h"

#include "clean/CleanController.h"
#include "clean/CleanFrontEnd.h"
#include "clean/CleanRules.h"
#include "clean/ControllerStep.h"
#include "clean/RemovalSafety.h"
#include "fs/FileManagerProxy.h"
#include "fs/FolderWalk.h"
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "platform/StringTable.h"
#include "scan/ManagerCore.h"
#include "scan/SourceNodeManager.h"

#include <fcntl.h>
#include <sys/stat.h>

CleanTask::CleanTask(CleanController &controller, QList<DupGroup::Ptr> groups, CleanTaskOptions options)
    : m_core(controller.engine().core()), m_state(controller.state()), m_controller(&controller),
      m_groups(std::move(groups)), m_options(std::move(options)), m_frontEnd(controller.m_cleanFrontEnd)
{
}

bool CleanTask::mustStop() const
{
    return m_state->taskStatus == TaskStatus::Idle || m_state->alertAnswer == AlertAnswer::Quit;
}

void CleanTask::run()
{
    m_state->alertAnswer = AlertAnswer::None;
    if (m_groups.isEmpty()) {
        m_state->taskStatus = TaskStatus::Idle;
        withController(m_controller,
                       [](CleanController &controller) { Q_EMIT controller.cleanTaskStateChanged(); });
        return;
    }
    //% "Cleaning up…"
    m_core->status.setText(StringTable::text("CLEAN_TASK_START_STRING"));
    for (const DupGroup::Ptr &group : m_groups) {
        if (mustStop())
            break;
        if (CleanRules::takesGroup(*group, m_options))
            cleanGroup(group);
    }
    end();
}

void CleanTask::cleanGroup(const DupGroup::Ptr &group)
{
    // The copy a removed file is compared with is one that stays: those the rules keep come first.
    const QList<MyTreeNode::Ptr> kept = CleanRules::keptMembers(*group, m_options);
    const QList<MyTreeNode::Ptr> members = CleanRules::removalOrder(*group, m_options);
    // The group's files as the task found them: another name of a removed file that joins the group
    // meanwhile neither counts nor goes, so the task does what it planned at its start.
    qint64 remaining = members.size();
    for (const MyTreeNode::Ptr &file : members) {
        if (mustStop())
            return;
        const CleanRules::Verdict rule = CleanRules::verdict(*file, remaining, m_options);
        if (rule == CleanRules::Verdict::GroupFinished)
            return;
        if (rule == CleanRules::Verdict::Stays)
            continue;
        m_core->status.setText(file->filePath());
        QList<MyTreeNode::Ptr> copies = kept;
        for (const MyTreeNode::Ptr &member : group->childs()) {
            if (!copies.contains(member))
                copies.append(member);
        }
        if (const MaybeError error = remove(file, copies)) {
            // A group found by samples that the bytes disprove: the file leaves it for a group of
            // its whole content, and no longer counts as one of the group's files.
            if (group->isComparedBySamples() && error->domain == RemovalSafety::errorDomain &&
                error->code == RemovalSafety::noIdenticalCopy && m_core->regroupByWholeContent(file))
                --remaining;
            if (m_frontEnd)
                m_frontEnd->failed(*file, *error);
            if (m_state->alertAnswer != AlertAnswer::ContinueAll && m_frontEnd) {
                AlertAnswer answer = AlertAnswer::Quit;
                withController(m_controller,
                               [&](CleanController &) { answer = m_frontEnd->answerFailure(*file, *error); });
                m_state->alertAnswer = answer;
            }
            continue;
        }
        --remaining;
        const RootNode::Ptr source = file->rootNode();
        const Url destination = file->removeDstURL();
        if (m_options.moveMode != CleanTaskOptions::Mode::Delete)
            m_undoRecord.append({file, source, m_options.moveMode == CleanTaskOptions::Mode::Trash});
        if (m_core->removeFile(file)) {
            m_removedSize += file->FileSize();
            ++m_removedCount;
        }
        if (m_frontEnd)
            m_frontEnd->removed(*file,
                                m_options.moveMode == CleanTaskOptions::Mode::Move ? destination : Url());
    }
}

MaybeError CleanTask::remove(const MyTreeNode::Ptr &file, const QList<MyTreeNode::Ptr> &copies)
{
    const bool moving = m_options.moveMode == CleanTaskOptions::Mode::Move;
    if (moving && m_state->undoPath().isNull()) {
        m_state->taskStatus = TaskStatus::Idle;
        return Error{RemovalSafety::errorDomain, RemovalSafety::noDestination, QString()};
    }
    if (m_options.protection.covers(file->FileURL()))
        return RemovalSafety::protectedError(*file);
    std::variant<HeldItem, Error> held = RemovalSafety::holdUnchanged(*file);
    if (const Error *error = std::get_if<Error>(&held))
        return *error;
    const HeldItem &item = std::get<HeldItem>(held);
    const std::variant<HeldItem, Error> copy = RemovalSafety::holdIdenticalCopy(*file, item, copies);
    if (const Error *error = std::get_if<Error>(&copy))
        return *error;
    if (m_frontEnd)
        m_frontEnd->aboutToRemove(*file);
    const HeldItem &staying = std::get<HeldItem>(copy);
    if (!staying.isStillNamed() || !staying.isUnchangedSinceOpen())
        return RemovalSafety::noIdenticalCopyError(*file);
    if (moving)
        return moveAway(file, item);
    if (m_options.moveMode == CleanTaskOptions::Mode::Trash)
        return trashAway(file, item);
    return FileManagerProxy::sharedInstance().removeHeldItem(item, true);
}

MaybeError CleanTask::moveAway(const MyTreeNode::Ptr &file, const HeldItem &item)
{
    const FileManagerProxy &fm = FileManagerProxy::sharedInstance();
    const Url folder = m_state->undoPath();
    // The folder is made again if it was taken away since it was chosen.
    int openError = 0;
    const UniqueFd folderFd = openFolderBelow(Url(), folder, true, &openError);
    if (!folderFd)
        return Error::fromErrno(openError, folder.displayPath());
    Url destination;
    QStringList notKept;
    if (MaybeError error =
            fm.moveHeldItem(item, folderFd.get(), folder, file->FileURL().fileName(),
                            FileManagerProxy::NameChoice::FirstFree, true, &destination, &notKept))
        return error;
    if (m_frontEnd && !notKept.isEmpty())
        m_frontEnd->movedWithLosses(*file, notKept);
    recordDestination(*file, destination);
    return std::nullopt;
}

MaybeError CleanTask::trashAway(const MyTreeNode::Ptr &file, const HeldItem &item)
{
    Url trashed;
    if (MaybeError error = FileManagerProxy::sharedInstance().trashHeldItem(item, true, &trashed))
        return error;
    recordDestination(*file, trashed);
    return std::nullopt;
}

void CleanTask::recordDestination(MyTreeNode &file, const Url &destination)
{
    struct stat moved;
    if (::lstat(destination.c_str(), &moved) == 0)
        file.setRemoveDstId(FileId{quint64(moved.st_dev), quint64(moved.st_ino)});
    file.setRemoveDstURL(destination);
}

void CleanTask::dropEmptiedSources(ManagerCore &core, CleanFrontEnd *frontEnd)
{
    QList<RootNode::Ptr> roots;
    core.withManager([&](SourceNodeManager &engine) { roots = engine.rootNodes(); });
    QList<RootNode::Ptr> emptied;
    const FileManagerProxy &fm = FileManagerProxy::sharedInstance();
    for (const RootNode::Ptr &root : std::as_const(roots)) {
        if (root->totalFileNumber() != 0)
            continue;
        if (fm.isEmptyFolder(root->rootURL()) &&
            !fm.removeURL_WithUpperDirectory_ToTrash(root->rootURL(), true, true) && frontEnd)
            frontEnd->sourceFolderTrashed(root->rootURL());
        emptied.append(root);
    }
    if (emptied.isEmpty())
        return;
    core.withManager([&](SourceNodeManager &engine) {
        for (const RootNode::Ptr &root : std::as_const(emptied)) {
            if (engine.rootController().arrangedObjects().contains(root))
                engine.rootController().removeObject(root);
        }
        Q_EMIT engine.sourcesChanged();
    });
}

QString CleanTask::endText() const
{
    switch (m_options.moveMode) {
    case CleanTaskOptions::Mode::Delete:
        break;
    case CleanTaskOptions::Mode::Move:
        // Moved files take their space along: nothing is freed on the disk that held them, or not
        // unless the folder is on another one.
        //% "%n file(s) moved."
        return StringTable::text("CLEAN_TASK_END_MOVED_STRING", m_removedCount);
    case CleanTaskOptions::Mode::Trash:
        //% "%n file(s) sent to the trash."
        return StringTable::text("CLEAN_TASK_END_TRASHED_STRING", m_removedCount);
    }
    //% "%n file(s) removed, %1 MiB freed."
    return StringTable::text("CLEAN_TASK_END_STRING", m_removedCount)
        .arg(double(m_removedSize) / 1024 / 1024, 0, 'f', 2);
}

void CleanTask::end()
{
    dropEmptiedSources(*m_core, m_frontEnd.get());
    const bool stopped = m_state->taskStatus != TaskStatus::Running;
    m_state->alertAnswer = AlertAnswer::None;
    withController(m_controller, [&](CleanController &controller) {
        if (!m_undoRecord.isEmpty()) {
            controller.m_undoArray.append(m_undoRecord);
        }
    });
    m_core->withManager([&](SourceNodeManager &engine) {
        engine.syncAllSatus();
        engine.updateStatBar(stopped ? QStringLiteral(" ") : endText());
    });
    m_state->taskStatus = TaskStatus::Idle;
    withController(m_controller,
                   [](CleanController &controller) { Q_EMIT controller.cleanTaskStateChanged(); });
}
