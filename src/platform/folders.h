// Per-user and shared folders (XDG), the program's own folders, temporary files.
// Every folder returned exists (created on demand); paths use '/' and carry
// no trailing slash.
#pragma once
#include <string>

// $XDG_DATA_HOME/Kestrane/Vexmora Professional, mode 0700: it holds the
// user's file paths (history, thumbnails, log, custom values).
std::wstring GetUserDataFolder();
// $XDG_DATA_HOME/Kestrane/Common
std::wstring GetMakerSharedFolder();
// $XDG_CONFIG_HOME (settings store lives under it)
std::wstring GetUserConfigFolder();
// The user's videos folder (XDG user dirs), home when unknown.
std::wstring GetUserVideosFolder();
std::wstring GetUserMusicFolder();
std::wstring GetUserHomeFolder();
// The user's desktop folder (XDG user dirs, else ~/Desktop); empty when there is none. Never created.
std::wstring GetUserDesktopFolder();
// Folder of the running executable, and its "data", "gnu" and "skin" folders.
std::wstring GetProgramFolder();
std::wstring GetProgramDataFolder();
std::wstring GetToolsFolder();
std::wstring GetSkinFolder();
// A folder of the user's own data: made with its missing parents mode 0700,
// and an existing one of the user's closed to others. False when it cannot be.
bool MakePrivateFolder(const std::wstring& path);
// A file of the user's own data: readable and writable by the user alone (0600).
bool MakePrivateFile(const std::wstring& path);
// Temporary folder of the program: $TMPDIR/Kestrane-<uid>, mode 0700.
std::wstring GetTempFolder();
// Overrides for tests: the program folder (data, gnu and skin follow it).
void SetProgramFolderForTesting(const std::wstring& folder);
