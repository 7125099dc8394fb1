#include "cli/ReportOutput.h"

#include <unistd.h>

#include <cerrno>

namespace {

constexpr qsizetype pieceLength = 1 << 16;

} // namespace

void ReportOutput::write(const QByteArray &bytes)
{
    m_pending += bytes;
    if (m_pending.size() >= pieceLength)
        flush();
}

int ReportOutput::finish()
{
    flush();
    return m_error;
}

void ReportOutput::flush()
{
    for (qsizetype written = 0; m_error == 0 && written < m_pending.size();) {
        const ssize_t n =
            ::write(STDOUT_FILENO, m_pending.constData() + written, size_t(m_pending.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            m_error = errno;
        else
            written += n;
    }
    m_pending.clear();
}
