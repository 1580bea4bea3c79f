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

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::vector<std::string> Columns(std::string_view rest)
{
    std::vector<std::string> out;
    std::istringstream fields{std::string(rest)};
    std::string value;
    while (fields >> value) out.push_back(value);
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

std::vector<CCdromInfoDrive> ParseCdromInfo(std::string_view info)
{
    std::vector<CCdromInfoDrive> drives;
    std::vector<std::string> dvd;
    size_t pos = 0;
    while (pos < info.size()) {
        size_t end = info.find('\n', pos);
        if (end == std::string_view::npos) end = info.size();
        std::string_view line = info.substr(pos, end - pos);
        pos = end + 1;
        size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        std::string_view key = Trim(line.substr(0, colon));
        std::string_view rest = line.substr(colon + 1);
        if (key == "drive name") {
            for (const std::string& name : Columns(rest)) drives.push_back(CCdromInfoDrive{name, false});
        } else if (key == "Can read DVD") {
            dvd = Columns(rest);
        }
    }
    for (size_t i = 0; i < drives.size() && i < dvd.size(); ++i) drives[i].readsDVD = dvd[i] == "1";
    return drives;
}

std::vector<std::string> ParseCdromInfoDrives(std::string_view info)
{
    std::vector<std::string> names;
    for (CCdromInfoDrive& drive : ParseCdromInfo(info)) names.push_back(std::move(drive.name));
    return names;
}

std::vector<std::wstring> ListOpticalDrives()
{
    std::vector<std::wstring> out;
    for (const std::string& name : ParseCdromInfoDrives(ReadFile("/proc/sys/dev/cdrom/info")))
        out.push_back(Utf8ToWide("/dev/" + name));
    return out;
}

EOpticalState OpticalStateOfStatus(int status)
{
    switch (status) {
    case CDS_NO_DISC: return EOpticalState::NoDisc;
    case CDS_TRAY_OPEN: return EOpticalState::TrayOpen;
    case CDS_DRIVE_NOT_READY: return EOpticalState::NotReady;
    case CDS_DISC_OK: return EOpticalState::DiscPresent;
    default: return EOpticalState::Unknown;
    }
}

EOpticalState GetOpticalState(const std::wstring& device)
{
    CDeviceFd fd(device);
    if (fd.Get() < 0) return EOpticalState::Unknown;
    return OpticalStateOfStatus(::ioctl(fd.Get(), CDROM_DRIVE_STATUS, CDSL_CURRENT));
}

// One tray request; a failure is reported on standard error as "<what> of <device> failed".
static bool TrayRequest(const std::wstring& device, unsigned long request, const char* what)
{
    CDeviceFd fd(device);
    if (fd.Get() < 0 || ::ioctl(fd.Get(), request, 0) != 0) {
        std::fprintf(stderr, "%s of %s failed\n", what, WideToUtf8(device).c_str());
        return false;
    }
    return true;
}

bool EjectOpticalMedia(const std::wstring& device)
{
    return TrayRequest(device, CDROMEJECT, "eject");
}

bool LoadOpticalMedia(const std::wstring& device)
{
    return TrayRequest(device, CDROMCLOSETRAY, "closing the tray");
}

std::wstring MountPointIn(std::string_view mountsText, const std::wstring& device)
{
    std::istringstream mounts{std::string(mountsText)};
    std::string line;
    const std::string dev = WideToUtf8(device);
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string source, target;
        if ((fields >> source >> target) && Unescape(source) == dev) return Utf8ToWide(Unescape(target));
    }
    return std::wstring();
}

std::wstring OpticalMountPoint(const std::wstring& device)
{
    return MountPointIn(ReadFile("/proc/mounts"), device);
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
