// Manual- and auto-reset events, waits on several events, the tick count.
#include "platform/events.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Waiters on several events sleep on one shared condition; Set() bumps its
// generation when any such waiter exists.
struct AnyWaitState {
    std::mutex mutex;
    std::condition_variable cond;
    unsigned long long generation = 0;
    std::atomic<int> waiters{0};
};

AnyWaitState& AnyWait()
{
    static AnyWaitState* state = new AnyWaitState;  // outlives every thread
    return *state;
}

}  // namespace

CEvent::CEvent(bool manualReset, bool initialState) : m_manual(manualReset), m_signalled(initialState) {}

void CEvent::Set()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_signalled = true;
        if (m_manual)
            m_cond.notify_all();
        else
            m_cond.notify_one();
    }
    AnyWaitState& any = AnyWait();
    if (any.waiters.load() > 0) {
        std::lock_guard<std::mutex> lock(any.mutex);
        ++any.generation;
        any.cond.notify_all();
    }
}

void CEvent::Reset()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signalled = false;
}

bool CEvent::IsSet() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_signalled;
}

DWORD CEvent::Wait(DWORD timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    auto ready = [this] { return m_signalled; };
    if (timeoutMs == INFINITE) {
        m_cond.wait(lock, ready);
    } else if (timeoutMs == 0) {
        if (!m_signalled) return WAIT_TIMEOUT;
    } else if (!m_cond.wait_until(lock, Clock::now() + std::chrono::milliseconds(timeoutMs), ready)) {
        return WAIT_TIMEOUT;
    }
    if (!m_manual) m_signalled = false;
    return WAIT_OBJECT_0;
}

DWORD WaitForAnyEvent(std::initializer_list<CEvent*> events, DWORD timeoutMs)
{
    AnyWaitState& any = AnyWait();
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs == INFINITE ? 0 : timeoutMs);
    auto tryTake = [&]() -> DWORD {
        DWORD index = 0;
        for (CEvent* e : events) {
            if (e) {
                std::lock_guard<std::mutex> lock(e->m_mutex);
                if (e->m_signalled) {
                    if (!e->m_manual) e->m_signalled = false;
                    return WAIT_OBJECT_0 + index;
                }
            }
            ++index;
        }
        return WAIT_TIMEOUT;
    };

    if (timeoutMs == 0) return tryTake();
    any.waiters.fetch_add(1);
    DWORD result = WAIT_TIMEOUT;
    for (;;) {
        unsigned long long seen;
        {
            std::lock_guard<std::mutex> lock(any.mutex);
            seen = any.generation;
        }
        result = tryTake();
        if (result != WAIT_TIMEOUT) break;
        std::unique_lock<std::mutex> lock(any.mutex);
        auto changed = [&] { return any.generation != seen; };
        if (timeoutMs == INFINITE) {
            any.cond.wait(lock, changed);
        } else if (!any.cond.wait_until(lock, deadline, changed)) {
            lock.unlock();
            result = tryTake();  // a last look, so a set at the deadline is not missed
            break;
        }
    }
    any.waiters.fetch_sub(1);
    return result;
}

DWORD GetTickCount()
{
    return static_cast<DWORD>(GetTickCount64());
}

INT64 GetTickCount64()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

void Sleep(DWORD ms)
{
    if (ms == 0) {
        std::this_thread::yield();
        return;
    }
    while (ms == INFINITE) std::this_thread::sleep_for(std::chrono::hours(24));
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
