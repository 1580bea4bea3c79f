#include "platform/filesystems.h"

#include "platform/text.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/statfs.h>

#include <fstream>
#include <memory>
#include <sstream>

namespace {

// The mount table's octal escapes ("\040" for a blank).
std::string Unescape(const std::string& field)
{
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

std::vector<std::wstring> ListUserVolumes()
{
    std::vector<std::wstring> out;
    std::ifstream mounts("/proc/self/mounts");
    std::string line;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string device, point;
        if (!(fields >> device >> point)) continue;
        point = Unescape(point);
        if (StartsWith(point, "/media/") || StartsWith(point, "/run/media/") || StartsWith(point, "/mnt/"))
            out.push_back(Utf8ToWide(point));
    }
    return out;
}

bool IsPseudoFileSystem(const std::wstring& path)
{
    const std::string p = WideToUtf8(path);
    if (p == "/proc" || p == "/sys" || p == "/dev" || StartsWith(p, "/proc/") || StartsWith(p, "/sys/") ||
        StartsWith(p, "/dev/"))
        return true;
    struct statfs info {};
    if (::statfs(p.c_str(), &info) != 0) return true;
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0x9fa0:      // proc
    case 0x62656572:  // sysfs
    case 0x1cd1:      // devpts
    case 0x27e0eb:    // cgroup
    case 0x63677270:  // cgroup2
    case 0x64626720:  // debugfs
    case 0x73636673:  // securityfs
    case 0x74726163:  // tracefs
    case 0xcafe4a11:  // bpf
    case 0x6165676c:  // pstore
    case 0x62656570:  // configfs
    case 0x65735543:  // fusectl
    case 0x19800202:  // mqueue
    case 0x42494e4d:  // binfmt_misc
    case 0x0187:      // autofs
        return true;
    default:
        return false;
    }
}

bool GetFileIdentity(const std::filesystem::path& path, CFileIdentity& identity)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;
    identity = CFileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
    return true;
}

std::vector<std::wstring> ListFolderEntries(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(WideToUtf8(folder).c_str()), ::closedir);
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(Utf8ToWide(name));
    }
    return names;
}
