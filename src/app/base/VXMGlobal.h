// Helpers shared by the whole program: folders, paths, text, time and date
// texts, the web-address and disc-folder tests, the file manager, the maker's
// web addresses, the GPU test, the screen-saver guard, power-off and the
// program's version.
#pragma once
#include "platform/folders.h"  // GetProgramFolder, GetToolsFolder, GetTempFolder
#include "platform/types.h"
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

constexpr const wchar_t* VXM_PRODUCT_NAME = L"Vexmora Professional";
constexpr const wchar_t* VXM_MAKER_NAME = L"Kestrane";

// LC_CTYPE = C.UTF-8 (any UTF-8 locale when that one is missing), LC_NUMERIC
// and LC_TIME = "C": number and time texts are the same on every machine.
void SetProgramLocale();

// What the helpers need of the user interface. The UI sets these once at
// start-up; without them the language is "en", texts are not translated and
// error boxes are only logged.
struct CGlobalUIHooks {
    std::function<std::wstring()> languageId;
    std::function<std::wstring(const std::wstring& id)> translate;
    std::function<void(const std::wstring& text, const std::wstring& caption)> errorBox;
};
void SetGlobalUIHooks(CGlobalUIHooks hooks);

// Folders (all exist after the call; no trailing slash).
std::wstring GetAppDataFolder();        // $XDG_DATA_HOME/Kestrane/Vexmora Professional
std::wstring GetCommonAppDataFolder();  // $XDG_DATA_HOME/Kestrane/Common
std::wstring GetMyMusicFolder();
// A fresh name "vxmthm*.png" in the temporary folder, made without looking
// into the folder; "" when none could be made.
std::wstring GetTempThumbnailPath();
// Folder and name with exactly one '/' between them.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);
// The path from the root: a relative name is taken from the working folder,
// so that no name ("pipe:0", "concat:a|b") reads as anything but a file.
std::wstring AbsolutePath(const std::wstring& path);
// False on a read-only volume (a disc) or when the path's volume cannot be found.
bool IsWritableVolume(const std::wstring& path);
// Creates the folder and every missing parent; true when it exists afterwards.
bool CreateFolderTree(const std::wstring& path);

// Text.
std::string ToUTF8(const std::wstring& text);
// `text` with its "%s" replaced by `values` in turn (the text may be a
// translation: it is never used as a format, and a value is never read again).
std::wstring FillIn(std::wstring text, std::initializer_list<std::wstring> values);
// Each occurrence of `separator` starts a new piece (the piece keeps the
// separator); pieces are trimmed of white space, empty ones dropped. Returns the count.
int SplitString(const std::wstring& text, const std::wstring& separator, std::vector<std::wstring>& pieces);
std::wstring IntToString(int value);
// The text without white space at either end.
std::wstring TrimSpace(const std::wstring& text);
// Every : / \ * ? " < > | and every control character becomes '_'.
void ReplaceInvalidFileNameChars(std::wstring& name);

// The strftime forms of a list's date: a time of today, a day of this year,
// an older day. By default English: "09:05 AM", "Mar 04", "03/04/2025".
struct TDateForms {
    std::string today = "%I:%M %p";
    std::string thisYear = "%b %d";
    std::string older = "%m/%d/%Y";
};
// Short list form of a date given in seconds since 1970: today's form for
// later than midnight today (also the future), this year's within this year,
// else the older form; "Invalid DateTime" when the time cannot be made local.
std::wstring FormatDate(long long unixSeconds, const TDateForms& forms = {});
std::wstring FormatDate(long long unixSeconds, long long nowUnixSeconds, const TDateForms& forms = {});

// 'A' + index of the lowest set bit among the first 26; 0 for none.
wchar_t GetFirstDriveLetter(DWORD mask);

// The program's file version; 0, or -1 when it is unknown.
int GetFileVersion(int& major, int& minor, int& build);

// The operating system's version: the kernel's on this system.
struct VXM_OS_VERSION {
    DWORD dwMajorVersion = 0;
    DWORD dwMinorVersion = 0;
    DWORD dwBuildNumber = 0;
    DWORD dwPlatformId = 0;
    std::wstring szCSDVersion;  // the full release text
    std::wstring szSystemName;
};
const VXM_OS_VERSION& GetOSVersionInfo();

// Disc folders. Child folders and files are found without regard to case.
// An encrypted Blu-ray (an "AACS" folder) is refused with an error box.
bool IsBDFolder(const std::wstring& folder);
bool IsDVDFolder(const std::wstring& folder);

// True when the path names a regular file.
bool IsExistingFile(const std::wstring& path);

// A whole text that is a web address (texts over 2048 characters never are).
bool IsURL(const std::wstring& text);

// Shows a folder, or the folder of a file, in the desktop's file manager.
// 2 when the path does not exist, above 32 when the file manager was started,
// else a code at or below 32.
constexpr int VXM_SHELL_FILE_NOT_FOUND = 2;
constexpr int VXM_SHELL_NO_ASSOCIATION = 31;
constexpr int VXM_SHELL_OK = 42;
int OpenInExplorer(const std::wstring& path, HWND owner = nullptr);

// The maker's web addresses for the current UI language (or the one given).
std::wstring GetOnlineHelpURL();
std::wstring GetOnlineHelpURL(const std::wstring& languageId);
std::wstring GetProductPageURL();
std::wstring GetProductPageURL(const std::wstring& languageId);
std::wstring GetInstallerDownloadURL();

// 1 when the CUDA driver can be loaded and counts at least one device; the
// answer is found once per process.
int IsCUDAAvailable();
// The same probe on a given library, uncached (tests).
int ProbeCUDALibrary(const std::string& libraryName);

// Keeps the screen saver and idle power saving away while it lives. Guards
// nest: the desktop's idle behaviour comes back when the last one goes, and
// also when the process dies.
class CDisableScreenSave : private CNonCopyable {
public:
    CDisableScreenSave();
    virtual ~CDisableScreenSave();
};

// Powers the computer off through the session manager (asked for by the
// user's "shut down when done" setting), then ends the message loop. A refusal
// is logged and shown.
void Shutdown();
