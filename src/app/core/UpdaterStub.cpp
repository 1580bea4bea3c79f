// Stand-in for the update framework: settings and callbacks only.
#include "VXMUpdater.h"
#include "Log.h"

#include <mutex>
#include <string>

namespace {

struct CUpdaterState {
    std::mutex mutex;
    std::string appcast;
    std::string locale;
    bool running = false;
    win_sparkle_can_shutdown_callback_t canShutdown = nullptr;
    win_sparkle_shutdown_request_callback_t shutdownRequest = nullptr;
};

CUpdaterState& State()
{
    static CUpdaterState state;
    return state;
}

}  // namespace

void win_sparkle_set_appcast_url(const char* url)
{
    std::lock_guard<std::mutex> lock(State().mutex);
    State().appcast = url ? url : "";
}

void win_sparkle_init()
{
    std::lock_guard<std::mutex> lock(State().mutex);
    State().running = true;
}

void win_sparkle_cleanup()
{
    std::lock_guard<std::mutex> lock(State().mutex);
    State().running = false;
    State().canShutdown = nullptr;
    State().shutdownRequest = nullptr;
}

void win_sparkle_set_can_shutdown_callback(win_sparkle_can_shutdown_callback_t callback)
{
    std::lock_guard<std::mutex> lock(State().mutex);
    State().canShutdown = callback;
}

void win_sparkle_set_shutdown_request_callback(win_sparkle_shutdown_request_callback_t callback)
{
    std::lock_guard<std::mutex> lock(State().mutex);
    State().shutdownRequest = callback;
}

void win_sparkle_set_locale(const char* lang)
{
    std::lock_guard<std::mutex> lock(State().mutex);
    State().locale = lang ? lang : "";
}

void win_sparkle_check_update_with_ui()
{
    LogInfo("main", "No program update check is available in this build.");
}

bool win_sparkle_request_shutdown()
{
    win_sparkle_can_shutdown_callback_t canShutdown;
    win_sparkle_shutdown_request_callback_t request;
    {
        std::lock_guard<std::mutex> lock(State().mutex);
        if (!State().running) return false;
        canShutdown = State().canShutdown;
        request = State().shutdownRequest;
    }
    if (!request || (canShutdown && !canShutdown())) return false;
    request();
    return true;
}
