// The online downloader as the program uses it: one object made by the media
// handler, fed with site accounts and addresses, reporting to the main window
// by posted messages. Destroyed with Release.
#pragma once
#include "Log.h"
#include "platform/types.h"
#include <string>

class IVXMMedia;

class IVXMDownloader {
public:
    // Queues one download of `address` for the online row's media. Nonzero when queued.
    virtual int AddDownload(const std::wstring& address, IVXMMedia* media, const std::wstring& outputFolder,
                            const std::wstring& thumbnailPath, int format, int flags) = 0;
    virtual void CancelDownload(IVXMMedia* media) = 0;
    // Nonzero when downloading started.
    virtual int StartDownloads() = 0;
    virtual void Release() = 0;
    virtual void SetRetryTimes(int count) = 0;
    virtual void SetYTUser(const std::wstring& user) = 0;
    virtual void SetYTPasswd(const std::wstring& password) = 0;
    virtual void SetNicoUser(const std::wstring& user) = 0;
    virtual void SetNicoPasswd(const std::wstring& password) = 0;
    virtual void SetFaceBookUser(const std::wstring& user) = 0;
    virtual void SetFaceBookPasswd(const std::wstring& password) = 0;
    virtual void SetUseTitleAsFileName(int use) = 0;
    // The per-user data folder, ending in a separator.
    virtual void SetWorkFolder(const std::wstring& folder) = 0;
    virtual void SetProxy(const std::wstring& server, const std::wstring& port) = 0;
    // Installed version of the download tool; 0 when none.
    virtual int GetToolVersion() = 0;

protected:
    virtual ~IVXMDownloader() = default;
};

// Null when the downloader cannot be made.
IVXMDownloader* CreateVXMDownloader(const std::wstring& outputFolder, HWND mainWindow);
void VXMDownloaderSetLogFunc(VXMLogFuncA logA, VXMLogFuncW logW);
