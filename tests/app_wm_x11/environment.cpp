// The program's windows on the X display xvfb-run gives, under a window
// manager, in a private home, with the skin of the source tree.
#include "support/main_window_environment.h"
#include "support/window_manager.h"

namespace {

[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment(true, false);
[[maybe_unused]] const bool g_wm = vxmtest::RegisterWindowManager();

}  // namespace
