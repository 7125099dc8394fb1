#include "clean/JournalUndo.h"

#include "clean/RemovalSafety.h"
#include "fs/DirectoryEntries.h"
#include "fs/FileManagerProxy.h"
#include "fs/FileOperationRules.h"
#include "fs/FolderWalk.h"
#include "fs/HeldItem.h"
#include "fs/MoveTemporaries.h"
#include "platform/RenameNoReplace.h"
#include "platform/StringTable.h"
#include "platform/Trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace JournalUndo {

namespace {

using Step = UndoJournal::Step;
using Mode = CleanTaskOptions::Mode;

Error notRestored(const char *key, const Step &step, const Url &other)
{
    return Error{RemovalSafety::errorDomain, RemovalSafety::changedSinceScan,
                 StringTable::text(key).arg(step.place.displayPath(), other.displayPath())};
}

std::optional<HeldItem> hold(const Url &url, const Url &anchor)
{
    int error = 0;
    return url.isNull() ? std::nullopt : HeldItem::open(url, anchor, &error);
}

// The file of the step as it was: the same identity, or (a copy made on another file system) the same
// size and modification time.
bool isTheFile(const HeldItem &held, const Step &step, bool sameIdentity)
{
    return held.isRegularFile() && held.size() == step.size &&
           (held.id() == step.id ||
            (!sameIdentity && held.modificationNanoseconds() == step.modificationNanoseconds));
}

struct stat metadataOf(const Step &step)
{
    struct stat st = {};
    st.st_mode = step.mode;
    st.st_uid = step.owner;
    st.st_gid = step.group;
    st.st_atim = {time_t(step.accessNanoseconds / 1'000'000'000),
                  long(step.accessNanoseconds % 1'000'000'000)};
    st.st_mtim = {time_t(step.modificationNanoseconds / 1'000'000'000),
                  long(step.modificationNanoseconds % 1'000'000'000)};
    return st;
}

// Moves whatever took the place meanwhile aside, to the first free name next to it.
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

// Moves a held file that went away back to the step's place.
MaybeError moveBack(const HeldItem &held, const Step &step)
{
    int error = 0;
    const UniqueFd folder = openFolderBelow(step.anchor, step.place.parent(), true, &error);
    if (!folder)
        return Error::fromErrno(error, step.place.parent().displayPath());
    if (MaybeError aside = moveAside(folder.get(), step.place))
        return aside;
    Url destination;
    return FileManagerProxy::sharedInstance().moveHeldItem(
        held, folder.get(), step.place.parent(), step.place.fileName(), FileManagerProxy::NameChoice::Exact,
        false, &destination);
}

// The file parked under a private name next to its place by a task killed before it was done with it.
std::optional<QByteArray> parkedName(int folderFd, const FileId &id)
{
    QList<QByteArray> names;
    readEntryNames(folderFd, &names);
    for (const QByteArray &name : std::as_const(names)) {
        struct stat st;
        if (name.startsWith(".twinsift-") &&
            ::fstatat(folderFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            FileId{quint64(st.st_dev), quint64(st.st_ino)} == id)
            return name;
    }
    return std::nullopt;
}

// Removes what a killed step left half-made: clones and copies (locked move temporaries no one holds any
// more) next to the place and in the destination folder, and hard links to the copy that stays.
void sweep(const Step &step, Mode mode, int placeFolder)
{
    removeStaleMoveTemporaries(placeFolder);
    if (mode == Mode::Move) {
        const UniqueFd destination(::open(step.target.parent().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (destination)
            removeStaleMoveTemporaries(destination.get());
    }
    if (mode != Mode::HardLink)
        return;
    struct stat st;
    while (const std::optional<QByteArray> link = parkedName(placeFolder, step.targetId)) {
        if (::fstatat(placeFolder, link->constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 || st.st_nlink < 2 ||
            ::unlinkat(placeFolder, link->constData(), 0) != 0)
            return;
    }
}

MaybeError unshare(const HeldItem &held, const Step &step, Mode mode)
{
    FileId copy;
    return FileManagerProxy::sharedInstance().unshareHeldItem(held, metadataOf(step), mode == Mode::Reflink,
                                                              &copy);
}

// Whether the held item is what replaced the step's file: the copy that stays itself for a hard link,
// the recorded clone (or, cut off before it was recorded, one with the file's size and times) for a
// reflink.
bool isReplacement(const HeldItem &held, const Step &step, Mode mode)
{
    if (!held.isRegularFile() || held.size() != step.size)
        return false;
    if (mode == Mode::HardLink)
        return held.id() == step.targetId;
    if (step.state == Step::State::Done)
        return held.id() == step.destinationId;
    return held.id() != step.targetId && held.modificationNanoseconds() == step.modificationNanoseconds;
}

MaybeError undoDone(const Step &step, Mode mode)
{
    if (mode == Mode::Move || mode == Mode::Trash) {
        const std::optional<HeldItem> held = hold(step.destination, Url());
        if (!held || held->id() != step.destinationId || held->size() != step.size)
            //% "%1 cannot be put back: what is at %2 is not the file moved there."
            return notRestored(QT_TRID_NOOP("UNDO_MOVED_FILE_CHANGED_STRING"), step, step.destination);
        MaybeError error = moveBack(*held, step);
        if (!error && mode == Mode::Trash)
            Trash::forget(step.destination);
        return error;
    }
    const std::optional<HeldItem> held = hold(step.place, step.anchor);
    if (!held || !isReplacement(*held, step, mode))
        //% "%1 cannot be put back: it changed since it was replaced by a link to %2."
        return notRestored(QT_TRID_NOOP("UNDO_REPLACEMENT_CHANGED_STRING"), step, step.target);
    return unshare(*held, step, mode);
}

// A step cut off by a kill, somewhere between its journal record and the record of its end.
MaybeError undoCutOff(const Step &step, Mode mode, bool *neverLeft)
{
    int error = 0;
    const UniqueFd folder = openFolderBelow(step.anchor, step.place.parent(), false, &error);
    if (!folder)
        return Error::fromErrno(error, step.place.parent().displayPath());
    const std::optional<HeldItem> atPlace = hold(step.place, step.anchor);
    const QByteArray name = step.place.fileName();
    MaybeError result;
    if (const std::optional<QByteArray> parked = parkedName(folder.get(), step.id)) {
        // What took the name may be the link or clone made for it, which the file may take back.
        const std::optional<HeldItem> original = hold(step.place.parent().child(*parked), step.anchor);
        const bool replacement = atPlace && original && (mode == Mode::HardLink || mode == Mode::Reflink) &&
                                 (atPlace->id() == step.targetId ||
                                  FileManagerProxy::sharedInstance().compareContents(*original, *atPlace) ==
                                      FileManagerProxy::Comparison::Identical);
        if (atPlace && !replacement)
            result = moveAside(folder.get(), step.place);
        const int renamed =
            result ? 0
            : replacement
                ? (::renameat(folder.get(), parked->constData(), folder.get(), name.constData()) == 0 ? 0
                                                                                                      : errno)
                : renameNoReplace(folder.get(), parked->constData(), folder.get(), name.constData());
        if (!result && renamed)
            result = Error::fromErrno(renamed, step.place.displayPath());
    } else if (atPlace && isTheFile(*atPlace, step, true)) {
        *neverLeft = true;
    } else if (mode == Mode::Move) {
        const std::optional<HeldItem> moved = hold(step.target, Url());
        result = moved && isTheFile(*moved, step, false)
                     ? moveBack(*moved, step)
                     //% "%1 cannot be put back: it is neither at its place nor at %2."
                     : notRestored(QT_TRID_NOOP("UNDO_NOT_FOUND_STRING"), step, step.target);
    } else if (atPlace && isReplacement(*atPlace, step, mode)) {
        result = unshare(*atPlace, step, mode);
    } else {
        result = notRestored(QT_TRID_NOOP("UNDO_NOT_FOUND_STRING"), step, step.target);
    }
    sweep(step, mode, folder.get());
    return result;
}

} // namespace

QList<Outcome> run(UndoJournal &journal, const std::function<bool()> &stop,
                   const std::function<void(const Outcome &)> &restored)
{
    QList<Outcome> outcomes;
    const QList<Step> steps = journal.steps();
    for (auto step = steps.crbegin(); step != steps.crend(); ++step) {
        if (step->state != Step::State::Done && step->state != Step::State::Begun)
            continue;
        if (stop && stop())
            return outcomes;
        Outcome outcome{*step, std::nullopt, false};
        outcome.error = step->state == Step::State::Done
                            ? undoDone(*step, journal.mode())
                            : undoCutOff(*step, journal.mode(), &outcome.neverLeft);
        if (!outcome.error) {
            if (MaybeError unrecorded = journal.markUndone(step->number))
                outcome.error = unrecorded;
            else if (restored)
                restored(outcome);
        }
        outcomes.append(outcome);
    }
    journal.remove();
    return outcomes;
}

} // namespace JournalUndo
