// A thread that owns its stop event and joins in its destructor. Its message
// queue exists before the body runs, so a message posted right after Start()
// is never lost. No exception ends the process from a thread of ours: what
// escapes a body is caught and handed to the thread's owner, who logs it and
// fails the thread's job.
#pragma once
#include "platform/events.h"
#include "platform/types.h"
#include <atomic>
#include <exception>
#include <functional>
#include <string>
#include <thread>

// Runs `body`: true when it returned, false when an exception escaped it,
// with the exception's text in `escaped`.
template <class Body>
bool RunCatching(Body&& body, std::string& escaped) noexcept
{
    try {
        body();
        return true;
    } catch (const std::exception& e) {
        escaped = e.what();
    } catch (...) {
        escaped = "an exception of unknown type";
    }
    return false;
}

// For the platform's own service threads, which have no job to fail: the
// text goes to the standard error.
void ReportServiceThreadFailure(const char* thread, const std::string& what);

class CMessageThread {
public:
    using Body = std::function<void(CMessageThread&)>;
    // Runs on the thread when an exception escaped the body, with its text.
    using Escaped = std::function<void(const std::string& what)>;
    CMessageThread() = default;
    ~CMessageThread();  // Stop(), then join
    CMessageThread(const CMessageThread&) = delete;
    CMessageThread& operator=(const CMessageThread&) = delete;

    // Starts the body on a new thread; returns once the thread's id and queue
    // exist. `escaped` logs what escaped the body and fails the thread's job.
    bool Start(Body body, Escaped escaped);
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
