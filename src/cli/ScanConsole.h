#pragma once

#include "scan/ScanProgress.h"

#include <QByteArray>
#include <QSet>

#include <atomic>
#include <chrono>
#include <mutex>

class InterruptWatcher;
class SourcePaths;

// What `twinsift-cli scan` and `clean` show on standard error while they scan: a warning for each item
// skipped and each file that could not be read (unless quiet), each file as it is taken in (verbose),
// and on a terminal a progress line rewritten in place, every path as the user named it. It counts what
// was skipped and what could not be read, for the report. Everything is written at once, on the thread
// that has it to tell.
class ScanConsole : public ScanProgress
{
public:
    struct Options
    {
        // The command named in warnings ("scan", "clean").
        const char *command = "scan";
        bool quiet = false;
        bool verbose = false;
        bool progressLine = false;
    };

    // Receives the read failures of file-system services until it is destroyed.
    ScanConsole(Options options, const SourcePaths &sources, InterruptWatcher &interrupt);
    ~ScanConsole() override;

    void scanStarted(const RootNode &root) override;
    void at(Phase phase, const Url &url) override;
    void fileTakenIn(const RootNode &root, const MyTreeNode &file) override;
    void itemSkipped(const Url &url, const QString &reason) override;
    // A file or folder whose content could not be read; each is counted once.
    void readFailed(const Url &url, const QString &reason);

    // Text as it is, and a line of the command's own ("twinsift-cli COMMAND: " and a newline are added).
    void print(const QByteArray &text);
    void warn(const QByteArray &message);
    // Takes the progress line away, before the report and the statistics.
    void clearProgressLine();

    qint64 skippedCount() const { return m_skipped; }
    qint64 readErrorCount() const;

private:
    // Writes to standard error, taking the progress line away first.
    void write(const QByteArray &bytes, bool isProgressLine = false);
    void drawProgressLine(const Url &url);
    // A path of the source being scanned, as the user named it.
    QByteArray shown(const Url &url) const;

    const Options m_options;
    const SourcePaths &m_sources;
    // Sources are scanned one at a time, and what is reported belongs to the one at hand.
    std::atomic<const RootNode *> m_scanning{nullptr};
    InterruptWatcher &m_interrupt;
    mutable std::mutex m_mutex;
    bool m_lineShown = false;
    std::chrono::steady_clock::time_point m_nextDraw;
    std::atomic<qint64> m_filesTakenIn{0};
    std::atomic<qint64> m_skipped{0};
    QSet<QByteArray> m_unreadable;
};
