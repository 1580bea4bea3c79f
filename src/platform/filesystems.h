// Mounted file systems: the volumes a user browses, and the kernel's pseudo
// file systems that a folder walk must not enter.
#pragma once
#include <string>
#include <vector>

// Mount points of the user's volumes (removable media, /mnt) in the order
// of the mount table; "/" itself is not among them.
std::vector<std::wstring> ListUserVolumes();
// True when `path` lies on a pseudo file system (proc, sysfs, devices,
// cgroups, tracing...) or cannot be asked.
bool IsPseudoFileSystem(const std::wstring& path);
