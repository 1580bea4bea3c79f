// The online downloader as the program uses it: one object made by the media
// handler, fed with site accounts and addresses, reporting to the main window
// by posted messages. Destroyed with Release.
//
// Every message carries its record as a heap copy in lParam that the receiver
// owns (PostMessageOwned: freed by the queue when it cannot be delivered), so
// a record stays valid for as long as the receiver holds it, whatever became
// of the download meanwhile.
#pragma once
#include "Log.h"
#include "platform/types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class IVXMMedia;

// wParam an EDownloadEvent, lParam a VXM_DOWNLOAD_RECORD*.
constexpr UINT WM_VXM_DOWNLOADER_EVENT = 9216;
// wParam the progress in tenths of a percent (0..1000), lParam a VXM_DOWNLOAD_RECORD*.
constexpr UINT WM_VXM_DOWNLOADER_PROGRESS = 9217;
// lParam a CFormatRequestTicket*: the receiver chooses or lets it go (cancel).
constexpr UINT WM_VXM_DOWNLOADER_SELECT_FORMAT = 9218;
// lParam a VXM_DOWNLOAD_RECORD* whose status text changed.
constexpr UINT WM_VXM_DOWNLOADER_STATUS = 9219;

enum EDownloadEvent : int {
    DOWNLOAD_EVENT_STARTED = 0,          // analysis begins
    DOWNLOAD_EVENT_ANALYSED = 1,         // the address was understood: title, parts, formats
    DOWNLOAD_EVENT_ANALYSIS_FAILED = 2,  // error text set
    DOWNLOAD_EVENT_THUMBNAIL = 3,        // thumbnail path set
    DOWNLOAD_EVENT_FORMAT_CHOSEN = 4,
    DOWNLOAD_EVENT_FILE_DONE = 5,        // one part's file is complete (file path set)
    DOWNLOAD_EVENT_FAILED = 6,           // a part failed after its retries (error text set)
    DOWNLOAD_EVENT_CANCELLED = 7,
    DOWNLOAD_EVENT_TOOL_FAILED = 8,      // the download tool could not be started
    DOWNLOAD_EVENT_ALL_DONE = 9,         // every part is complete
};

// Flags of AddDownload (the online row's download flag).
constexpr int DOWNLOAD_FLAG_MP3 = 1;  // keep only the audio, as MP3

// Format choice of AddDownload (setting OnlineFMT).
constexpr int ONLINE_FORMAT_BEST = 0;
constexpr int ONLINE_FORMAT_ASK = 1;  // ask when several formats are offered
constexpr int ONLINE_FORMAT_SMALLEST = 2;

// One download as the program sees it. The records of the further parts hang
// off `next` (the first part's record is the head) and never change.
struct VXM_DOWNLOAD_RECORD {
    IVXMMedia* media = nullptr;  // the online row's media (a key: never called)
    std::wstring title;
    std::wstring siteName;
    std::wstring pageUrl;
    std::wstring filePath;       // the downloaded file of the current part
    std::wstring thumbnailPath;
    std::wstring errorText;
    std::wstring statusText;     // the current file name, with the speed
    int partCount = 0;
    int partIndex = 0;           // from 0
    std::shared_ptr<const VXM_DOWNLOAD_RECORD> next;
};

struct VXM_FORMAT_RECORD {
    std::string quality;      // "720p"
    std::string description;  // "1280x720"
    std::wstring mediaType;   // "video/mp4"
    std::uint64_t size = 0;   // bytes, 0 when unknown
    std::string formatId;     // the tool's id of the format
};

struct VXM_FORMAT_REQUEST {
    IVXMMedia* media = nullptr;
    std::wstring title;
    std::vector<VXM_FORMAT_RECORD> formats;
    int chosen = 0;  // written by the receiver
};

// The format question of one download. The download waits until the ticket
// is answered with Choose(), or dropped (which cancels the download); it also
// stops waiting when the download is cancelled.
class CFormatRequestTicket {
public:
    struct CExchange;
    explicit CFormatRequestTicket(std::shared_ptr<CExchange> exchange);
    ~CFormatRequestTicket();
    CFormatRequestTicket(const CFormatRequestTicket&) = delete;
    CFormatRequestTicket& operator=(const CFormatRequestTicket&) = delete;

    VXM_FORMAT_REQUEST& Request();
    // The request's chosen index is the answer (an index out of range cancels).
    void Choose();

private:
    std::shared_ptr<CExchange> m_exchange;
};

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
    // Installed version of the download tool (20230304 for "2023.03.04"); 0 when none.
    virtual int GetToolVersion() = 0;

protected:
    virtual ~IVXMDownloader() = default;
};

// Null when the downloader cannot be made.
IVXMDownloader* CreateVXMDownloader(const std::wstring& outputFolder, HWND mainWindow);
void VXMDownloaderSetLogFunc(VXMLogFuncA logA, VXMLogFuncW logW);
// The download tool to run; empty (the default) picks the newer of the copy in
// the work folder ("yt-dlp" there) and the system's.
void VXMDownloaderSetToolPath(const std::wstring& path);
