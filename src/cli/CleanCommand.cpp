// twinsift-cli clean: scans the paths as `scan` does, then removes the redundant copies of every
// group by the clean task of the desktop application, with the same rules and checks, and prints what
// it removed (or, with --dry-run, what it would remove).
#include "clean/CleanFrontEnd.h"
#include "clean/CleanRules.h"
#include "cli/CleanOptions.h"
#include "cli/Commands.h"
#include "cli/Help.h"
#include "cli/ReportOutput.h"
#include "cli/ScanReport.h"
#include "cli/ScanSession.h"
#include "cli/ShellQuoting.h"
#include "fs/FileManagerProxy.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"

#include <QHash>

#include <cstring>

namespace {

// One line or object of the report: a file removed, moved, failed, or planned.
struct Removal
{
    qsizetype group = 0;
    Url path;
    Url destination;
    QString error;
};

// Answers failures by the --on-error choice and keeps what the task did, in the order it did it.
class CommandLineFrontEnd : public CleanFrontEnd
{
public:
    CommandLineFrontEnd(CleanOptions::OnError onError, QHash<const MyTreeNode *, qsizetype> groupOf)
        : m_onError(onError), m_groupOf(std::move(groupOf))
    {
    }

    qint64 answerFailure(const MyTreeNode &, const Error &) override
    {
        return m_onError == CleanOptions::OnError::Quit ? quit : continueAll;
    }
    void reportTrashFailure(const MyTreeNode &, const Error &) override {}
    void removed(const MyTreeNode &file, const Url &destination) override
    {
        removals.append({m_groupOf.value(&file), file.FileURL(), destination, QString()});
    }
    void failed(const MyTreeNode &file, const Error &error) override
    {
        failures.append({m_groupOf.value(&file), file.FileURL(), Url(), error.localizedDescription()});
    }

    QList<Removal> removals;
    QList<Removal> failures;

private:
    const CleanOptions::OnError m_onError;
    const QHash<const MyTreeNode *, qsizetype> m_groupOf;
};

void setVolatile(const QVariant &value, const QString &key)
{
    UserDefaults::standard().setVolatile(value, key);
}

// The clean task's choices for this run only, as its window would store them.
void applyToSettings(const CleanOptions &options, const QStringList &extensions)
{
    setVolatile(options.moveTo ? 1 : 0, SettingsKeys::moveToTrash);
    setVolatile(true, SettingsKeys::cleanDateCheckbox);
    setVolatile(options.keep == CleanOptions::Keep::Newest ? 0 : 1, SettingsKeys::cleanDate);
    setVolatile(options.source.has_value(), SettingsKeys::cleanFolderCheckbox);
    setVolatile(options.source.value_or(0), SettingsKeys::cleanFolder);
    setVolatile(options.extension.has_value(), SettingsKeys::cleanTypeCheckbox);
    // An extension no shown group has is past the end of the list: then nothing is removed.
    setVolatile(options.extension ? qint64(extensions.indexOf(*options.extension) < 0
                                               ? extensions.size()
                                               : extensions.indexOf(*options.extension))
                                  : 0,
                SettingsKeys::cleanType);
}

QByteArray textLine(const char *action, const Removal &removal)
{
    QByteArray line =
        QByteArray::number(removal.group) + '\t' + action + '\t' + ShellQuoting::shown(removal.path.path());
    if (!removal.destination.isNull())
        line += '\t' + ShellQuoting::shown(removal.destination.path());
    if (!removal.error.isEmpty())
        line += '\t' + ShellQuoting::shown(removal.error.toUtf8());
    return line + '\n';
}

QByteArray jsonItems(const QList<Removal> &items)
{
    QByteArray out = "[";
    for (qsizetype i = 0; i < items.size(); ++i) {
        const Removal &item = items[i];
        out += (i ? ", " : "") + QByteArrayLiteral("{\"group\": ") + QByteArray::number(item.group) +
               ", \"path\": " + ScanReport::jsonString(item.path.path()) + ", \"destination\": " +
               (item.destination.isNull() ? QByteArrayLiteral("null")
                                          : ScanReport::jsonString(item.destination.path()));
        if (!item.error.isEmpty())
            out += ", \"error\": " + ScanReport::jsonString(item.error.toUtf8());
        out += "}";
    }
    return out + "]";
}

qint64 bytesOf(const QList<Removal> &removals, const QHash<QByteArray, qint64> &sizes)
{
    qint64 bytes = 0;
    for (const Removal &removal : removals)
        bytes += sizes.value(removal.path.path());
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
    if (const int status = session.scan(options->scan))
        return status;

    SourceNodeManager &manager = session.manager();
    if (options->source && quint64(*options->source) >= quint64(manager.rootNodes().size()))
        return session.usageError("--source " + QByteArray::number(*options->source) + ": there are only " +
                                  QByteArray::number(manager.rootNodes().size()) + " sources");
    applyToSettings(*options, manager.allShowDupGroupFileExt());
    manager.setUndoPath(destination);

    // Every group a scan shows is ticked; the report names groups by their place in that list.
    const QList<DupGroup::Ptr> groups = manager.showDupGroups().value_or(QList<DupGroup::Ptr>());
    QHash<const MyTreeNode *, qsizetype> groupOf;
    QHash<QByteArray, qint64> sizes;
    for (qsizetype g = 0; g < groups.size(); ++g) {
        for (const MyTreeNode::Ptr &member : groups[g]->childs()) {
            groupOf.insert(member.get(), g);
            sizes.insert(member->FileURL().path(), member->FileSize());
        }
    }
    const auto frontEnd = std::make_shared<CommandLineFrontEnd>(options->onError, groupOf);
    if (options->dryRun) {
        for (const CleanRules::PlannedRemoval &planned :
             CleanRules::plan(groups, CleanTaskOptions::fromSettings(manager.allShowDupGroupFileExt())))
            frontEnd->removals.append(
                {groupOf.value(planned.file.get()), planned.file->FileURL(),
                 destination.isNull() ? Url() : destination.child(planned.file->FileURL().fileName()),
                 QString()});
    } else if (!session.interrupt().interrupted()) {
        manager.setCleanFrontEnd(frontEnd);
        session.setAlsoOnInterrupt([&manager] { manager.setTaskStatus(1); });
        manager.runTask();
        ScanSession::waitForScanQueue();
    }
    session.interrupt().release();

    ReportOutput output;
    const qint64 bytes = bytesOf(frontEnd->removals, sizes);
    if (options->scan.format == ScanOptions::Format::Json) {
        output.write("{\"dry_run\": " + QByteArray(options->dryRun ? "true" : "false") + ", \"removed\": " +
                     jsonItems(frontEnd->removals) + ", \"failed\": " + jsonItems(frontEnd->failures) +
                     ", \"stats\": {\"removed\": " + QByteArray::number(frontEnd->removals.size()) +
                     ", \"bytes\": " + QByteArray::number(bytes) +
                     ", \"failed\": " + QByteArray::number(frontEnd->failures.size()) +
                     "}, \"interrupted\": " + (session.interrupt().interrupted() ? "true" : "false") + "}\n");
    } else if (options->scan.format == ScanOptions::Format::NullSeparated) {
        for (const Removal &removal : std::as_const(frontEnd->removals))
            output.write(removal.path.path() + '\0');
    } else {
        const char *action = options->dryRun ? (options->moveTo ? "would-move" : "would-delete")
                                             : (options->moveTo ? "moved" : "deleted");
        for (const Removal &removal : std::as_const(frontEnd->removals))
            output.write(textLine(action, removal));
        for (const Removal &failure : std::as_const(frontEnd->failures))
            output.write(textLine("failed", failure));
    }
    if (const int writeFailure = output.finish()) {
        session.error(QByteArray("cannot write the report: ") + std::strerror(writeFailure));
        return 2;
    }
    if (!options->scan.quiet && !options->dryRun)
        session.console().print(manager.statBarString().toUtf8() + '\n');
    if (session.interrupt().interrupted()) {
        session.error("interrupted: what was removed before the stop is listed");
        return 130;
    }
    return frontEnd->failures.isEmpty() ? 0 : 1;
}
