// Every test of this program runs with its own home, data and config folders.
#include "support/private_home.h"

[[maybe_unused]] const bool g_home = vxmtest::RegisterPrivateHome();
