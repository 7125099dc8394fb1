// twinsift-cli scan: adds each path as a source, scans them on the scan queue as the GUI does, and
// prints the groups of duplicates.
#include "cli/Commands.h"
#include "cli/InterruptWatcher.h"
#include "cli/ScanOptions.h"
#include "cli/ScanReport.h"
#include "fs/ReadMeter.h"
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "scan/CustomRuleController.h"
#include "scan/SourceNodeManager.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

void writeAll(FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

QByteArray shown(const QByteArray &path)
{
    return ScanReport::jsonString(path);
}

// One line of progress on a terminal, rewritten in place.
class ProgressLine
{
public:
    explicit ProgressLine(const SourceNodeManager &manager) : m_manager(manager) {}

    void draw()
    {
        qint64 files = 0;
        for (const RootNode::Ptr &root : m_manager.rootNodes())
            files += root->totalFileNumber();
        const double mebibytes = double(ReadMeter::total()) / 1024 / 1024;
        QString line = QStringLiteral("%1 files, %2 MiB read | %3")
                           .arg(files)
                           .arg(mebibytes, 0, 'f', 1)
                           .arg(m_manager.statBarString().trimmed());
        if (line.size() > 150)
            line = line.left(147) + QStringLiteral("...");
        writeAll(stderr, "\r\033[K" + line.toUtf8());
        m_drawn = true;
    }

    void clear()
    {
        if (m_drawn)
            writeAll(stderr, "\r\033[K");
    }

private:
    const SourceNodeManager &m_manager;
    bool m_drawn = false;
};

} // namespace

int runScanCommand(const QList<QByteArray> &arguments)
{
    QString error;
    const std::optional<ScanOptions> options = ScanOptions::parse(arguments, &error);
    if (!options) {
        writeAll(stderr, "twinsift-cli scan: " + error.toUtf8() + "\nTry 'twinsift-cli --help'.\n");
        return 2;
    }
    options->applyToSettings();

    CustomRuleController rules;
    SourceNodeManager manager;
    manager.setRuleController(&rules);

    for (const QByteArray &path : options->paths) {
        const bool alreadyAdded =
            std::any_of(manager.rootNodes().cbegin(), manager.rootNodes().cend(),
                        [&](const RootNode::Ptr &root) { return root->rootPath() == path; });
        if (alreadyAdded) {
            writeAll(stderr, "twinsift-cli scan: " + shown(path) + " is already a source; skipped\n");
            continue;
        }
        const RootNode::Ptr root = RootNode::initWithPath(path);
        if (!root) {
            writeAll(stderr, "twinsift-cli scan: " + shown(path) + ": nothing exists there; skipped\n");
            continue;
        }
        manager.addRootNode(root);
    }
    if (manager.rootNodes().isEmpty())
        return 1;
    manager.reIndex();

    InterruptWatcher interrupt([&manager] {
        for (const RootNode::Ptr &root : manager.rootNodes())
            root->setIsFinished(true);
    });

    ProgressLine progress(manager);
    QTimer progressTimer;
    if (!options->quiet && ::isatty(STDERR_FILENO)) {
        QObject::connect(&progressTimer, &QTimer::timeout, [&progress] { progress.draw(); });
        progressTimer.start(200);
    }

    // The scan queue is serial: this runs after every scan queued above has ended.
    SourceNodeManager::scanQueue().async([] { MainThread::async([] { QCoreApplication::quit(); }); });
    QCoreApplication::exec();
    progressTimer.stop();
    progress.clear();

    // A source stopped before its scan began never ran its end-of-scan step; count it too.
    manager.syncAllSatus();
    const auto toStdout = [](const QByteArray &part) {
        std::fwrite(part.constData(), 1, size_t(part.size()), stdout);
    };
    if (options->format == ScanOptions::Format::Json)
        ScanReport::json(manager, rules, toStdout);
    else
        ScanReport::text(manager, toStdout);
    std::fflush(stdout);
    if (!options->quiet)
        writeAll(stderr, (manager.sourceStatString() + QLatin1Char('\n') + manager.dupGroupStatString() +
                          QLatin1Char('\n'))
                             .toUtf8());
    return 0;
}
