// Message targets and per-thread message queues.
//
// Every thread that uses this API gets a queue. A target (HWND) belongs to
// the thread that created it; posting locks only the registry (shared) and
// the owner's queue. Handles are serial numbers, never reused, so a stale
// handle is refused rather than reaching a new target.
#include "platform/messages.h"

#include "platform/events.h"
#include "platform/messages_internal.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <iterator>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>
#include <vector>

using vxmplatform_detail::TimerState;

namespace {

struct Posted {
    MSG msg;
    void* owned = nullptr;  // wParam or lParam, freed by `deleter` when never delivered
    PayloadDeleter deleter = nullptr;
    std::shared_ptr<TimerState> timer;  // set for WM_TIMER made by a timer
};

struct ThreadQueue;

// A SendMessage from another thread, waiting on the sender's stack until served.
struct SendRequest {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    ThreadQueue* sender;
    LRESULT result = 0;
    bool done = false;  // guarded by sender->mutex
};

struct ThreadQueue {
    DWORD id = 0;
    std::mutex mutex;
    std::condition_variable cond;  // waited on by the owner thread only
    std::deque<Posted> posted;
    std::deque<SendRequest*> sends;
    std::vector<HWND> windows;
    std::shared_ptr<ThreadWakeHook> hook;
    unsigned long long serial = 0;  // bumped on every arrival
    bool alive = true;
    bool wakePending = false;
};

struct Window {
    MessageHandler handler;
    std::shared_ptr<ThreadQueue> queue;
    std::atomic<bool> alive{true};  // written under queue->mutex
};

struct Registry {
    std::shared_mutex mutex;
    std::unordered_map<HWND, std::shared_ptr<Window>> windows;
    std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>> threads;
    std::uintptr_t nextWindow = 0;  // guarded by mutex
    DWORD nextThread = 0;
};

Registry& Reg()
{
    static Registry* registry = new Registry;  // outlives every thread
    return *registry;
}

void FreePayloads(std::deque<Posted>& dropped)
{
    for (Posted& p : dropped) {
        if (p.timer) p.timer->pending.store(false);
        if (p.deleter && p.owned) p.deleter(p.owned);
    }
    dropped.clear();
}

void CompleteSend(SendRequest* request, LRESULT result)
{
    ThreadQueue* sender = request->sender;
    std::lock_guard<std::mutex> lock(sender->mutex);
    request->result = result;
    request->done = true;
    sender->cond.notify_all();
}

// Called with q.mutex held after something arrived; returns the hook to call
// once the locks are released (at most one wake-up outstanding).
std::shared_ptr<ThreadWakeHook> ArrivedLocked(ThreadQueue& q)
{
    ++q.serial;
    q.cond.notify_one();
    if (q.hook && !q.wakePending) {
        q.wakePending = true;
        return q.hook;
    }
    return nullptr;
}

void ShutDownQueue(const std::shared_ptr<ThreadQueue>& q);

// The calling thread's queue, made on first use and torn down at thread exit:
// its targets die, queued payloads are freed, waiting senders get 0.
class CThreadState {
public:
    ~CThreadState()
    {
        if (m_queue) ShutDownQueue(m_queue);
    }
    const std::shared_ptr<ThreadQueue>& Queue()
    {
        if (!m_queue) {
            auto q = std::make_shared<ThreadQueue>();
            Registry& r = Reg();
            std::unique_lock<std::shared_mutex> lock(r.mutex);
            q->id = ++r.nextThread;
            r.threads.emplace(q->id, q);
            m_queue = std::move(q);
        }
        return m_queue;
    }

private:
    std::shared_ptr<ThreadQueue> m_queue;
};

thread_local CThreadState t_state;

// The timer message this thread fetched last, checked again at dispatch.
struct FetchedTimer {
    std::shared_ptr<TimerState> state;
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
};
thread_local FetchedTimer t_fetchedTimer;

ThreadQueue& CurrentQueue() { return *t_state.Queue(); }

void ShutDownQueue(const std::shared_ptr<ThreadQueue>& q)
{
    std::vector<HWND> windows;
    {
        std::lock_guard<std::mutex> lock(q->mutex);
        windows = q->windows;
    }
    for (HWND h : windows) vxmplatform_detail::KillWindowTimers(h);

    std::vector<std::shared_ptr<Window>> dead;
    std::deque<Posted> dropped;
    std::deque<SendRequest*> sends;
    {
        Registry& r = Reg();
        std::unique_lock<std::shared_mutex> reg(r.mutex);
        std::lock_guard<std::mutex> lock(q->mutex);
        for (HWND h : q->windows) {
            auto it = r.windows.find(h);
            if (it == r.windows.end()) continue;
            it->second->alive.store(false);
            dead.push_back(std::move(it->second));
            r.windows.erase(it);
        }
        q->windows.clear();
        r.threads.erase(q->id);
        q->alive = false;
        dropped.swap(q->posted);
        sends.swap(q->sends);
        q->hook.reset();
    }
    FreePayloads(dropped);
    for (SendRequest* s : sends) CompleteSend(s, 0);
    dead.clear();  // handlers are released outside the locks
}

std::shared_ptr<Window> FindWindow(HWND hwnd)
{
    if (!hwnd) return nullptr;
    Registry& r = Reg();
    std::shared_lock<std::shared_mutex> lock(r.mutex);
    auto it = r.windows.find(hwnd);
    return it == r.windows.end() ? nullptr : it->second;
}

// Stamps and queues `entry` on `q`, whose lock the caller holds; answers the
// wake hook to run once the locks are let go.
std::shared_ptr<ThreadWakeHook> PushLocked(ThreadQueue& q, Posted&& entry)
{
    entry.msg.time = GetTickCount();
    q.posted.push_back(std::move(entry));
    return ArrivedLocked(q);
}

// Finds `key` in the registry's `map` under its read lock and hands the entry
// to `queue`, which answers false to refuse; the wake hook it sets runs after
// the lock is let go.
template <class Map, class Key, class Queue>
BOOL PostVia(Map Registry::*map, const Key& key, Queue&& queue)
{
    std::shared_ptr<ThreadWakeHook> hook;
    {
        Registry& r = Reg();
        std::shared_lock<std::shared_mutex> reg(r.mutex);
        auto it = (r.*map).find(key);
        if (it == (r.*map).end() || !queue(*it->second, hook)) return FALSE;
    }
    if (hook && *hook) (*hook)();
    return TRUE;
}

BOOL PostEntry(HWND hwnd, Posted&& entry)
{
    if (!hwnd) return FALSE;
    return PostVia(&Registry::windows, hwnd, [&](Window& w, std::shared_ptr<ThreadWakeHook>& hook) {
        ThreadQueue& q = *w.queue;
        std::lock_guard<std::mutex> lock(q.mutex);
        if (!w.alive.load() || !q.alive) return false;
        entry.msg.hwnd = hwnd;
        hook = PushLocked(q, std::move(entry));
        return true;
    });
}

LRESULT CallHandler(const std::shared_ptr<Window>& w, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!w || !w->alive.load() || !w->handler) return 0;
    return w->handler(hwnd, msg, wParam, lParam);
}

void ServeSend(SendRequest* s)
{
    LRESULT result = CallHandler(FindWindow(s->hwnd), s->hwnd, s->msg, s->wParam, s->lParam);
    CompleteSend(s, result);
}

// Serves the sends waiting for this thread; takes and returns with `lock` held.
void ServeSendsLocked(ThreadQueue& q, std::unique_lock<std::mutex>& lock)
{
    while (!q.sends.empty()) {
        SendRequest* s = q.sends.front();
        q.sends.pop_front();
        lock.unlock();
        ServeSend(s);
        lock.lock();
    }
}

bool Matches(const MSG& m, HWND hwnd, UINT msgMin, UINT msgMax)
{
    if (m.message == WM_QUIT) return true;
    if (hwnd && m.hwnd != hwnd) return false;
    if ((msgMin || msgMax) && (m.message < msgMin || m.message > msgMax)) return false;
    return true;
}

// Finds the first matching message (with q.mutex held). Timer messages of a
// killed timer are thrown away on the way.
bool TakeLocked(ThreadQueue& q, MSG* out, HWND hwnd, UINT msgMin, UINT msgMax, bool remove)
{
    for (auto it = q.posted.begin(); it != q.posted.end();) {
        if (it->timer && it->timer->killed.load()) {
            it = q.posted.erase(it);
            continue;
        }
        if (!Matches(it->msg, hwnd, msgMin, msgMax)) {
            ++it;
            continue;
        }
        *out = it->msg;
        if (remove) {
            if (it->timer) {
                it->timer->pending.store(false);
                t_fetchedTimer = {std::move(it->timer), it->msg.hwnd, it->msg.wParam};
            }
            q.posted.erase(it);
        }
        return true;
    }
    return false;
}

// Blocking fetch shared by GetMessage and GetMessageTimeout.
bool WaitForMessage(MSG* out, HWND hwnd, UINT msgMin, UINT msgMax, DWORD timeoutMs)
{
    ThreadQueue& q = CurrentQueue();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs == INFINITE ? 0 : timeoutMs);
    std::unique_lock<std::mutex> lock(q.mutex);
    for (;;) {
        ServeSendsLocked(q, lock);
        if (TakeLocked(q, out, hwnd, msgMin, msgMax, true)) return true;
        unsigned long long seen = q.serial;
        auto arrived = [&] { return q.serial != seen; };
        if (timeoutMs == INFINITE) {
            q.cond.wait(lock, arrived);
        } else if (!q.cond.wait_until(lock, deadline, arrived)) {
            ServeSendsLocked(q, lock);
            return TakeLocked(q, out, hwnd, msgMin, msgMax, true);
        }
    }
}

}  // namespace

HWND CreateMessageWindow(MessageHandler handler)
{
    auto w = std::make_shared<Window>();
    w->handler = std::move(handler);
    w->queue = t_state.Queue();
    ThreadQueue& q = *w->queue;
    Registry& r = Reg();
    std::unique_lock<std::shared_mutex> reg(r.mutex);
    HWND hwnd = reinterpret_cast<HWND>(++r.nextWindow << 4);
    r.windows.emplace(hwnd, std::move(w));
    std::lock_guard<std::mutex> lock(q.mutex);
    q.windows.push_back(hwnd);
    return hwnd;
}

BOOL DestroyMessageWindow(HWND hwnd)
{
    if (!hwnd) return FALSE;
    vxmplatform_detail::KillWindowTimers(hwnd);
    std::shared_ptr<Window> w;
    std::deque<Posted> dropped;
    {
        Registry& r = Reg();
        std::unique_lock<std::shared_mutex> reg(r.mutex);
        auto it = r.windows.find(hwnd);
        if (it == r.windows.end()) return FALSE;
        w = std::move(it->second);
        r.windows.erase(it);
        ThreadQueue& q = *w->queue;
        std::lock_guard<std::mutex> lock(q.mutex);
        w->alive.store(false);
        q.windows.erase(std::remove(q.windows.begin(), q.windows.end(), hwnd), q.windows.end());
        auto keep = std::stable_partition(q.posted.begin(), q.posted.end(),
                                          [hwnd](const Posted& p) { return p.msg.hwnd != hwnd; });
        std::move(keep, q.posted.end(), std::back_inserter(dropped));
        q.posted.erase(keep, q.posted.end());
    }
    FreePayloads(dropped);
    return TRUE;  // the handler goes with `w` (or after a dispatch still running)
}

BOOL IsWindow(HWND hwnd)
{
    auto w = FindWindow(hwnd);
    return w && w->alive.load() ? TRUE : FALSE;
}

DWORD GetWindowThreadId(HWND hwnd)
{
    auto w = FindWindow(hwnd);
    return w && w->alive.load() ? w->queue->id : 0;
}

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Posted p;
    p.msg.message = msg;
    p.msg.wParam = wParam;
    p.msg.lParam = lParam;
    return PostEntry(hwnd, std::move(p));
}

BOOL PostMessageOwned(HWND hwnd, UINT msg, WPARAM wParam, void* payload, PayloadDeleter deleter)
{
    Posted p;
    p.msg.message = msg;
    p.msg.wParam = wParam;
    p.msg.lParam = reinterpret_cast<LPARAM>(payload);
    p.owned = payload;
    p.deleter = deleter;
    return PostEntry(hwnd, std::move(p));
}

BOOL PostMessageOwnedW(HWND hwnd, UINT msg, void* payload, LPARAM lParam, PayloadDeleter deleter)
{
    Posted p;
    p.msg.message = msg;
    p.msg.wParam = reinterpret_cast<WPARAM>(payload);
    p.msg.lParam = lParam;
    p.owned = payload;
    p.deleter = deleter;
    return PostEntry(hwnd, std::move(p));
}

BOOL PostMessageText(HWND hwnd, UINT msg, WPARAM wParam, const std::wstring& text)
{
    auto copy = std::make_unique<wchar_t[]>(text.size() + 1);
    std::copy(text.c_str(), text.c_str() + text.size() + 1, copy.get());
    if (!PostMessageOwned(hwnd, msg, wParam, copy.get(), [](void* p) { delete[] static_cast<wchar_t*>(p); })) return FALSE;
    copy.release();
    return TRUE;
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto w = FindWindow(hwnd);
    if (!w) return 0;
    ThreadQueue& self = CurrentQueue();
    if (w->queue.get() == &self) return CallHandler(w, hwnd, msg, wParam, lParam);

    SendRequest request{hwnd, msg, wParam, lParam, &self};
    std::shared_ptr<ThreadWakeHook> hook;
    {
        ThreadQueue& q = *w->queue;
        std::lock_guard<std::mutex> lock(q.mutex);
        if (!w->alive.load() || !q.alive) return 0;
        q.sends.push_back(&request);
        hook = ArrivedLocked(q);
    }
    w.reset();
    if (hook && *hook) (*hook)();

    // While waiting, serve sends aimed at this thread, so two threads that
    // send to each other do not lock up. A dying owner completes us with 0.
    std::unique_lock<std::mutex> lock(self.mutex);
    for (;;) {
        ServeSendsLocked(self, lock);
        if (request.done) break;
        self.cond.wait(lock);
    }
    return request.result;
}

DWORD GetCurrentThreadId()
{
    return CurrentQueue().id;
}

BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return PostVia(&Registry::threads, threadId, [&](ThreadQueue& q, std::shared_ptr<ThreadWakeHook>& hook) {
        std::lock_guard<std::mutex> lock(q.mutex);
        if (!q.alive) return false;
        Posted p;
        p.msg.message = msg;
        p.msg.wParam = wParam;
        p.msg.lParam = lParam;
        hook = PushLocked(q, std::move(p));
        return true;
    });
}

int GetMessage(MSG* msg, HWND hwnd, UINT msgMin, UINT msgMax)
{
    MSG local;
    if (!msg) msg = &local;
    WaitForMessage(msg, hwnd, msgMin, msgMax, INFINITE);
    return msg->message == WM_QUIT ? 0 : 1;
}

BOOL GetMessageTimeout(MSG* msg, DWORD timeoutMs)
{
    MSG local;
    return WaitForMessage(msg ? msg : &local, nullptr, 0, 0, timeoutMs) ? TRUE : FALSE;
}

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT msgMin, UINT msgMax, UINT removeFlag)
{
    MSG local;
    ThreadQueue& q = CurrentQueue();
    std::unique_lock<std::mutex> lock(q.mutex);
    ServeSendsLocked(q, lock);
    return TakeLocked(q, msg ? msg : &local, hwnd, msgMin, msgMax, (removeFlag & PM_REMOVE) != 0) ? TRUE : FALSE;
}

LRESULT DispatchMessage(const MSG* msg)
{
    if (!msg || !msg->hwnd) return 0;
    if (msg->message == WM_TIMER && t_fetchedTimer.state && t_fetchedTimer.hwnd == msg->hwnd &&
        t_fetchedTimer.id == msg->wParam) {
        // A timer killed between fetch and dispatch does not fire.
        bool killed = t_fetchedTimer.state->killed.load();
        t_fetchedTimer.state.reset();
        if (killed) return 0;
    }
    return CallHandler(FindWindow(msg->hwnd), msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exitCode)
{
    PostThreadMessage(GetCurrentThreadId(), WM_QUIT, static_cast<WPARAM>(exitCode), 0);
}

void SetThreadWakeHook(DWORD threadId, ThreadWakeHook hook)
{
    std::shared_ptr<ThreadWakeHook> call;
    {
        Registry& r = Reg();
        std::shared_lock<std::shared_mutex> reg(r.mutex);
        auto it = r.threads.find(threadId);
        if (it == r.threads.end()) return;
        ThreadQueue& q = *it->second;
        std::lock_guard<std::mutex> lock(q.mutex);
        q.hook = hook ? std::make_shared<ThreadWakeHook>(std::move(hook)) : nullptr;
        q.wakePending = false;
        // What is already queued must not wait for the next arrival.
        if (q.hook && (!q.posted.empty() || !q.sends.empty())) {
            q.wakePending = true;
            call = q.hook;
        }
    }
    if (call) (*call)();
}

namespace {
BOOL PumpQueue(DWORD budgetMs, bool woken)
{
    ThreadQueue& q = CurrentQueue();
    std::unique_lock<std::mutex> lock(q.mutex);
    // Only the pump the hook scheduled takes the wake-up: another pump (a
    // wait that dispatches) leaves it outstanding, so wake-ups never pile up.
    if (woken) q.wakePending = false;
    // Only what is queued now: a handler that posts to itself cannot keep us here.
    size_t budget = q.posted.size();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(budgetMs);
    BOOL result = TRUE;
    for (;;) {
        ServeSendsLocked(q, lock);
        MSG m;
        if (budget == 0 || (budgetMs != INFINITE && std::chrono::steady_clock::now() >= deadline) ||
            !TakeLocked(q, &m, nullptr, 0, 0, true))
            break;
        --budget;
        if (m.message == WM_QUIT) {
            result = FALSE;
            break;
        }
        lock.unlock();
        DispatchMessage(&m);
        lock.lock();
    }
    std::shared_ptr<ThreadWakeHook> hook;
    if (q.hook && !q.wakePending && (!q.posted.empty() || !q.sends.empty())) {
        q.wakePending = true;
        hook = q.hook;
    }
    lock.unlock();
    if (hook && *hook) (*hook)();
    return result;
}
}  // namespace

BOOL PumpThreadMessages(DWORD budgetMs) { return PumpQueue(budgetMs, false); }

BOOL PumpWokenThreadMessages(DWORD budgetMs) { return PumpQueue(budgetMs, true); }

namespace vxmplatform_detail {

bool PostTimerMessage(HWND hwnd, UINT_PTR id, const std::shared_ptr<TimerState>& state)
{
    if (state->killed.load()) return true;
    if (state->pending.exchange(true)) return true;  // one WM_TIMER at a time, as a busy owner needs
    Posted p;
    p.msg.message = WM_TIMER;
    p.msg.wParam = id;
    p.timer = state;
    if (PostEntry(hwnd, std::move(p))) return true;
    state->pending.store(false);
    return false;
}

void DropTimerMessages(HWND hwnd, UINT_PTR id)
{
    auto w = FindWindow(hwnd);
    if (!w) return;
    ThreadQueue& q = *w->queue;
    std::lock_guard<std::mutex> lock(q.mutex);
    q.posted.erase(std::remove_if(q.posted.begin(), q.posted.end(),
                                  [&](const Posted& p) {
                                      return p.timer && p.msg.hwnd == hwnd && p.msg.wParam == id;
                                  }),
                   q.posted.end());
}

}  // namespace vxmplatform_detail
