// The preview's tests run offscreen, in their own home folders, with the skin
// of the source tree, the engine registered and SDL's dummy drivers.
#include "support/main_window_environment.h"

#include <cstdlib>

namespace {

const bool g_drivers = [] {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    return true;
}();
[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment();

}  // namespace
