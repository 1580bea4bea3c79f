// Optical drives through the kernel's CD-ROM interface: the drive list,
// disc state, tray eject and load, and whether a path lies on a disc.
#pragma once
#include <string>
#include <string_view>
#include <vector>

enum class EOpticalState { NoDisc, TrayOpen, NotReady, DiscPresent, Unknown };

// Device paths ("/dev/sr0") of the drives the kernel lists.
std::vector<std::wstring> ListOpticalDrives();
// The drive names of /proc/sys/dev/cdrom/info text ("sr0").
std::vector<std::string> ParseCdromInfoDrives(std::string_view info);
EOpticalState GetOpticalState(const std::wstring& device);
// Opens / closes the tray; false (and a log line) when the drive refuses.
bool EjectOpticalMedia(const std::wstring& device);
bool LoadOpticalMedia(const std::wstring& device);
// Mount point of the device's disc; empty when not mounted.
std::wstring OpticalMountPoint(const std::wstring& device);
// True when the deepest mount holding `path` is an optical drive's disc.
bool IsOnOpticalDisc(const std::wstring& path);
// The device of the deepest mount in /proc/mounts text holding `path`.
std::string MountDeviceOf(std::string_view mounts, const std::string& path);
