#pragma once

#include <QByteArray>

// Standard output for a report. Written in large pieces; the first failed write (a full disk, a closed
// descriptor, a reader gone while SIGPIPE is ignored) is kept and ends further writing, so that the
// command can end with status 2 rather than leave a cut report looking complete.
class ReportOutput
{
public:
    void write(const QByteArray &bytes);
    // Writes out what is held. Returns 0 when everything reached standard output, else the errno value
    // of the first failure.
    int finish();

private:
    void flush();

    QByteArray m_pending;
    int m_error = 0;
};
