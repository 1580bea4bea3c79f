// Optical drives for the disc choice and disc notices: the drives the kernel
// lists with their DVD capability, disc state, tray load and eject, the
// volume label of a disc (ISO 9660 / Joliet descriptor, else the mount
// table), and arrivals and removals found by polling.
// Every call on a device goes through IOpticalDeviceCalls, so tests can put
// a fake drive in place of /dev/sr*.
#pragma once
#include "platform/optical.h"

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class IOpticalDeviceCalls {
public:
    virtual ~IOpticalDeviceCalls() = default;
    // A descriptor, or -1.
    virtual int Open(const std::string& path) = 0;
    virtual void Close(int fd) = 0;
    // The ioctl's own result (-1 on failure).
    virtual int Ioctl(int fd, unsigned long request, unsigned long arg) = 0;
    // Bytes read at the offset, -1 on failure.
    virtual long ReadAt(int fd, void* buffer, std::size_t size, long long offset) = 0;
    // A whole text file ("/proc/sys/dev/cdrom/info", "/proc/mounts"); empty when unreadable.
    virtual std::string ReadText(const std::string& path) = 0;
};

// The calls in use: the system's unless a test put its own.
IOpticalDeviceCalls& OpticalDeviceCalls();
// Null: back to the system's.
void SetOpticalDeviceCalls(IOpticalDeviceCalls* calls);

struct COpticalDriveInfo {
    std::wstring device;      // "/dev/sr0"
    std::wstring mountPoint;  // empty when its disc is not mounted
    bool readsDVD = false;
};

std::vector<COpticalDriveInfo> EnumerateOpticalDrives();
EOpticalState QueryDriveState(const std::wstring& device);
// The drive's capability mask says DVD; when the drive cannot be asked, the kernel's table.
bool DriveReadsDVD(const std::wstring& device);
// Opens / closes the tray; false (and a log line) when the drive refuses.
bool EjectDrive(const std::wstring& device);
bool LoadDrive(const std::wstring& device);
std::wstring DriveMountPoint(const std::wstring& device);

// The label of a disc or a disc image: the Joliet name when the disc has
// one, else the ISO 9660 primary descriptor's; trailing blanks cut. False
// when the source holds no ISO 9660 descriptor.
bool ReadIso9660Label(const std::wstring& deviceOrImage, std::wstring& label);
// One 2048-byte volume descriptor: type 1 (primary) or 2 with a Joliet escape.
// False for any other sector.
bool ParseVolumeDescriptorLabel(const unsigned char* sector, std::size_t size, std::wstring& label, bool& joliet);
// The label of the disc in a drive: its descriptor, else the last part of
// its mount point. False when neither is there (no disc, unreadable).
bool ReadVolumeLabel(const std::wstring& device, std::wstring& label);

// Arrivals and removals found by comparing disc states between polls. The
// first poll only records what is there.
class COpticalDriveWatcher {
public:
    struct CChange {
        std::wstring device;
        bool arrived = false;
    };
    std::vector<CChange> Poll();

private:
    std::map<std::wstring, bool> m_present;
    bool m_primed = false;
};
