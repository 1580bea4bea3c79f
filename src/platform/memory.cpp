#include "platform/memory.h"

#include <malloc.h>

void LimitAllocatorArenas(unsigned count)
{
    if (count > 0) mallopt(M_ARENA_MAX, static_cast<int>(count));
}

void ReturnFreeMemory()
{
    malloc_trim(0);
}
