#include "platform/memory.h"

#include <atomic>
#include <cstdio>

#include <malloc.h>
#include <unistd.h>

namespace {

std::atomic<long> g_residentAfterReturn{0};

long ResidentBytes()
{
    FILE* statm = std::fopen("/proc/self/statm", "re");
    if (!statm) return 0;
    long size = 0;
    long resident = 0;
    const int read = std::fscanf(statm, "%ld %ld", &size, &resident);
    std::fclose(statm);
    return read == 2 ? resident * sysconf(_SC_PAGESIZE) : 0;
}

}  // namespace

void LimitAllocatorArenas(unsigned count)
{
    if (count > 0) mallopt(M_ARENA_MAX, static_cast<int>(count));
}

void ReturnFreeMemory()
{
    malloc_trim(0);
    g_residentAfterReturn = ResidentBytes();
}

void ReturnFreeMemoryAfterGrowth(long bytes)
{
    long last = g_residentAfterReturn.load();
    const long resident = ResidentBytes();
    // One caller returns the memory; the others go on with their work.
    if (resident > last + bytes && g_residentAfterReturn.compare_exchange_strong(last, resident))
        ReturnFreeMemory();
}
