// A locale that writes numbers with a decimal comma, for tests of code that
// must not follow the user's number format.
#pragma once
#include <string>

namespace vxmtest {

// "de_DE.UTF-8", usable with setlocale and std::locale once this returns;
// built with localedef into the build folder when the system lacks it (and
// LOCPATH pointed there). Empty when no such locale can be had.
std::string DecimalCommaLocale();

}  // namespace vxmtest
