#include "platform/SystemLog.h"

#include <syslog.h>

#include <mutex>

namespace SystemLog {

void write(const QString &message)
{
    static std::once_flag opened;
    std::call_once(opened, [] { ::openlog("twinsift", LOG_PID, LOG_USER); });
    ::syslog(LOG_NOTICE, "%s", message.toUtf8().constData());
}

} // namespace SystemLog
