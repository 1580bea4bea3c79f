// The player's folder walk, away from the UI thread: every supported media
// file of a folder and its sub-folders, depth first, in the file system's
// order. A folder reached again through a link is not entered twice.
#pragma once
#include "platform/events.h"

#include <functional>
#include <string>
#include <vector>

// Called on the walk's thread before each folder is read.
using FolderEnteredFn = std::function<void(const std::wstring& folder)>;

// The files found; the walk ends early (with what it found so far) once
// `stop` is set.
std::vector<std::wstring> ScanFolderForMedia(const std::wstring& folder, const CEvent& stop,
                                             const FolderEnteredFn& entered = {});
