#include "support/thread_peak.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace vxmtest {

long ProcessThreadCount()
{
    long count = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it("/proc/self/task", ec), end; !ec && it != end; it.increment(ec))
        ++count;
    return count;
}

CThreadPeak::CThreadPeak()
    : m_thread([this] {
          while (!m_stop.load()) {
              m_peak.store(std::max(m_peak.load(), ProcessThreadCount()));
              std::this_thread::sleep_for(std::chrono::milliseconds(1));  // the sampling period
          }
      })
{
}

CThreadPeak::~CThreadPeak()
{
    Stop();
}

long CThreadPeak::Stop()
{
    m_stop.store(true);
    if (m_thread.joinable()) m_thread.join();
    return m_peak.load() - 1;
}

}  // namespace vxmtest
