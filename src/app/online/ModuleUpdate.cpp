#include "ModuleUpdate.h"

#include "IniFile.h"
#include "Log.h"
#include "VXMGlobal.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "platform/paths.h"

#include <filesystem>
#include <mutex>

namespace fs = std::filesystem;

namespace {

std::mutex g_serverLock;
std::wstring g_server = L"https://update.kestrane.example";

}  // namespace

std::wstring GetUpdateServer()
{
    std::lock_guard<std::mutex> lock(g_serverLock);
    return g_server;
}

void SetUpdateServer(const std::wstring& address)
{
    std::lock_guard<std::mutex> lock(g_serverLock);
    g_server = address;
    while (!g_server.empty() && g_server.back() == L'/') g_server.pop_back();
}

std::wstring ModuleVersionFilePath() { return JoinPath(GetAppDataFolder(), L"yt_ver.ini"); }
std::wstring ModuleToolPath() { return JoinPath(GetAppDataFolder(), L"yt-dlp"); }

bool CModuleVersionCheck::Start(std::function<int()> installedVersion, HWND mainWindow, const CHttpGetOptions& options)
{
    const std::wstring url = GetUpdateServer() + L"/ver_youtube-dl.ini";
    const std::wstring path = ModuleVersionFilePath();
    return m_thread.Start([this, installedVersion, mainWindow, options, url, path](CMessageThread& thread) {
        // Without a known version every offer would look newer.
        const int installed = installedVersion ? installedVersion() : 0;
        if (installed <= 0 || thread.StopEvent().IsSet()) return;
        LogInfoW("CheckModuleVersionThread", L"Downloading youtube-dl version file %s...", path.c_str());
        // A route out is no proof of a connection: the server's answer is.
        if (!CCheckUpdateDlg::GetFile(nullptr, &thread.StopEvent(), url, path, options)) {
            if (!thread.StopEvent().IsSet())
                LogInfo("CVideoConverterDlg", "No Internet connection to the update server, the module version is not checked.");
            return;
        }
        LogInfo("CVideoConverterDlg", "Internet connection available, checking module version...");
        const int offered = ReadIniInt(path, L"General", L"version", 0);
        m_offered = offered;
        if (offered > installed && PostMessage(mainWindow, WM_VXM_MODULE_UPDATE_AVAILABLE, static_cast<WPARAM>(installed),
                                               static_cast<LPARAM>(offered)))
            LogInfo("CheckModuleVersionThread", "New module version available: %d, current version: %d.", offered, installed);
    }, [](const std::string& what) {
        // Nothing waits for the check: the log says why no offer came.
        LogError("CheckModuleVersionThread", "The module version check failed: %s", what.c_str());
    });
}

bool DownloadModule(HWND notifyWindow, CEvent* cancelEvent, const CHttpGetOptions& options)
{
    const std::wstring target = ModuleToolPath();
    const std::wstring partial = target + L".module";
    LogInfoW("DownloadModuleThread", L"Downloading youtube-dl module %s...", partial.c_str());
    CHttpGetOptions secure = options;
    secure.httpsOnly = true;  // an executable never comes over plain http
    if (!CCheckUpdateDlg::GetFile(notifyWindow, cancelEvent, GetUpdateServer() + L"/yt-dlp", partial, secure)) return false;
    std::error_code ec;
    const fs::path from = PathFromWide(partial), to = PathFromWide(target);
    fs::permissions(from, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                              fs::perms::others_exec,
                    fs::perm_options::replace, ec);
    if (!ec) fs::rename(from, to, ec);
    if (ec) {
        LogInfo("DownloadModuleThread", "Cannot put the new tool in place: %s", ec.message().c_str());
        fs::remove(from, ec);
        return false;
    }
    return true;
}
