// Every test program runs without a display and without sound hardware,
// whether it is started by ctest or by hand.
#include <cstdlib>

namespace {
struct HeadlessEnvironment {
    HeadlessEnvironment()
    {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        ::setenv("SDL_VIDEODRIVER", "dummy", 0);
        ::setenv("SDL_AUDIODRIVER", "dummy", 0);
    }
} g_headless;
}  // namespace
