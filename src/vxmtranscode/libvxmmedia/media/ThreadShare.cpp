#include "ThreadShare.h"

#include <mutex>

namespace {

std::mutex g_lock;
int g_held = 0;

}  // namespace

int CThreadShare::Take(int limit, int holders)
{
    if (limit <= 1 || holders <= 0 || m_held)
        return 0;
    std::lock_guard<std::mutex> lock(g_lock);
    if (g_held >= holders)
        return 1;
    ++g_held;
    m_held = true;
    return 0;
}

void CThreadShare::Return()
{
    if (!m_held)
        return;
    std::lock_guard<std::mutex> lock(g_lock);
    --g_held;
    m_held = false;
}
