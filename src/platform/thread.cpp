// Threads that own a message queue from their first instruction.
#include "platform/thread.h"

#include "platform/messages.h"

#include <cstdio>
#include <system_error>

void ReportServiceThreadFailure(const char* thread, const std::string& what)
{
    std::fprintf(stderr, "The %s thread stopped: %s\n", thread, what.c_str());
}

CMessageThread::~CMessageThread()
{
    Stop();
    if (m_thread.joinable() && m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach();  // destroyed by its own body: nothing can wait for it
    else
        Join(INFINITE);
}

bool CMessageThread::Start(Body body, Escaped escaped)
{
    if (m_running.load()) return false;
    if (m_thread.joinable()) {
        if (m_thread.get_id() == std::this_thread::get_id()) return false;
        m_thread.join();
    }
    m_stop.Reset();
    m_done.Reset();
    m_threadId.store(0);
    m_running.store(true);
    try {
        m_thread = std::thread([this, body = std::move(body), escaped = std::move(escaped)]() mutable {
            m_threadId.store(GetCurrentThreadId());  // makes the queue
            m_threadId.notify_all();
            std::string what;
            if (body && !RunCatching([&] { body(*this); }, what) && escaped)
                RunCatching([&] { escaped(what); }, what);  // a report that fails has nowhere left to go
            m_running.store(false);
            m_done.Set();
        });
    } catch (const std::system_error&) {
        m_running.store(false);
        return false;
    }
    m_threadId.wait(0);
    return true;
}

void CMessageThread::Stop()
{
    m_stop.Set();
    DWORD id = m_threadId.load();
    if (id && m_running.load()) PostThreadMessage(id, WM_QUIT, 0, 0);
}

bool CMessageThread::Join(DWORD timeoutMs)
{
    if (!m_thread.joinable()) return true;
    if (m_thread.get_id() == std::this_thread::get_id()) return false;  // a thread cannot wait for itself
    if (m_done.Wait(timeoutMs) != WAIT_OBJECT_0) return false;
    m_thread.join();
    return true;
}
