// The commands' tests run offscreen in their own home, with the engine
// registered and the catalogue, skin and menus of the source tree.
#include "support/main_window_environment.h"

namespace {

[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment();

}  // namespace
