// Volumes through statvfs and statfs.
#include "platform/volume.h"
#include "platform/paths.h"

#include "platform/text.h"

#include <filesystem>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {
constexpr long kIso9660Magic = 0x9660;
constexpr long kUdfMagic = 0x15013346;
}  // namespace

bool IsVolumeWritable(const std::wstring& path)
{
    if (path.empty()) return false;
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(PathFromWide(path), ec);
    if (ec) return false;
    while (!std::filesystem::exists(p, ec)) {
        if (!p.has_relative_path()) return false;
        p = p.parent_path();
    }
    struct statvfs vfs{};
    if (::statvfs(p.c_str(), &vfs) != 0) return false;
    if (vfs.f_flag & ST_RDONLY) return false;
    struct statfs fs{};
    if (::statfs(p.c_str(), &fs) == 0 && (fs.f_type == kIso9660Magic || fs.f_type == kUdfMagic)) return false;
    return true;
}

bool IsFolderWritable(const std::wstring& folder)
{
    if (folder.empty()) return false;
    const std::string name = WideToUtf8(folder);
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    if (::access(name.c_str(), W_OK | X_OK) != 0) return false;
    struct statvfs vfs {};
    if (::statvfs(name.c_str(), &vfs) != 0 || (vfs.f_flag & ST_RDONLY)) return false;
    struct statfs fs {};
    return !(::statfs(name.c_str(), &fs) == 0 && (fs.f_type == kIso9660Magic || fs.f_type == kUdfMagic));
}
