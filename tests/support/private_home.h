// A test program that calls RegisterPrivateHome() at load runs every test with
// its own home, data and config folders, so nothing reads or writes the
// user's real settings or log.
#pragma once

namespace vxmtest {
bool RegisterPrivateHome();
}
