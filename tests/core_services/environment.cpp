#include "support/private_home.h"

[[maybe_unused]] static const bool g_privateHome = vxmtest::RegisterPrivateHome();
