// Stand-in for the update framework: settings and callbacks only.
#include "VXMUpdater.h"
#include "LockedState.h"
#include "Log.h"

#include <string>

namespace {

struct CUpdaterState {
    bool running = false;
    win_sparkle_can_shutdown_callback_t canShutdown = nullptr;
    win_sparkle_shutdown_request_callback_t shutdownRequest = nullptr;
};

using State = CLockedState<CUpdaterState>;

}  // namespace

void win_sparkle_set_appcast_url(const char*) {}

void win_sparkle_init()
{
    State::With([](CUpdaterState& s) { s.running = true; });
}

void win_sparkle_cleanup()
{
    State::With([](CUpdaterState& s) {
        s.running = false;
        s.canShutdown = nullptr;
        s.shutdownRequest = nullptr;
    });
}

void win_sparkle_set_can_shutdown_callback(win_sparkle_can_shutdown_callback_t callback)
{
    State::With([&](CUpdaterState& s) { s.canShutdown = callback; });
}

void win_sparkle_set_shutdown_request_callback(win_sparkle_shutdown_request_callback_t callback)
{
    State::With([&](CUpdaterState& s) { s.shutdownRequest = callback; });
}

void win_sparkle_set_locale(const char*) {}

void win_sparkle_check_update_with_ui()
{
    LogInfo("main", "No program update check is available in this build.");
}

bool win_sparkle_request_shutdown()
{
    // The callbacks run outside the lock: they may call back into this stand-in.
    const CUpdaterState s = State::With([](CUpdaterState& state) { return state; });
    if (!s.running || !s.shutdownRequest || (s.canShutdown && !s.canShutdown())) return false;
    s.shutdownRequest();
    return true;
}
