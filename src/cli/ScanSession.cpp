#include "cli/ScanSession.h"

#include "browser/ReportShellQuoting.h"
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"

#include <QEventLoop>

#include <unistd.h>

ScanSession::ScanSession(const char *command)
    : m_command(command), m_interrupt([this] {
          for (const RootNode::Ptr &root : m_sources.roots())
              root->setIsFinished(true);
          if (m_alsoOnInterrupt)
              m_alsoOnInterrupt();
      })
{
}

ScanSession::~ScanSession()
{
    m_manager.setScanProgress(nullptr);
}

void ScanSession::error(const QByteArray &message) const
{
    const QByteArray line = "twinsift-cli " + QByteArray(m_command) + ": " + message + '\n';
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.constData(), size_t(line.size()));
}

int ScanSession::usageError(const QByteArray &message) const
{
    error(message + "\nTry 'twinsift-cli " + m_command + " --help'.");
    return 2;
}

void ScanSession::waitForScanQueue()
{
    // Not the application's own loop: once that has ended, the application is quitting and hand-offs
    // to the main thread are refused.
    QEventLoop loop;
    SourceNodeManager::scanQueue().async([&loop] { MainThread::async([&loop] { loop.quit(); }); });
    loop.exec();
}

int ScanSession::addSources(const ScanOptions &options)
{
    // A relative path means nothing without a current folder; it must never stand for one below "/".
    for (const QByteArray &path : options.paths) {
        if (Url::fromAbsolutePath(path).isNull())
            return usageError(ShellQuoting::shown(path) +
                              ": a relative path, and the current folder cannot be found");
    }
    m_manager.setScanRules(options.scanRules());
    m_console = std::make_shared<ScanConsole>(ScanConsole::Options{m_command, options.quiet, options.verbose,
                                                                   !options.quiet && ::isatty(STDERR_FILENO)},
                                              m_sources, m_interrupt);
    m_manager.setScanProgress(m_console);

    for (const QByteArray &path : options.paths) {
        const SourcePaths::Entry &entry = m_sources.add(path);
        if (!entry.root)
            m_console->warn(ShellQuoting::shown(path) + ": " + entry.skipReason + "; skipped");
    }
    return m_sources.roots().isEmpty() ? 1 : 0;
}

void ScanSession::scanSources()
{
    // Queued only now: the first scan starts at once, and the list the interrupt reads must be complete.
    for (const RootNode::Ptr &root : m_sources.roots())
        m_manager.addRootNode(root);
    m_manager.reIndex();
    waitForScanQueue();
    m_manager.setScanProgress(nullptr);
    m_console->clearProgressLine();
    if (const auto &warning = m_manager.fingerprintCacheWarning())
        m_console->warn(warning->toUtf8());
    // A source stopped before its scan began never ran its end-of-scan step; count it too.
    m_manager.syncAllSatus();
}

int ScanSession::scan(const ScanOptions &options)
{
    if (const int status = addSources(options))
        return status;
    scanSources();
    return 0;
}

ReportScope ScanSession::reportScope() const
{
    ReportScope scope = ReportScope::ofEngine(m_manager);
    for (ReportSource &source : scope.sources) {
        source.path = m_sources.givenPath(*source.root);
        source.number = m_sources.position(*source.root);
    }
    scope.shownPath = [this](const MyTreeNode &file) { return m_sources.shown(file); };
    scope.completeness = {m_console->skippedCount(), m_console->readErrorCount(), m_interrupt.interrupted()};
    return scope;
}
