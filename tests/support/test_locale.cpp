#include "support/test_locale.h"
#include "support/test_media.h"

#include <clocale>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <locale.h>
#include <mutex>
#include <sys/file.h>
#include <unistd.h>

namespace vxmtest {
namespace {

const char kName[] = "de_DE.UTF-8";

bool Loadable()
{
    locale_t loc = ::newlocale(LC_NUMERIC_MASK, kName, static_cast<locale_t>(0));
    if (!loc) return false;
    ::freelocale(loc);
    return true;
}

std::string Prepare()
{
    if (Loadable()) return kName;
    // Shared by every test process of the build, made once under a lock.
    const std::string folder = std::string(VXM_BINARY_DIR) + "/tests/locales";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    int lock = ::open((folder + "/.lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    if (lock >= 0) ::flock(lock, LOCK_EX);
    if (!std::filesystem::exists(folder + "/" + kName + "/LC_NUMERIC"))
        RunProgram({"localedef", "-i", "de_DE", "-f", "UTF-8", folder + "/" + kName});
    if (lock >= 0) ::close(lock);
    ::setenv("LOCPATH", folder.c_str(), 1);
    return Loadable() ? kName : "";
}

}  // namespace

std::string DecimalCommaLocale()
{
    static std::once_flag once;
    static std::string name;
    std::call_once(once, [] { name = Prepare(); });
    return name;
}

}  // namespace vxmtest
