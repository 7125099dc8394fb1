#include "platform/DescriptorLimit.h"

#include <sys/resource.h>

#include <cerrno>

namespace {

bool raiseSoftLimit()
{
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max)
        return false;
    limit.rlim_cur = limit.rlim_max;
    return ::setrlimit(RLIMIT_NOFILE, &limit) == 0;
}

} // namespace

int openRaisingDescriptorLimit(const std::function<int()> &open)
{
    const int fd = open();
    if (fd >= 0 || errno != EMFILE || !raiseSoftLimit())
        return fd;
    return open();
}
