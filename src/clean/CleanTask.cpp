#include "clean/CleanTask.h"

#include "clean/CleanController.h"
#include "clean/CleanFrontEnd.h"
#include "clean/CleanRules.h"
#include "clean/ControllerStep.h"
#include "clean/RemovalSafety.h"
#include "fs/FileManagerProxy.h"
#include "fs/FileOperationRules.h"
#include "fs/FolderWalk.h"
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "platform/StringTable.h"
#include "scan/ManagerCore.h"
#include "scan/SourceNodeManager.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace {

// The name a move into the folder will take: the file's own, else the first free one made from it.
QByteArray firstFreeName(int folderFd, const QByteArray &name)
{
    struct stat st;
    QByteArray candidate = name;
    for (qint64 counter = 1; ::fstatat(folderFd, candidate.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0;
         ++counter)
        candidate = freeNameCandidate(name, counter);
    return candidate;
}

} // namespace

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
        qint64 freed = 0;
        if (const MaybeError error = remove(file, copies, &freed)) {
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
        const Url destination = file->removeDstURL();
        if (m_core->removeFile(file)) {
            m_removedSize += freed;
            ++m_removedCount;
        }
        if (m_frontEnd)
            m_frontEnd->removed(*file, destination);
    }
}

MaybeError CleanTask::remove(const MyTreeNode::Ptr &file, const QList<MyTreeNode::Ptr> &copies, qint64 *freed)
{
    if (m_options.moveMode == CleanTaskOptions::Mode::Move && m_state->undoPath().isNull()) {
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
    // Bytes that another name of the file still holds are not freed.
    *freed = item.status().st_nlink > 1 ? 0 : item.size();
    if (m_options.moveMode == CleanTaskOptions::Mode::Delete)
        return FileManagerProxy::sharedInstance().removeHeldItem(item, true);
    return undoably(file, item, staying);
}

std::variant<UndoJournal *, Error> CleanTask::journal()
{
    if (!m_journal) {
        std::variant<UndoJournal, Error> made = UndoJournal::create(m_options.moveMode);
        if (const Error *error = std::get_if<Error>(&made))
            return *error;
        m_journal.emplace(std::move(std::get<UndoJournal>(made)));
        m_undoRecord.journal = m_journal->id();
    }
    return &*m_journal;
}

MaybeError CleanTask::undoably(const MyTreeNode::Ptr &file, const HeldItem &item, const HeldItem &staying)
{
    using Mode = CleanTaskOptions::Mode;
    const FileManagerProxy &fm = FileManagerProxy::sharedInstance();
    const struct stat &status = item.status();
    UndoJournal::Step step;
    step.place = file->FileURL();
    step.id = item.id();
    step.size = item.size();
    step.modificationNanoseconds = item.modificationNanoseconds();
    step.accessNanoseconds = UndoJournal::nanoseconds(status.st_atim);
    step.addedMilliseconds = file->addedDateKey();
    step.mode = status.st_mode;
    step.owner = status.st_uid;
    step.group = status.st_gid;
    step.anchor = RemovalSafety::anchorOf(*file);
    UniqueFd folderFd;
    const Url folder = m_state->undoPath();
    if (m_options.moveMode == Mode::Move) {
        // The folder is made again if it was taken away since it was chosen.
        int openError = 0;
        folderFd = openFolderBelow(Url(), folder, true, &openError);
        if (!folderFd)
            return Error::fromErrno(openError, folder.displayPath());
        step.target = folder.child(firstFreeName(folderFd.get(), file->FileURL().fileName()));
    } else if (m_options.replaces()) {
        step.target = staying.url();
        step.targetId = staying.id();
    }
    const std::variant<UndoJournal *, Error> opened = journal();
    if (const Error *error = std::get_if<Error>(&opened))
        return *error;
    UndoJournal &steps = *std::get<UndoJournal *>(opened);
    if (MaybeError error = steps.begin(step))
        return error;

    Url destination;
    FileId destinationId;
    QStringList notKept;
    MaybeError error;
    switch (m_options.moveMode) {
    case Mode::Move:
        error = fm.moveHeldItem(item, folderFd.get(), folder, step.target.fileName(),
                                FileManagerProxy::NameChoice::FirstFree, true, &destination, &notKept);
        break;
    case Mode::Trash:
        error = fm.trashHeldItem(item, true, &destination);
        break;
    case Mode::HardLink:
    case Mode::Reflink:
        error = fm.replaceHeldItem(item, staying,
                                   m_options.moveMode == Mode::HardLink ? FileManagerProxy::LinkKind::Hard
                                                                        : FileManagerProxy::LinkKind::Reflink,
                                   &destinationId, [&] {
                                       if (m_frontEnd)
                                           m_frontEnd->linkMade(*file);
                                   });
        destination = staying.url();
        break;
    case Mode::Delete:
        break;
    }
    if (error) {
        steps.abandon(step.number);
        return error;
    }
    struct stat moved;
    if (!m_options.replaces() && ::lstat(destination.c_str(), &moved) == 0)
        destinationId = FileId{quint64(moved.st_dev), quint64(moved.st_ino)};
    // Not recorded, the step reads as cut off, which an undo completes as well.
    steps.finish(step.number, destination, destinationId);
    m_undoRecord.files.insert(step.number, {file, file->rootNode()});
    file->setRemoveDstURL(destination);
    if (m_frontEnd && !notKept.isEmpty())
        m_frontEnd->movedWithLosses(*file, notKept);
    return std::nullopt;
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
    case CleanTaskOptions::Mode::HardLink:
        //% "%n file(s) replaced by hard links, %1 MiB freed."
        return StringTable::text("CLEAN_TASK_END_LINKED_STRING", m_removedCount)
            .arg(double(m_removedSize) / 1024 / 1024, 0, 'f', 2);
    case CleanTaskOptions::Mode::Reflink:
        // Clones share their blocks: what is freed depends on what else shares them.
        //% "%n file(s) replaced by reflinks, %1 MiB shared."
        return StringTable::text("CLEAN_TASK_END_REFLINKED_STRING", m_removedCount)
            .arg(double(m_removedSize) / 1024 / 1024, 0, 'f', 2);
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
    const bool undoable = m_journal && m_journal->holdsChanges();
    if (m_journal && !undoable)
        m_journal->remove();
    // Closed, the journal is no longer locked: an undo may take it.
    m_journal.reset();
    withController(m_controller, [&](CleanController &controller) {
        if (undoable)
            controller.m_undoArray.append(m_undoRecord);
        controller.refreshJournals();
    });
    m_core->withManager([&](SourceNodeManager &engine) {
        engine.syncAllSatus();
        engine.updateStatBar(stopped ? QStringLiteral(" ") : endText());
    });
    m_state->taskStatus = TaskStatus::Idle;
    withController(m_controller,
                   [](CleanController &controller) { Q_EMIT controller.cleanTaskStateChanged(); });
}
