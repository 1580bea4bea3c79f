// The thread count of the test process, read from /proc/self/task, and a
// sampler that keeps its highest value while it lives.
#pragma once
#include <atomic>
#include <thread>

namespace vxmtest {

long ProcessThreadCount();

class CThreadPeak {
public:
    CThreadPeak();
    ~CThreadPeak();
    CThreadPeak(const CThreadPeak&) = delete;
    CThreadPeak& operator=(const CThreadPeak&) = delete;
    // Ends the sampling; the highest count seen, less the sampler itself.
    long Stop();

private:
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_peak{0};
    std::thread m_thread;
};

}  // namespace vxmtest
