// twinsift-cli scan: adds each path as a source, scans them on the scan queue as the GUI does, and
// prints the groups of duplicates.
#include "browser/ReportFormat.h"
#include "cli/Commands.h"
#include "cli/Help.h"
#include "cli/ReportOutput.h"
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

    ReportOutput output;
    ReportFormat::writeReport(options->format, session.reportScope(),
                              session.shown().showDupGroups().value_or(QList<DupGroup::Ptr>()),
                              [&output](const QByteArray &part) { output.write(part); });
    if (const int writeFailure = output.finish()) {
        session.error("cannot write the report: " + reasonText(writeFailure));
        return 2;
    }
    if (!options->quiet)
        session.console().print((session.sourceList().sourceStatString() + QLatin1Char('\n') +
                                 session.shown().dupGroupStatString() + QLatin1Char('\n'))
                                    .toUtf8());
    if (session.interrupt().interrupted()) {
        session.error("interrupted: the report holds only what was scanned before the stop");
        return 130;
    }
    return 0;
}
