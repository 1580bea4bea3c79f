// At most a fixed number of worker threads that take tasks in the order they
// were queued: the probes and thumbnails of many files run on about one
// thread per core instead of one thread per file. A worker starts when a
// task finds none free and ends when no task waits: an idle pool holds no
// thread (a conversion then has the threads to itself).
#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

class CWorkPool {
public:
    using Ticket = std::uint64_t;
    // Runs on the worker when an exception escaped the task, with its text:
    // it logs and ends the task's job as failed.
    using Failed = std::function<void(const std::string& what)>;

    // `tidy` runs on a worker each time the last task ended and none waits
    // (`idle` true), and after every kTidyEveryTasks tasks of a long run.
    explicit CWorkPool(unsigned threads, std::function<void(bool idle)> tidy = nullptr);
    static constexpr unsigned kTidyEveryTasks = 16;
    // Drops the waiting tasks, lets the running ones end, joins every worker.
    ~CWorkPool();
    CWorkPool(const CWorkPool&) = delete;
    CWorkPool& operator=(const CWorkPool&) = delete;

    // Queues a task; 0 once the pool is stopping.
    Ticket Submit(std::function<void()> task, Failed failed);
    // Drops a task that has not started; a running one is waited for. After
    // the call the task is not running and never will.
    void Cancel(Ticket ticket);
    // The most workers that run at once.
    unsigned ThreadCount() const { return m_max; }
    // Tasks waiting or running.
    size_t Pending() const;

private:
    void Work();
    // Moves out the workers that ended, to be joined outside the lock; under the lock.
    void TakeEnded(std::vector<std::thread>& ended);

    struct CTask {
        Ticket ticket;
        std::function<void()> run;
        Failed failed;
    };
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_ended;
    std::deque<CTask> m_queue;
    std::set<Ticket> m_running;
    Ticket m_next = 0;
    bool m_stop = false;
    std::function<void(bool idle)> m_tidy;
    unsigned m_doneSinceTidy = 0;
    unsigned m_max = 1;
    unsigned m_alive = 0;   // workers started and not ended
    unsigned m_free = 0;    // workers between two tasks
    std::vector<std::thread> m_threads;
    std::vector<std::thread::id> m_ended_ids;
};

// The program's pool for probing files and making thumbnails: one worker per
// core, made on first use.
CWorkPool& MediaWorkPool();
// Stops and joins the pool's workers (at shut-down, before the engine goes).
void StopMediaWorkPool();
