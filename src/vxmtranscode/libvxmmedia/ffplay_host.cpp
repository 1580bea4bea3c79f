#include "ffplay_host.h"

#include "ffplay.h"

#include <map>
#include <mutex>

namespace {

std::mutex g_hostLock;
std::map<HWND, std::shared_ptr<IPlayerHost>>& Hosts()
{
    static std::map<HWND, std::shared_ptr<IPlayerHost>> hosts;
    return hosts;
}

}  // namespace

void RegisterPlayerHost(HWND hwnd, std::shared_ptr<IPlayerHost> host)
{
    std::lock_guard<std::mutex> lock(g_hostLock);
    if (host)
        Hosts()[hwnd] = std::move(host);
    else
        Hosts().erase(hwnd);
}

void UnregisterPlayerHost(HWND hwnd)
{
    std::lock_guard<std::mutex> lock(g_hostLock);
    Hosts().erase(hwnd);
}

std::shared_ptr<IPlayerHost> FindPlayerHost(HWND hwnd)
{
    std::lock_guard<std::mutex> lock(g_hostLock);
    auto it = Hosts().find(hwnd);
    return it == Hosts().end() ? nullptr : it->second;
}

bool NotifyPlayerHostResized() { return ffplay_push_resize(); }
