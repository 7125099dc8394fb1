#include "clean/UndoTask.h"

#include "clean/CleanController.h"
#include "clean/CleanFrontEnd.h"
#include "clean/ControllerStep.h"
#include "clean/RemovalSafety.h"
#include "fs/FileManagerProxy.h"
#include "fs/FileOperationRules.h"
#include "fs/FolderWalk.h"
#include "fs/HeldItem.h"
#include "model/FingerprintSource.h"
#include "platform/RenameNoReplace.h"
#include "platform/SerialQueue.h"
#include "platform/StringTable.h"
#include "platform/Trash.h"
#include "scan/CustomRuleController.h"
#include "scan/ManagerCore.h"
#include "scan/SourceNodeManager.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace {

Error notRestored(const char *key, const MyTreeNode &node)
{
    return Error{RemovalSafety::errorDomain, RemovalSafety::changedSinceScan,
                 StringTable::text(key).arg(node.filePath(), node.removeDstURL().displayPath())};
}

// Moves whatever took the file's former name meanwhile aside, to the first free name next to it.
MaybeError moveAside(int folderFd, const Url &place)
{
    for (qint64 counter = 1;; ++counter) {
        const QByteArray aside = freeNameCandidate(place.fileName(), counter);
        const int error =
            renameNoReplace(folderFd, place.fileName().constData(), folderFd, aside.constData());
        if (error == 0 || error == ENOENT)
            return std::nullopt;
        if (error != EEXIST)
            return Error::fromErrno(error, place.displayPath());
    }
}

// Puts one moved file back; the reason when it cannot be, and it stays where it is.
MaybeError moveBack(const MyTreeNode &node)
{
    const FileManagerProxy &fm = FileManagerProxy::sharedInstance();
    const Url place = node.FileURL();
    const Url moved = node.removeDstURL();
    if (place.isNull() || moved.isNull())
        //% "%1 cannot be put back: its source was removed. It stays at %2."
        return notRestored(QT_TRID_NOOP("UNDO_NO_SOURCE_STRING"), node);
    int error = 0;
    const std::optional<HeldItem> held = HeldItem::open(moved, Url(), &error);
    const bool same = held && held->id() == node.removeDstId() &&
                      (node.isDir() ? held->isDirectory()
                                    : held->isRegularFile() && held->size() == node.FileSize() &&
                                          held->modificationNanoseconds() == node.modificationNanoseconds());
    if (!same)
        //% "%1 cannot be put back: what is at %2 is not the file moved there."
        return notRestored(QT_TRID_NOOP("UNDO_MOVED_FILE_CHANGED_STRING"), node);
    const UniqueFd folder = openFolderBelow(RemovalSafety::anchorOf(node), place.parent(), true, &error);
    if (!folder)
        return Error::fromErrno(error, place.parent().displayPath());
    struct stat st;
    if (::fstatat(folder.get(), place.fileName().constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (MaybeError aside = moveAside(folder.get(), place))
            return aside;
    }
    Url destination;
    return fm.moveHeldItem(*held, folder.get(), place.parent(), place.fileName(),
                           FileManagerProxy::NameChoice::Exact, false, &destination);
}

} // namespace

UndoTask::UndoTask(CleanController &controller, UndoRecord record)
    : m_core(controller.engine().core()), m_state(controller.state()), m_controller(&controller),
      m_frontEnd(controller.m_cleanFrontEnd), m_record(std::move(record))
{
}

void UndoTask::run()
{
    QList<FileFailure> failures;
    for (const auto &[node, root, trashed] : m_record) {
        m_core->status.setText(node->filePath());
        node->setRootNode(root);
        const Url moved = node->removeDstURL();
        if (MaybeError error = moveBack(*node)) {
            failures.append({node, *error});
            continue;
        }
        if (trashed)
            Trash::forget(moved);
        FingerprintSource fingerprints(m_core->rules.load()->rules().preciseLevel);
        m_core->takeIn(node, root, fingerprints);
        m_core->withManager([&](SourceNodeManager &engine) {
            if (!engine.rootNodes().contains(root)) {
                engine.rootController().addObject(root);
                Q_EMIT engine.sourcesChanged();
            }
        });
    }
    m_core->withManager([&](SourceNodeManager &engine) {
        engine.updateStatBar(QStringLiteral(" "));
        engine.syncAllSatus();
    });
    m_state->taskStatus = TaskStatus::Idle;
    withController(m_controller, [&](CleanController &controller) {
        controller.m_undoFailures = failures;
        Q_EMIT controller.cleanTaskStateChanged();
        if (m_frontEnd && !failures.isEmpty())
            m_frontEnd->reportUndoFailures(failures);
    });
}
