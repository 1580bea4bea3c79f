// The options dialog's tests run offscreen in their own home, with the engine
// registered and the skin and catalogue of the source tree.
#include "support/main_window_environment.h"

namespace {

[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment();

}  // namespace
