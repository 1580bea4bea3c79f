// The burner's tests open windows offscreen, in their own home folders.
#include "support/main_window_environment.h"

namespace {

[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment(false);

}  // namespace
