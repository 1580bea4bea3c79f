#include "platform/opticaldrives.h"
#include "platform/text.h"

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

class CSystemCalls : public IOpticalDeviceCalls {
public:
    int Open(const std::string& path) override { return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); }
    void Close(int fd) override { ::close(fd); }
    int Ioctl(int fd, unsigned long request, unsigned long arg) override { return ::ioctl(fd, request, arg); }
    long ReadAt(int fd, void* buffer, std::size_t size, long long offset) override
    {
        return static_cast<long>(::pread(fd, buffer, size, static_cast<off_t>(offset)));
    }
    std::string ReadText(const std::string& path) override
    {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

IOpticalDeviceCalls* g_calls = nullptr;

// One open device for the length of a call.
class CDevice {
public:
    explicit CDevice(const std::wstring& path) : m_calls(OpticalDeviceCalls()), m_fd(m_calls.Open(WideToUtf8(path))) {}
    ~CDevice()
    {
        if (m_fd >= 0) m_calls.Close(m_fd);
    }
    CDevice(const CDevice&) = delete;
    CDevice& operator=(const CDevice&) = delete;
    bool IsOpen() const { return m_fd >= 0; }
    int Ioctl(unsigned long request, unsigned long arg) { return m_calls.Ioctl(m_fd, request, arg); }
    long ReadAt(void* buffer, std::size_t size, long long offset) { return m_calls.ReadAt(m_fd, buffer, size, offset); }

private:
    IOpticalDeviceCalls& m_calls;
    int m_fd;
};

std::wstring TrimLabel(std::wstring label)
{
    while (!label.empty() && (label.back() == L' ' || label.back() == L'\0')) label.pop_back();
    return label;
}

constexpr std::size_t kSectorSize = 2048;
constexpr int kFirstDescriptorSector = 16;
// The descriptor set ends with a terminator long before this.
constexpr int kMaxDescriptors = 32;

}  // namespace

IOpticalDeviceCalls& OpticalDeviceCalls()
{
    static CSystemCalls system;
    return g_calls ? *g_calls : system;
}

void SetOpticalDeviceCalls(IOpticalDeviceCalls* calls) { g_calls = calls; }

std::wstring DriveMountPoint(const std::wstring& device)
{
    return MountPointIn(OpticalDeviceCalls().ReadText("/proc/mounts"), device);
}

std::vector<COpticalDriveInfo> EnumerateOpticalDrives()
{
    std::vector<COpticalDriveInfo> out;
    for (const CCdromInfoDrive& drive : ParseCdromInfo(OpticalDeviceCalls().ReadText("/proc/sys/dev/cdrom/info"))) {
        COpticalDriveInfo info;
        info.device = Utf8ToWide("/dev/" + drive.name);
        info.mountPoint = DriveMountPoint(info.device);
        CDevice fd(info.device);
        int caps = fd.IsOpen() ? fd.Ioctl(CDROM_GET_CAPABILITY, 0) : -1;
        info.readsDVD = caps >= 0 ? (caps & CDC_DVD) != 0 : drive.readsDVD;
        out.push_back(std::move(info));
    }
    return out;
}

EOpticalState QueryDriveState(const std::wstring& device)
{
    CDevice fd(device);
    if (!fd.IsOpen()) return EOpticalState::Unknown;
    return OpticalStateOfStatus(fd.Ioctl(CDROM_DRIVE_STATUS, CDSL_CURRENT));
}

bool DriveReadsDVD(const std::wstring& device)
{
    {
        CDevice fd(device);
        int caps = fd.IsOpen() ? fd.Ioctl(CDROM_GET_CAPABILITY, 0) : -1;
        if (caps >= 0) return (caps & CDC_DVD) != 0;
    }
    const std::string name = WideToUtf8(device);
    for (const CCdromInfoDrive& drive : ParseCdromInfo(OpticalDeviceCalls().ReadText("/proc/sys/dev/cdrom/info")))
        if (name == "/dev/" + drive.name) return drive.readsDVD;
    return false;
}

bool EjectDrive(const std::wstring& device)
{
    CDevice fd(device);
    if (!fd.IsOpen()) {
        std::fprintf(stderr, "optical: cannot open %s to eject\n", WideToUtf8(device).c_str());
        return false;
    }
    // A door locked by a player would refuse the eject.
    fd.Ioctl(CDROM_LOCKDOOR, 0);
    if (fd.Ioctl(CDROMEJECT, 0) != 0) {
        std::fprintf(stderr, "optical: eject of %s refused (%s)\n", WideToUtf8(device).c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

bool LoadDrive(const std::wstring& device)
{
    CDevice fd(device);
    if (!fd.IsOpen() || fd.Ioctl(CDROMCLOSETRAY, 0) != 0) {
        std::fprintf(stderr, "optical: closing the tray of %s failed\n", WideToUtf8(device).c_str());
        return false;
    }
    return true;
}

bool ParseVolumeDescriptorLabel(const unsigned char* sector, std::size_t size, std::wstring& label, bool& joliet)
{
    joliet = false;
    if (!sector || size < 88 + 3) return false;
    if (std::memcmp(sector + 1, "CD001", 5) != 0) return false;
    const unsigned char type = sector[0];
    // Volume identifier: 32 bytes at offset 40.
    const unsigned char* id = sector + 40;
    if (type == 1) {
        std::string text(reinterpret_cast<const char*>(id), 32);
        label = TrimLabel(Utf8ToWide(text));
        return true;
    }
    if (type == 2) {
        // A supplementary descriptor is Joliet when its escape names UCS-2 level 1, 2 or 3.
        const unsigned char* esc = sector + 88;
        if (esc[0] == '%' && esc[1] == '/' && (esc[2] == '@' || esc[2] == 'C' || esc[2] == 'E')) {
            std::wstring text;
            for (int i = 0; i + 1 < 32; i += 2) text += static_cast<wchar_t>((id[i] << 8) | id[i + 1]);
            label = TrimLabel(text);
            joliet = true;
            return true;
        }
    }
    return false;
}

bool ReadIso9660Label(const std::wstring& deviceOrImage, std::wstring& label)
{
    CDevice fd(deviceOrImage);
    if (!fd.IsOpen()) return false;
    std::wstring primary, jolietLabel;
    bool havePrimary = false, haveJoliet = false;
    unsigned char sector[kSectorSize];
    for (int i = 0; i < kMaxDescriptors; ++i) {
        long got = fd.ReadAt(sector, kSectorSize, static_cast<long long>(kFirstDescriptorSector + i) * kSectorSize);
        if (got != static_cast<long>(kSectorSize)) break;
        if (std::memcmp(sector + 1, "CD001", 5) != 0) break;
        if (sector[0] == 255) break;  // set terminator
        std::wstring text;
        bool joliet = false;
        if (!ParseVolumeDescriptorLabel(sector, kSectorSize, text, joliet)) continue;
        if (joliet && !haveJoliet) {
            jolietLabel = text;
            haveJoliet = true;
        } else if (!joliet && !havePrimary) {
            primary = text;
            havePrimary = true;
        }
    }
    if (haveJoliet) label = jolietLabel;
    else if (havePrimary) label = primary;
    return haveJoliet || havePrimary;
}

bool ReadVolumeLabel(const std::wstring& device, std::wstring& label)
{
    if (ReadIso9660Label(device, label)) return true;
    // A disc without an ISO 9660 descriptor (UDF only): the name it is mounted under.
    std::wstring mount = DriveMountPoint(device);
    while (mount.size() > 1 && mount.back() == L'/') mount.pop_back();
    if (mount.empty() || mount == L"/") return false;
    size_t slash = mount.rfind(L'/');
    label = slash == std::wstring::npos ? mount : mount.substr(slash + 1);
    return true;
}

std::vector<COpticalDriveWatcher::CChange> COpticalDriveWatcher::Poll()
{
    std::vector<CChange> changes;
    std::map<std::wstring, bool> now;
    for (const COpticalDriveInfo& drive : EnumerateOpticalDrives())
        now[drive.device] = QueryDriveState(drive.device) == EOpticalState::DiscPresent;
    if (m_primed) {
        for (const auto& [device, present] : now) {
            auto it = m_present.find(device);
            bool was = it != m_present.end() && it->second;
            if (present != was) changes.push_back(CChange{device, present});
        }
        // A drive that went away with its disc.
        for (const auto& [device, was] : m_present)
            if (was && now.find(device) == now.end()) changes.push_back(CChange{device, false});
    }
    m_present = std::move(now);
    m_primed = true;
    return changes;
}
