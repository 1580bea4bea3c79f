// Mounted file systems: the volumes a user browses, and the kernel's pseudo
// file systems that a folder walk must not enter.
#pragma once
#include <compare>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Mount points of the user's volumes (removable media, /mnt) in the order
// of the mount table; "/" itself is not among them.
std::vector<std::wstring> ListUserVolumes();
// True when `path` lies on a pseudo file system (proc, sysfs, devices,
// cgroups, tracing...) or cannot be asked.
bool IsPseudoFileSystem(const std::wstring& path);

// Where a file or folder lives (device and inode): paths that reach the same
// one through links have the same identity.
struct CFileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    auto operator<=>(const CFileIdentity&) const = default;
};
// False when the path cannot be asked.
bool GetFileIdentity(const std::filesystem::path& path, CFileIdentity& identity);

// Names of the entries of a folder (no "." or ".."), in the lossless wide
// mapping of Utf8ToWide; empty when the folder cannot be listed.
std::vector<std::wstring> ListFolderEntries(const std::wstring& folder);
