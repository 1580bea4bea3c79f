// Destroys rows taken out of a list on a worker thread, and removes their
// temporary files: thousands of rows are hundreds of thousands of controls,
// too many to free on the UI thread.
#pragma once
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CControlUI;
class CPaintManagerUI;

class CRowDisposer {
public:
    CRowDisposer() = default;
    // Destroys whatever was handed over, then ends the worker.
    ~CRowDisposer();
    CRowDisposer(const CRowDisposer&) = delete;
    CRowDisposer& operator=(const CRowDisposer&) = delete;

    // The rows (already out of their container) are the disposer's; their
    // `files` are removed first. Each row leaves `manager` here; one that
    // cannot (it has the focus) is destroyed on this thread as its container
    // would.
    void Dispose(CPaintManagerUI* manager, std::vector<CControlUI*> rows, std::vector<std::wstring> files);
    // Returns once every row handed over so far is destroyed.
    void Wait();

private:
    void Work();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    struct CBatch {
        std::vector<CControlUI*> rows;
        std::vector<std::wstring> files;
    };
    std::deque<CBatch> m_batches;
    bool m_busy = false;
    bool m_stop = false;
    std::thread m_worker;
};
