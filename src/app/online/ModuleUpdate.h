// Keeping the online-video download tool current: a version file on the
// update server names the newest tool; a newer one is fetched (https only)
// into the per-user data folder, where the downloader prefers it.
#pragma once
#include "HttpDownload.h"
#include "platform/thread.h"
#include "platform/types.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>

// To the main window: wParam the installed version, lParam the offered one.
constexpr UINT WM_VXM_MODULE_UPDATE_AVAILABLE = 2041;
// To the update dialog: the new tool is in place / could not be put there.
constexpr UINT WM_VXM_MODULE_DOWNLOAD_DONE = 9219;
constexpr UINT WM_VXM_MODULE_DOWNLOAD_FAILED = 9220;

// The update server's address (no trailing slash); tests point it elsewhere.
std::wstring GetUpdateServer();
void SetUpdateServer(const std::wstring& address);

// <data folder>/yt_ver.ini and <data folder>/yt-dlp.
std::wstring ModuleVersionFilePath();
std::wstring ModuleToolPath();

// Asks `installedVersion` (on its own thread: it may run the tool) and, when
// that is known (above 0), fetches the version file; when the file names a
// version above it, posts WM_VXM_MODULE_UPDATE_AVAILABLE to the window. The
// log calls the connection available only once the server answered. The
// thread stops with its object.
class CModuleVersionCheck {
public:
    bool Start(std::function<int()> installedVersion, HWND mainWindow, const CHttpGetOptions& options);
    // The version the file named (0 before, or when it could not be read).
    int GetOfferedVersion() const { return m_offered.load(); }
    bool Join(DWORD timeoutMs) { return m_thread.Join(timeoutMs); }

private:
    CMessageThread m_thread;
    std::atomic<int> m_offered{0};
};

// Fetches the tool beside its place, makes it executable and renames it into
// place; the old tool stays on any failure. True when the new one is in place.
bool DownloadModule(HWND notifyWindow, CEvent* cancelEvent, const CHttpGetOptions& options);
