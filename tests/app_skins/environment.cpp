// The skin checks run offscreen, in their own home folders, with the skin of
// the source tree and the engine registered.
#include "support/main_window_environment.h"

namespace {

[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment();

}  // namespace
