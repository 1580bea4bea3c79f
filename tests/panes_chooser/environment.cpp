// The chooser tests run offscreen, in their own home folders, with the skin
// and catalogue of the source tree (no engine).
#include "support/main_window_environment.h"

namespace {

[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment(false);

}  // namespace
