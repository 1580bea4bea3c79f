// Optical drives through the kernel's CD-ROM interface: the drive list,
// disc state, tray eject and load, and whether a path lies on a disc.
#pragma once
#include <string>
#include <string_view>
#include <vector>

enum class EOpticalState { NoDisc, TrayOpen, NotReady, DiscPresent, Unknown };

// Device paths ("/dev/sr0") of the drives the kernel lists.
std::vector<std::wstring> ListOpticalDrives();
// A drive named in the kernel's CD-ROM table and whether it reads DVDs.
struct CCdromInfoDrive {
    std::string name;  // "sr0"
    bool readsDVD = false;
};
// Parses /proc/sys/dev/cdrom/info: the "drive name:" row and the "Can read DVD:" row, column by column.
std::vector<CCdromInfoDrive> ParseCdromInfo(std::string_view info);
// The drive names of /proc/sys/dev/cdrom/info text ("sr0").
std::vector<std::string> ParseCdromInfoDrives(std::string_view info);
EOpticalState GetOpticalState(const std::wstring& device);
// Opens / closes the tray; false (and a log line) when the drive refuses.
bool EjectOpticalMedia(const std::wstring& device);
bool LoadOpticalMedia(const std::wstring& device);
// Mount point of the device's disc; empty when not mounted.
std::wstring OpticalMountPoint(const std::wstring& device);
// The same from /proc/mounts text.
std::wstring MountPointIn(std::string_view mounts, const std::wstring& device);
// The state a CDROM_DRIVE_STATUS answer stands for (a failed call: Unknown).
EOpticalState OpticalStateOfStatus(int status);
// True when the deepest mount holding `path` is an optical drive's disc.
bool IsOnOpticalDisc(const std::wstring& path);
// The device of the deepest mount in /proc/mounts text holding `path`.
std::string MountDeviceOf(std::string_view mounts, const std::string& path);
