// The C library's allocator: how many arenas it keeps, and handing freed
// memory back to the system.
#pragma once

// At most `count` allocator arenas for the whole process (many short-lived
// worker threads otherwise each keep an arena of freed memory).
void LimitAllocatorArenas(unsigned count);
// Returns freed memory of every arena to the system.
void ReturnFreeMemory();
// The same, once the resident memory has grown by `bytes` since the last
// return: cheap enough to ask after every piece of work.
void ReturnFreeMemoryAfterGrowth(long bytes);
