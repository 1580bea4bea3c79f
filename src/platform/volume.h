// Volumes: whether a path's file system takes writes.
#pragma once
#include <string>

// False when the volume holding `path` (or its nearest existing parent) is
// mounted read-only, is a disc file system, or cannot be found.
bool IsVolumeWritable(const std::wstring& path);

// True for an existing folder on a writable volume in which the calling
// process may make files.
bool IsFolderWritable(const std::wstring& folder);
