// twinsift-cli scan: adds each path as a source, scans them on the scan queue as the GUI does, and
// prints the groups of duplicates.
#include "cli/Commands.h"
#include "cli/Help.h"
#include "cli/ReportOutput.h"
#include "cli/ScanReport.h"
#include "cli/ScanSession.h"

#include <cstring>

namespace {

QByteArray reasonText(int error)
{
    return QByteArray(std::strerror(error));
}

} // namespace

int runScanCommand(const QList<QByteArray> &arguments)
{
    ScanSession session("scan");
    QString error;
    const std::optional<ScanOptions> options = ScanOptions::parse(arguments, &error);
    if (!options)
        return session.usageError(error.toUtf8());
    if (options->help)
        return Help::print(Help::ofCommand("scan"));
    if (const int status = session.scan(*options))
        return status;
    // From here on a Ctrl-C ends the process at once.
    session.interrupt().release();

    SourceNodeManager &manager = session.manager();
    ScanConsole &console = session.console();
    ReportOutput output;
    const auto toStdout = [&output](const QByteArray &part) { output.write(part); };
    switch (options->format) {
    case ScanOptions::Format::Json:
        ScanReport::json(
            manager, session.sources(),
            {console.skippedCount(), console.readErrorCount(), session.interrupt().interrupted()}, toStdout);
        break;
    case ScanOptions::Format::NullSeparated:
        ScanReport::nullSeparated(manager, session.sources(), toStdout);
        break;
    case ScanOptions::Format::Text:
        ScanReport::text(manager, session.sources(), toStdout);
        break;
    }
    if (const int writeFailure = output.finish()) {
        session.error("cannot write the report: " + reasonText(writeFailure));
        return 2;
    }
    if (!options->quiet)
        console.print((session.sourceList().sourceStatString() + QLatin1Char('\n') +
                       session.shown().dupGroupStatString() + QLatin1Char('\n'))
                          .toUtf8());
    if (session.interrupt().interrupted()) {
        session.error("interrupted: the report holds only what was scanned before the stop");
        return 130;
    }
    return 0;
}
