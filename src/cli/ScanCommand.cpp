// twinsift-cli scan: adds each path as a source, scans them on the scan queue as the GUI does, and
// prints the groups of duplicates.
#include "cli/Commands.h"
#include "cli/InterruptWatcher.h"
#include "cli/ReportOutput.h"
#include "cli/ScanConsole.h"
#include "cli/ScanOptions.h"
#include "cli/ScanReport.h"
#include "cli/ShellQuoting.h"
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "scan/CustomRuleController.h"
#include "scan/SourceNodeManager.h"

#include <QCoreApplication>

#include <cstring>
#include <unistd.h>

namespace {

void writeError(const QByteArray &message)
{
    const QByteArray line = "twinsift-cli scan: " + message + '\n';
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.constData(), size_t(line.size()));
}

int usageError(const QByteArray &message)
{
    writeError(message + "\nTry 'twinsift-cli --help'.");
    return 2;
}

QByteArray reasonText(int error)
{
    return QByteArray(std::strerror(error));
}

} // namespace

int runScanCommand(const QList<QByteArray> &arguments)
{
    QString error;
    const std::optional<ScanOptions> options = ScanOptions::parse(arguments, &error);
    if (!options)
        return usageError(error.toUtf8());
    // A relative path means nothing without a current folder; it must never stand for one below "/".
    for (const QByteArray &path : options->paths) {
        if (Url::fromAbsolutePath(path).isNull())
            return usageError(ShellQuoting::shown(path) +
                              ": a relative path, and the current folder cannot be found");
    }
    options->applyToSettings();

    CustomRuleController rules;
    SourceNodeManager manager;
    manager.setRuleController(&rules);

    QList<RootNode::Ptr> roots;
    InterruptWatcher interrupt([&roots] {
        for (const RootNode::Ptr &root : std::as_const(roots))
            root->setIsFinished(true);
    });
    const auto console = std::make_shared<ScanConsole>(
        ScanConsole::Options{options->quiet, options->verbose, !options->quiet && ::isatty(STDERR_FILENO)},
        interrupt);
    manager.setScanProgress(console);

    for (const QByteArray &path : options->paths) {
        const bool alreadyAdded = std::any_of(roots.cbegin(), roots.cend(), [&](const RootNode::Ptr &root) {
            return root->rootPath() == path;
        });
        if (alreadyAdded) {
            console->warn(ShellQuoting::shown(path) + " is already a source; skipped");
            continue;
        }
        const RootNode::Ptr root = RootNode::initWithPath(path);
        if (!root) {
            console->warn(ShellQuoting::shown(path) + ": nothing exists there; skipped");
            continue;
        }
        roots.append(root);
    }
    if (roots.isEmpty())
        return 1;
    // Queued only now: the first scan starts at once, and the list the interrupt reads must be complete.
    for (const RootNode::Ptr &root : std::as_const(roots))
        manager.addRootNode(root);
    manager.reIndex();

    // The scan queue is serial: this runs after every scan queued above has ended.
    SourceNodeManager::scanQueue().async([] { MainThread::async([] { QCoreApplication::quit(); }); });
    QCoreApplication::exec();
    // From here on a Ctrl-C ends the process at once.
    interrupt.release();
    manager.setScanProgress(nullptr);
    console->clearProgressLine();

    // A source stopped before its scan began never ran its end-of-scan step; count it too.
    manager.syncAllSatus();
    ReportOutput output;
    const auto toStdout = [&output](const QByteArray &part) { output.write(part); };
    switch (options->format) {
    case ScanOptions::Format::Json:
        ScanReport::json(manager, rules,
                         {console->skippedCount(), console->readErrorCount(), interrupt.interrupted()},
                         toStdout);
        break;
    case ScanOptions::Format::NullSeparated:
        ScanReport::nullSeparated(manager, toStdout);
        break;
    case ScanOptions::Format::Text:
        ScanReport::text(manager, toStdout);
        break;
    }
    if (const int writeFailure = output.finish()) {
        writeError("cannot write the report: " + reasonText(writeFailure));
        return 2;
    }
    if (!options->quiet)
        console->print((manager.sourceStatString() + QLatin1Char('\n') + manager.dupGroupStatString() +
                        QLatin1Char('\n'))
                           .toUtf8());
    if (interrupt.interrupted()) {
        writeError("interrupted: the report holds only what was scanned before the stop");
        return 130;
    }
    return 0;
}
