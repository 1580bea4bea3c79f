#include "WorkPool.h"
#include "platform/memory.h"
#include "platform/thread.h"

#include <algorithm>
#include <memory>

CWorkPool::CWorkPool(unsigned threads, std::function<void(bool idle)> tidy)
    : m_tidy(std::move(tidy)), m_max(std::max(1u, threads))
{
}

CWorkPool::~CWorkPool()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    for (std::thread& thread : m_threads) thread.join();
}

CWorkPool::Ticket CWorkPool::Submit(std::function<void()> task, Failed failed)
{
    if (!task) return 0;
    Ticket ticket;
    bool start = false;
    std::vector<std::thread> ended;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stop) return 0;
        ticket = ++m_next;
        m_queue.push_back(CTask{ticket, std::move(task), std::move(failed)});
        if (m_alive < m_max && m_free < m_queue.size()) {
            // Counted now, started below: the workers need the lock meanwhile.
            TakeEnded(ended);
            ++m_alive;
            ++m_free;
            start = true;
        }
    }
    m_wake.notify_one();
    // They have left their loop: the joins return at once.
    for (std::thread& thread : ended) thread.join();
    if (start) {
        std::thread worker;
        try {
            worker = std::thread([this] { Work(); });
        } catch (const std::exception&) {
            // No thread now: a running worker or the next task starts one.
            std::lock_guard<std::mutex> lock(m_mutex);
            --m_alive;
            --m_free;
            return ticket;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_threads.push_back(std::move(worker));
    }
    return ticket;
}

void CWorkPool::Cancel(Ticket ticket)
{
    if (ticket == 0) return;
    std::unique_lock<std::mutex> lock(m_mutex);
    auto waiting = std::find_if(m_queue.begin(), m_queue.end(), [ticket](const CTask& t) { return t.ticket == ticket; });
    if (waiting != m_queue.end()) {
        // Destroyed outside the lock: what the task holds may take time to go.
        CTask dropped = std::move(*waiting);
        m_queue.erase(waiting);
        lock.unlock();
        return;
    }
    m_ended.wait(lock, [&] { return m_running.count(ticket) == 0; });
}

size_t CWorkPool::Pending() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_queue.size() + m_running.size();
}

void CWorkPool::Work()
{
    for (;;) {
        CTask task;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_queue.empty()) {
                // Nothing waits (or the pool stops): the worker ends.
                --m_alive;
                --m_free;
                m_ended_ids.push_back(std::this_thread::get_id());
                return;
            }
            task = std::move(m_queue.front());
            m_queue.pop_front();
            m_running.insert(task.ticket);
            --m_free;
        }
        std::string what;
        if (!RunCatching(task.run, what) && task.failed)
            RunCatching([&] { task.failed(what); }, what);  // a report that fails has nowhere left to go
        task.run = nullptr;
        task.failed = nullptr;
        bool idle;
        bool tidy;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_running.erase(task.ticket);
            ++m_free;
            idle = m_queue.empty() && m_running.empty() && !m_stop;
            tidy = idle || ++m_doneSinceTidy >= kTidyEveryTasks;
            if (tidy) m_doneSinceTidy = 0;
        }
        m_ended.notify_all();
        if (tidy && m_tidy) m_tidy(idle);
    }
}

void CWorkPool::TakeEnded(std::vector<std::thread>& ended)
{
    for (auto id = m_ended_ids.begin(); id != m_ended_ids.end();) {
        auto it = std::find_if(m_threads.begin(), m_threads.end(), [&](const std::thread& t) { return t.get_id() == *id; });
        if (it == m_threads.end()) {
            // Ended before its starter stored it: taken next time.
            ++id;
            continue;
        }
        ended.push_back(std::move(*it));
        m_threads.erase(it);
        id = m_ended_ids.erase(id);
    }
}

namespace {
std::mutex g_poolMutex;
std::unique_ptr<CWorkPool> g_pool;
}  // namespace

CWorkPool& MediaWorkPool()
{
    std::lock_guard<std::mutex> lock(g_poolMutex);
    if (!g_pool) {
        const unsigned cores = std::max(2u, std::thread::hardware_concurrency());
        // Allocator arenas: enough for each worker and the process's other
        // threads to have one, so that no worker shares the UI thread's (their
        // codecs' allocations made it wait for its own, and the list of
        // thousands of rows was added a third slower); bounded, so that
        // threads that come and go reuse the arenas of those that went.
        LimitAllocatorArenas(cores * 2);
        // The codecs of each probe and thumbnail take and free blocks of up
        // to a megabyte; the small records a probe keeps hold the freed space
        // between them in the arenas. It is handed back as the work goes
        // (each time the process grew by 16 MB: 10,000 files probed peak
        // about 45 MB lower than with 64 MB, for no measurable time) and when
        // the work is done.
        // One core is left to the UI thread.
        g_pool = std::make_unique<CWorkPool>(cores - 1, [](bool idle) {
            if (idle)
                ReturnFreeMemory();
            else
                ReturnFreeMemoryAfterGrowth(16L << 20);
        });
    }
    return *g_pool;
}

void StopMediaWorkPool()
{
    std::unique_ptr<CWorkPool> pool;
    {
        std::lock_guard<std::mutex> lock(g_poolMutex);
        pool = std::move(g_pool);
    }
}
