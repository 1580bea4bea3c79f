// Screens of the burn page and the batch-add dialog on an X display, in
// their own home folders, with the skin of the source tree.
#include "support/main_window_environment.h"

namespace {

[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment();

}  // namespace
