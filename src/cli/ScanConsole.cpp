#include "cli/ScanConsole.h"

#include "browser/ReportShellQuoting.h"
#include "cli/InterruptWatcher.h"
#include "cli/SourcePaths.h"
#include "fs/ReadFailures.h"
#include "fs/ReadMeter.h"
#include "model/MyTreeNode.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace {

void writeToStderr(const QByteArray &bytes)
{
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t n = ::write(STDERR_FILENO, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // nowhere to tell it
        written += n;
    }
}

int terminalColumns()
{
    winsize size{};
    return ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 20 ? size.ws_col : 80;
}

} // namespace

ScanConsole::ScanConsole(Options options, const SourcePaths &sources, InterruptWatcher &interrupt)
    : m_options(options), m_sources(sources), m_interrupt(interrupt)
{
    ReadFailures::setObserver([this](const Url &url, const QString &reason) { readFailed(url, reason); });
}

ScanConsole::~ScanConsole()
{
    ReadFailures::setObserver({});
}

void ScanConsole::scanStarted(const RootNode &root)
{
    m_scanning = &root;
}

QByteArray ScanConsole::shown(const Url &url) const
{
    return m_sources.shown(m_scanning, url.path());
}

void ScanConsole::at(Phase phase, const Url &url)
{
    (void)phase;
    if (m_options.progressLine)
        drawProgressLine(url);
}

void ScanConsole::fileTakenIn(const RootNode &root, const MyTreeNode &file)
{
    ++m_filesTakenIn;
    if (!m_options.verbose)
        return;
    write(ShellQuoting::shown(m_sources.shown(&root, file.FileURL().path())) + '\n');
    // The write may have waited long for its reader, and the scan must not take in one more file
    // after a Ctrl-C sent meanwhile.
    m_interrupt.checkPending();
}

void ScanConsole::itemSkipped(const Url &url, const QString &reason)
{
    ++m_skipped;
    if (!m_options.quiet)
        warn("skipped " + ShellQuoting::shown(shown(url)) + ": " + reason.toUtf8());
}

void ScanConsole::readFailed(const Url &url, const QString &reason)
{
    {
        std::lock_guard lock(m_mutex);
        // The same file may be tried again later in the scan; it is one file that could not be read.
        if (m_unreadable.contains(url.path()))
            return;
        m_unreadable.insert(url.path());
    }
    if (!m_options.quiet)
        warn("cannot read " + ShellQuoting::shown(shown(url)) + ": " + reason.toUtf8());
}

qint64 ScanConsole::readErrorCount() const
{
    std::lock_guard lock(m_mutex);
    return m_unreadable.size();
}

void ScanConsole::print(const QByteArray &text)
{
    write(text);
}

void ScanConsole::warn(const QByteArray &message)
{
    write("twinsift-cli " + QByteArray(m_options.command) + ": " + message + '\n');
}

void ScanConsole::clearProgressLine()
{
    write(QByteArray());
}

void ScanConsole::write(const QByteArray &bytes, bool isProgressLine)
{
    std::lock_guard lock(m_mutex);
    writeToStderr((m_lineShown ? QByteArray("\r\033[K") : QByteArray()) + bytes);
    m_lineShown = isProgressLine;
}

void ScanConsole::drawProgressLine(const Url &url)
{
    const auto now = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(m_mutex);
        if (now < m_nextDraw)
            return;
        m_nextDraw = now + std::chrono::milliseconds(200);
    }
    const double mebibytes = double(ReadMeter::total()) / 1024 / 1024;
    QString line = QStringLiteral("%1 files, %2 MiB read | %3")
                       .arg(m_filesTakenIn.load())
                       .arg(mebibytes, 0, 'f', 1)
                       .arg(decodeFileNameBytes(shown(url), false));
    const int width = terminalColumns() - 1;
    if (line.size() > width)
        line = line.left(width - 3) + QStringLiteral("...");
    write(ShellQuoting::terminalSafe(line).toUtf8(), true);
    m_interrupt.checkPending();
}
