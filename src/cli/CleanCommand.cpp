// twinsift-cli clean: scans the paths as `scan` does, then removes the redundant copies of every
// group by the clean task of the desktop application, with the same rules and checks, and prints what
// it removed (or, with --dry-run, what it would remove).
#include "browser/ReportJson.h"
#include "browser/ReportShellQuoting.h"
#include "clean/CleanController.h"
#include "clean/CleanFrontEnd.h"
#include "clean/CleanRules.h"
#include "clean/PlannedMoves.h"
#include "cli/CleanOptions.h"
#include "cli/Commands.h"
#include "cli/Help.h"
#include "cli/ReportOutput.h"
#include "cli/ScanSession.h"
#include "fs/FileManagerProxy.h"
#include "platform/StringTable.h"

#include <QHash>

#include <cstring>

namespace {

// A member of a group as the report names it, taken before the clean-up changes the groups.
struct Member
{
    qsizetype group = 0;
    QByteArray path;
    qint64 size = 0;
};

// One line or object of the report: a file removed, moved, failed, or planned.
struct Removal
{
    Member file;
    Url destination;
    QString error;
};

// Answers failures by the --on-error choice and keeps what the task did, in the order it did it.
class CommandLineFrontEnd : public CleanFrontEnd
{
public:
    CommandLineFrontEnd(CleanOptions::OnError onError, QHash<const MyTreeNode *, Member> members)
        : m_onError(onError), m_members(std::move(members))
    {
    }

    AlertAnswer answerFailure(const MyTreeNode &, const Error &) override
    {
        return m_onError == CleanOptions::OnError::Quit ? AlertAnswer::Quit : AlertAnswer::ContinueAll;
    }
    void reportTrashFailure(const MyTreeNode &, const Error &) override {}
    void removed(const MyTreeNode &file, const Url &destination) override
    {
        removals.append({m_members.value(&file), destination, QString()});
    }
    void failed(const MyTreeNode &file, const Error &error) override
    {
        failures.append({m_members.value(&file), Url(), error.localizedDescription()});
    }
    void sourceFolderTrashed(const Url &folder) override { trashedFolders.append(folder); }
    void movedWithLosses(const MyTreeNode &, const QStringList &notKept) override { losses << notKept; }

    QList<Removal> removals;
    QList<Removal> failures;
    QList<Url> trashedFolders;
    QStringList losses;

private:
    const CleanOptions::OnError m_onError;
    const QHash<const MyTreeNode *, Member> m_members;
};

// The source made of the PATH at the position given to --source; none, and why, when there is none.
RootNode::Ptr chosenSource(const SourcePaths &sources, const char *optionName, qint64 position,
                           QByteArray *refusal)
{
    const qsizetype count = sources.entries().size();
    const QByteArray option = optionName + (' ' + QByteArray::number(position)) + ": ";
    if (position >= count) {
        *refusal = option + (count == 1 ? QByteArray("there is only 1 source")
                                        : "there are only " + QByteArray::number(count) + " sources");
        return nullptr;
    }
    const SourcePaths::Entry &entry = sources.entries().at(position);
    if (!entry.root)
        *refusal = option + ShellQuoting::shown(entry.path) + " was skipped (" + entry.skipReason + ")";
    return entry.root;
}

// The clean task's choices, from the options: the date rule always on, the folder and type rules
// when asked for.
CleanTaskOptions taskOptions(const CleanOptions &options, const RootNode::Ptr &source)
{
    CleanTaskOptions task;
    task.moveMode = options.moveTo ? CleanTaskOptions::Mode::Move : CleanTaskOptions::Mode::Delete;
    task.dateOrder = options.keep == CleanOptions::Keep::Newest ? CleanTaskOptions::DateOrder::OldestFirst
                                                                : CleanTaskOptions::DateOrder::NewestFirst;
    task.folderRuleOn = bool(source);
    task.folderIndex = source ? qint64(source->index()) : 0;
    task.typeRuleOn = options.extension.has_value();
    task.typeExtension = options.extension;
    return task;
}

QByteArray textLine(const char *action, const Removal &removal)
{
    QByteArray line = QByteArray::number(removal.file.group) + '\t' + action + '\t' +
                      ShellQuoting::shown(removal.file.path);
    if (!removal.destination.isNull())
        line += '\t' + ShellQuoting::shown(removal.destination.path());
    if (!removal.error.isEmpty())
        line += '\t' + ShellQuoting::shown(removal.error.toUtf8());
    return line + '\n';
}

QByteArray jsonItems(const QList<Removal> &items)
{
    return ReportJson::list(items, [](const Removal &item) {
        ReportJson::Members members = {{"group", QByteArray::number(item.file.group)},
                                       {"path", ReportJson::string(item.file.path)},
                                       {"destination", item.destination.isNull()
                                                           ? QByteArrayLiteral("null")
                                                           : ReportJson::string(item.destination.path())}};
        if (!item.error.isEmpty())
            members.append({"error", ReportJson::string(item.error.toUtf8())});
        return ReportJson::object(members);
    });
}

qint64 bytesOf(const QList<Removal> &removals)
{
    qint64 bytes = 0;
    for (const Removal &removal : removals)
        bytes += removal.file.size;
    return bytes;
}

} // namespace

int runCleanCommand(const QList<QByteArray> &arguments)
{
    ScanSession session("clean");
    QString error;
    const std::optional<CleanOptions> options = CleanOptions::parse(arguments, &error);
    if (!options)
        return session.usageError(error.toUtf8());
    if (options->scan.help)
        return Help::print(Help::ofCommand("clean"));
    FileManagerProxy &fm = FileManagerProxy::sharedInstance();
    const Url destination = options->moveTo ? Url::fromAbsolutePath(*options->moveTo) : Url();
    if (options->moveTo && !fm.isFolder(destination))
        return session.usageError(ShellQuoting::shown(*options->moveTo) + ": not a folder to move into");
    if (const int status = session.addSources(options->scan))
        return status;
    RootNode::Ptr source;
    if (options->source) {
        QByteArray refusal;
        if (!(source = chosenSource(session.sources(), "--source", *options->source, &refusal)))
            return session.usageError(refusal);
    }
    // Protected before the scan, so that the groups and figures count only what can go.
    QList<Url> protectedFolders;
    for (const QByteArray &path : options->protect)
        protectedFolders.append(Url::fromAbsolutePath(path));
    session.manager().setProtectedFolders(protectedFolders);
    for (const qint64 position : options->protectSources) {
        QByteArray refusal;
        const RootNode::Ptr root = chosenSource(session.sources(), "--protect-source", position, &refusal);
        if (!root)
            return session.usageError(refusal);
        session.manager().setSourceProtected(root, true);
    }
    session.scanSources();

    SourceNodeManager &manager = session.manager();
    CleanTaskOptions task = taskOptions(*options, source);
    task.protection = manager.protection();
    CleanController clean(manager);
    clean.setUndoPath(destination);

    // The report names groups by their place in the list the scan found. Every group in it is ticked
    // but the empty files (all alike, so one group), unless asked for: removing them frees nothing, and
    // a default clean-up of /usr would delete hundreds of marker files that programs look for.
    const QList<DupGroup::Ptr> groups = session.shown().showDupGroups().value_or(QList<DupGroup::Ptr>());
    for (const DupGroup::Ptr &group : groups)
        group->setIsSelected(options->includeEmpty || group->fileSize() > 0);
    QHash<const MyTreeNode *, Member> members;
    for (qsizetype g = 0; g < groups.size(); ++g) {
        for (const MyTreeNode::Ptr &file : groups[g]->childs())
            members.insert(file.get(), {g, session.sources().shown(*file), file->FileSize()});
    }
    const auto frontEnd = std::make_shared<CommandLineFrontEnd>(options->onError, members);
    if (options->dryRun) {
        PlannedMoves moves(destination);
        for (const CleanRules::PlannedRemoval &planned : CleanRules::plan(groups, task))
            frontEnd->removals.append(
                {members.value(planned.file.get()),
                 destination.isNull() ? Url() : moves.destinationOf(planned.file->FileURL()), QString()});
    } else if (!session.interrupt().interrupted()) {
        clean.setCleanFrontEnd(frontEnd);
        session.setAlsoOnInterrupt([&clean] { clean.setTaskStatus(TaskStatus::Idle); });
        clean.runTask(groups, task);
        ScanSession::waitForScanQueue();
    }
    session.interrupt().release();

    ReportOutput output;
    if (options->scan.format == "json") {
        const QByteArray stats =
            ReportJson::object({{"removed", QByteArray::number(frontEnd->removals.size())},
                                {"bytes", QByteArray::number(bytesOf(frontEnd->removals))},
                                {"failed", QByteArray::number(frontEnd->failures.size())}});
        const QByteArray trashed = ReportJson::list(
            frontEnd->trashedFolders, [](const Url &folder) { return ReportJson::string(folder.path()); });
        output.write(
            ReportJson::object({{"dry_run", ReportJson::boolean(options->dryRun)},
                                {"removed", jsonItems(frontEnd->removals)},
                                {"failed", jsonItems(frontEnd->failures)},
                                {"stats", stats},
                                {"trashed", trashed},
                                {"interrupted", ReportJson::boolean(session.interrupt().interrupted())}}) +
            '\n');
    } else if (options->scan.format == "null") {
        for (const Removal &removal : std::as_const(frontEnd->removals))
            output.write(removal.file.path + '\0');
        // The paths alone cannot tell a failure: it is named where the other messages go.
        for (const Removal &failure : std::as_const(frontEnd->failures))
            session.error(ShellQuoting::shown(failure.file.path) + ": " + failure.error.toUtf8());
    } else {
        const char *action = options->dryRun ? (options->moveTo ? "would-move" : "would-delete")
                                             : (options->moveTo ? "moved" : "deleted");
        for (const Removal &removal : std::as_const(frontEnd->removals))
            output.write(textLine(action, removal));
        for (const Removal &failure : std::as_const(frontEnd->failures))
            output.write(textLine("failed", failure));
    }
    if (const int writeFailure = output.finish()) {
        session.error(QByteArray("cannot write the report: ") + std::strerror(writeFailure) +
                      (options->dryRun ? "" : " (the clean-up was made all the same)"));
        return 2;
    }
    // What a move to another file system could not keep is a warning, whatever the format.
    for (const QString &loss : std::as_const(frontEnd->losses))
        session.console().warn(loss.toUtf8());
    if (!options->scan.quiet && !options->dryRun) {
        for (const Url &folder : std::as_const(frontEnd->trashedFolders))
            session.console().print(ShellQuoting::shown(folder.path()) + ": left empty, sent to the trash\n");
        session.console().print(manager.statBarString().toUtf8() + '\n');
    }
    if (session.interrupt().interrupted()) {
        session.error("interrupted: what was removed before the stop is listed");
        return 130;
    }
    return frontEnd->failures.isEmpty() ? 0 : 1;
}
