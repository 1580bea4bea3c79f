// Per-target timers. One service thread keeps the due times and posts
// WM_TIMER to the owner's queue; at most one of each timer is queued at a time.
#include "platform/messages.h"
#include "platform/messages_internal.h"
#include "platform/thread.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

using vxmplatform_detail::TimerState;

namespace {

using Clock = std::chrono::steady_clock;

constexpr UINT kMinimumPeriodMs = 10;

struct Timer {
    Clock::time_point due;
    std::chrono::milliseconds period;
    std::shared_ptr<TimerState> state;
};

class CTimerService {
public:
    ~CTimerService()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_cond.notify_all();
        if (m_thread.joinable()) m_thread.join();
    }

    bool Set(HWND hwnd, UINT_PTR id, UINT periodMs)
    {
        auto period = std::chrono::milliseconds(std::max(periodMs, kMinimumPeriodMs));
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stop) return false;
        if (!m_thread.joinable()) {
            try {
                m_thread = std::thread([this] {
                    std::string what;
                    if (!RunCatching([this] { Run(); }, what)) ReportServiceThreadFailure("timer", what);
                });
            } catch (const std::system_error&) {
                return false;
            }
        }
        Timer& t = m_timers[{hwnd, id}];
        if (!t.state) t.state = std::make_shared<TimerState>();
        t.period = period;
        t.due = Clock::now() + period;
        m_cond.notify_all();
        return true;
    }

    bool Kill(HWND hwnd, UINT_PTR id)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_timers.find({hwnd, id});
        if (it == m_timers.end()) return false;
        it->second.state->killed.store(true);
        m_timers.erase(it);
        return true;
    }

    void KillAll(HWND hwnd)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_timers.lower_bound({hwnd, 0});
        while (it != m_timers.end() && it->first.first == hwnd) {
            it->second.state->killed.store(true);
            it = m_timers.erase(it);
        }
    }

private:
    struct Due {
        HWND hwnd;
        UINT_PTR id;
        std::shared_ptr<TimerState> state;
    };

    void Run()
    {
        std::vector<Due> due;
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_stop) {
            auto now = Clock::now();
            auto next = Clock::time_point::max();
            due.clear();
            for (auto& [key, t] : m_timers) {
                if (t.due <= now) {
                    due.push_back({key.first, key.second, t.state});
                    t.due += t.period;
                    if (t.due <= now) t.due = now + t.period;  // missed ticks are not made up
                }
                next = std::min(next, t.due);
            }
            if (!due.empty()) {
                // Post without our lock: a wake hook may run inside the post.
                lock.unlock();
                std::vector<Due> dead;
                for (const Due& d : due)
                    if (!vxmplatform_detail::PostTimerMessage(d.hwnd, d.id, d.state)) dead.push_back(d);
                lock.lock();
                for (const Due& d : dead) {
                    auto it = m_timers.find({d.hwnd, d.id});
                    if (it != m_timers.end() && it->second.state == d.state) m_timers.erase(it);  // target is gone
                }
                continue;
            }
            if (next == Clock::time_point::max())
                m_cond.wait(lock);
            else
                m_cond.wait_until(lock, next);
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_cond;
    std::map<std::pair<HWND, UINT_PTR>, Timer> m_timers;
    std::thread m_thread;
    bool m_stop = false;
};

std::atomic<bool> g_timersUsed{false};

CTimerService& Timers()
{
    static CTimerService service;  // its thread is joined at exit
    g_timersUsed.store(true);
    return service;
}

}  // namespace

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT periodMs)
{
    if (!IsWindow(hwnd)) return 0;
    if (!Timers().Set(hwnd, id, periodMs)) return 0;
    // The target may have died meanwhile; its timer then goes at the first tick.
    return id ? id : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id)
{
    if (!hwnd || !g_timersUsed.load()) return FALSE;
    bool found = Timers().Kill(hwnd, id);
    vxmplatform_detail::DropTimerMessages(hwnd, id);
    return found ? TRUE : FALSE;
}

namespace vxmplatform_detail {

void KillWindowTimers(HWND hwnd)
{
    if (g_timersUsed.load()) Timers().KillAll(hwnd);
}

}  // namespace vxmplatform_detail
