// Manual- and auto-reset events with timed waits.
#pragma once
#include "VXMTypes.h"
#include <condition_variable>
#include <initializer_list>
#include <mutex>

constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

class CEvent {
public:
    explicit CEvent(bool manualReset = true, bool initialState = false);
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;
    void Set();
    void Reset();
    bool IsSet() const;
    // WAIT_OBJECT_0 or WAIT_TIMEOUT. 0 ms only tests; INFINITE waits for ever.
    DWORD Wait(DWORD timeoutMs = INFINITE);

private:
    friend DWORD WaitForAnyEvent(std::initializer_list<CEvent*>, DWORD);
    mutable std::mutex m_mutex;
    std::condition_variable_any m_cond;
    bool m_manual;
    bool m_signalled;
};

// WAIT_OBJECT_0 + index of the first set event, or WAIT_TIMEOUT.
DWORD WaitForAnyEvent(std::initializer_list<CEvent*> events, DWORD timeoutMs);

// Milliseconds from a monotonic clock.
DWORD GetTickCount();
INT64 GetTickCount64();
void Sleep(DWORD ms);
