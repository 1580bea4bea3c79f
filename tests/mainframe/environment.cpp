// The main window's tests run offscreen with their own home, data and config
// folders, the engine registered and the catalogue and skin of the source tree.
#include "support/main_window_environment.h"

namespace {

[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment();

}  // namespace
