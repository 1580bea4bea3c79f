// What this process has used so far: processor time in user mode and its
// largest resident memory (for the transcoder's benchmark lines).
#pragma once
#include <cstdint>

// User-mode processor time of the whole process, in microseconds.
std::int64_t GetProcessUserTimeUs();
// Peak resident memory of the process, in bytes; 0 when unknown.
std::int64_t GetProcessPeakMemoryBytes();
