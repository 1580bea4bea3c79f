// A thread that owns its stop event and joins in its destructor. Its message
// queue exists before the body runs, so a message posted right after Start()
// is never lost.
#pragma once
#include "platform/events.h"
#include "platform/types.h"
#include <atomic>
#include <functional>
#include <thread>

class CMessageThread {
public:
    using Body = std::function<void(CMessageThread&)>;
    CMessageThread() = default;
    ~CMessageThread();  // Stop(), then join
    CMessageThread(const CMessageThread&) = delete;
    CMessageThread& operator=(const CMessageThread&) = delete;

    // Starts the body on a new thread; returns once the thread's id and queue exist.
    bool Start(Body body);
    // Sets the stop event and posts WM_QUIT to the thread's queue.
    void Stop();
    // Waits for the end; TRUE when it ended within the time.
    bool Join(DWORD timeoutMs = INFINITE);
    bool IsRunning() const { return m_running.load(); }
    DWORD GetThreadId() const { return m_threadId.load(); }
    CEvent& StopEvent() { return m_stop; }

private:
    std::thread m_thread;
    CEvent m_stop{true, false};
    CEvent m_done{true, false};
    std::atomic<DWORD> m_threadId{0};
    std::atomic<bool> m_running{false};
};
