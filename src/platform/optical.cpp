#include "platform/optical.h"
#include "platform/text.h"
#include <climits>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {
std::string ReadFile(const char* path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// /proc/mounts writes spaces and other bytes as \ooo.
std::string Unescape(const std::string& field)
{
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            int v = 0;
            bool ok = true;
            for (size_t k = 1; k <= 3; ++k) {
                char c = field[i + k];
                if (c < '0' || c > '7') ok = false;
                else v = v * 8 + (c - '0');
            }
            if (ok) {
                out += static_cast<char>(v);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

bool IsOpticalDevice(const std::string& device)
{
    for (const std::string& name : ParseCdromInfoDrives(ReadFile("/proc/sys/dev/cdrom/info")))
        if (device == "/dev/" + name) return true;
    return false;
}

class CDeviceFd {
public:
    explicit CDeviceFd(const std::wstring& device) : m_fd(::open(WideToUtf8(device).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {}
    ~CDeviceFd() { if (m_fd >= 0) ::close(m_fd); }
    CDeviceFd(const CDeviceFd&) = delete;
    CDeviceFd& operator=(const CDeviceFd&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};
}  // namespace

std::vector<std::string> ParseCdromInfoDrives(std::string_view info)
{
    std::vector<std::string> names;
    size_t pos = 0;
    while (pos < info.size()) {
        size_t end = info.find('\n', pos);
        if (end == std::string_view::npos) end = info.size();
        std::string_view line = info.substr(pos, end - pos);
        pos = end + 1;
        const std::string_view key = "drive name:";
        if (line.substr(0, key.size()) != key) continue;
        std::istringstream fields{std::string(line.substr(key.size()))};
        std::string name;
        while (fields >> name) names.push_back(name);
    }
    return names;
}

std::vector<std::wstring> ListOpticalDrives()
{
    std::vector<std::wstring> out;
    for (const std::string& name : ParseCdromInfoDrives(ReadFile("/proc/sys/dev/cdrom/info")))
        out.push_back(Utf8ToWide("/dev/" + name));
    return out;
}

EOpticalState GetOpticalState(const std::wstring& device)
{
    CDeviceFd fd(device);
    if (fd.Get() < 0) return EOpticalState::Unknown;
    switch (::ioctl(fd.Get(), CDROM_DRIVE_STATUS, CDSL_CURRENT)) {
    case CDS_NO_DISC: return EOpticalState::NoDisc;
    case CDS_TRAY_OPEN: return EOpticalState::TrayOpen;
    case CDS_DRIVE_NOT_READY: return EOpticalState::NotReady;
    case CDS_DISC_OK: return EOpticalState::DiscPresent;
    default: return EOpticalState::Unknown;
    }
}

bool EjectOpticalMedia(const std::wstring& device)
{
    CDeviceFd fd(device);
    if (fd.Get() < 0 || ::ioctl(fd.Get(), CDROMEJECT, 0) != 0) {
        std::fprintf(stderr, "eject of %s failed\n", WideToUtf8(device).c_str());
        return false;
    }
    return true;
}

bool LoadOpticalMedia(const std::wstring& device)
{
    CDeviceFd fd(device);
    if (fd.Get() < 0 || ::ioctl(fd.Get(), CDROMCLOSETRAY, 0) != 0) {
        std::fprintf(stderr, "closing the tray of %s failed\n", WideToUtf8(device).c_str());
        return false;
    }
    return true;
}

std::wstring OpticalMountPoint(const std::wstring& device)
{
    std::istringstream mounts(ReadFile("/proc/mounts"));
    std::string line;
    const std::string dev = WideToUtf8(device);
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string source, target;
        if ((fields >> source >> target) && Unescape(source) == dev) return Utf8ToWide(Unescape(target));
    }
    return std::wstring();
}

std::string MountDeviceOf(std::string_view mountsText, const std::string& path)
{
    std::istringstream mounts{std::string(mountsText)};
    std::string line, best, bestTarget;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string source, target;
        if (!(fields >> source >> target)) continue;
        source = Unescape(source);
        target = Unescape(target);
        bool inside = path == target || (path.compare(0, target.size(), target) == 0 &&
                                         (target == "/" || (path.size() > target.size() && path[target.size()] == '/')));
        if (inside && target.size() >= bestTarget.size()) {
            best = source;
            bestTarget = target;
        }
    }
    return best;
}

bool IsOnOpticalDisc(const std::wstring& path)
{
    std::string device = MountDeviceOf(ReadFile("/proc/mounts"), WideToUtf8(path));
    return !device.empty() && IsOpticalDevice(device);
}
