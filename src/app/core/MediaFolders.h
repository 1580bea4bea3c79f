// Folders the add commands work with: the media files of a folder, the
// probed start folder of the open dialogs, and whether a row's disc or drive
// path belongs to a given path.
#pragma once
#include <chrono>
#include <functional>
#include <string>
#include <vector>

// The files directly in `folder` (one level), in listing order, whatever
// their extension: the media handler refuses what it cannot open. Entries
// are taken only when they are (or link to) regular files; sub-folders,
// pipes, links to folders and broken or looping links are left out, so no
// scan can run in a circle or wait on a pipe.
std::vector<std::wstring> ListFolderFiles(const std::wstring& folder);
// The same, and whether the folder may be a DVD or Blu-ray folder (it is
// named VIDEO_TS or holds an entry named VIDEO_TS, BDMV or AACS, in any
// case): one read of the folder, for any thread.
std::vector<std::wstring> ListFolderFiles(const std::wstring& folder, bool& mayBeDisc);

// The start folder of an open dialog: `folder` when it can be listed within
// `wait`; else the user's videos folder (made when missing), or empty. A
// probe still running after the wait finishes on its own; its answer is dropped.
std::wstring ProbeDefaultMediaFolder(const std::wstring& folder,
                                     std::chrono::milliseconds wait = std::chrono::milliseconds(2000));
// The same with the listing given (tests: a folder that answers late).
std::wstring ProbeDefaultMediaFolder(const std::wstring& folder, std::chrono::milliseconds wait,
                                     std::function<bool(const std::wstring&)> listable);
// Probes that outlived their wait and have not ended yet.
int PendingFolderProbes();

// True when a row's disc or drive path and `path` name the same place or
// one lies inside the other, part by part ("/media/DVD" is not inside
// "/media/DVD2"). Empty paths match nothing.
bool IsPathOfRow(const std::wstring& rowPath, const std::wstring& path);
