#include "platform/resources.h"

#include <sys/resource.h>

namespace {

bool ReadUsage(rusage& usage)
{
    return getrusage(RUSAGE_SELF, &usage) == 0;
}

}  // namespace

std::int64_t GetProcessUserTimeUs()
{
    rusage usage{};
    if (!ReadUsage(usage))
        return 0;
    return static_cast<std::int64_t>(usage.ru_utime.tv_sec) * 1000000 + usage.ru_utime.tv_usec;
}

std::int64_t GetProcessPeakMemoryBytes()
{
    rusage usage{};
    if (!ReadUsage(usage))
        return 0;
    return static_cast<std::int64_t>(usage.ru_maxrss) * 1024;  // kilobytes on Linux
}
