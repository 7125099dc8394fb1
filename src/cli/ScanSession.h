#pragma once

#include "browser/ReportScope.h"
#include "browser/ShownGroups.h"
#include "browser/SourceList.h"
#include "cli/InterruptWatcher.h"
#include "cli/ScanConsole.h"
#include "cli/ScanOptions.h"
#include "cli/SourcePaths.h"
#include "scan/SourceNodeManager.h"

#include <functional>
#include <memory>

// The scan that `twinsift-cli scan` and `clean` begin with: the paths added as sources in the order
// given, scanned on the scan queue as the window scans them, with warnings and progress on stderr and
// Ctrl-C stopping the scans.
class ScanSession
{
public:
    // command names the command in messages ("scan", "clean").
    explicit ScanSession(const char *command);
    ~ScanSession();

    // Adds the paths as sources. Returns 0, or the exit status to end with: 1 when no path could be
    // added, 2 for a relative path without a current folder.
    int addSources(const ScanOptions &options);
    // Scans the sources added, until every scan has ended or been stopped.
    void scanSources();
    // Both of the above.
    int scan(const ScanOptions &options);

    const SourcePaths &sources() const { return m_sources; }
    SourceNodeManager &manager() { return m_manager; }
    // The groups found, in the engine's order (a report sorts nothing), and the statistics texts.
    const ShownGroups &shown() const { return m_shown; }
    const SourceList &sourceList() const { return m_sourceList; }
    ScanConsole &console() { return *m_console; }
    // What a report of the scan tells besides the groups: the sources by the paths given and their
    // places among them, the files through the links named, the totals, and what was skipped or cut.
    ReportScope reportScope() const;
    InterruptWatcher &interrupt() { return m_interrupt; }
    // What a Ctrl-C stops besides the scans (a clean task), from now on.
    void setAlsoOnInterrupt(std::function<void()> stop) { m_alsoOnInterrupt = std::move(stop); }

    // Runs the event loop until every task queued so far on the scan queue has ended.
    static void waitForScanQueue();

    // "twinsift-cli COMMAND: " and the message, on stderr, whatever --quiet says.
    void error(const QByteArray &message) const;
    int usageError(const QByteArray &message) const;

private:
    const char *m_command;
    SourceNodeManager m_manager;
    ShownGroups m_shown{m_manager};
    SourceList m_sourceList{m_manager};
    SourcePaths m_sources;
    std::function<void()> m_alsoOnInterrupt;
    InterruptWatcher m_interrupt;
    std::shared_ptr<ScanConsole> m_console;
};
