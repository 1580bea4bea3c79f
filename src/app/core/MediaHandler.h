// The one bridge between the user interface and the media engine: the
// profile catalogue, the downloader, new media objects for files, the start of
// a conversion, DVD sources, the export to iTunes (not available here) and the
// user's custom parameter values. Used on the UI thread.
#pragma once
#include "CustomProps.h"
#include "MediaLoader.h"
#include "VXMDownloader.h"
#include "platform/types.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CVXMSettings;
class IProfile;
class IProfileManager;
class IVXMDVDFile;
class IVXMMedia;

// Messages of the handler to the main window.
// Sent: wParam the cue sheet's path (const wchar_t*), lParam the list position (low 16 bits).
constexpr UINT WM_VXM_IMPORT_CUE = 5127;
// Posted: wParam a CListedCue* of a cue sheet queued with other files (the
// receiver deletes it), lParam the list position (low 16 bits). The files
// queued after it wait until the receiver calls FillPlace(place).
constexpr UINT WM_VXM_CUE_LISTED = 5139;
struct CListedCue {
    std::wstring path;
    uint64_t place = 0;
};
// Posted: wParam a CQueuedMedia* (the receiver deletes it and takes its
// media), lParam MAKELPARAM(position, flags): a queued file, probed.
constexpr UINT WM_VXM_MEDIA_QUEUED = 5140;
struct CQueuedMedia {
    IVXMMedia* media = nullptr;
    unsigned round = 0;  // CMediaHandler::QueueRound when it was posted
};
// Posted: wParam the new IVXMMedia (the receiver takes it), lParam MAKELPARAM(position, flags).
constexpr UINT WM_VXM_MEDIA_LOADED = 5120;
// Posted: wParam a CRefusedMedia* (the receiver deletes it): a file to add
// that is no media, in the order the files were queued.
constexpr UINT WM_VXM_MEDIA_REFUSED = 5141;
// Why, besides the probe's results (VXM_PROBE_RESULT): the file holds no byte.
constexpr int kRefusedEmpty = -100;
struct CRefusedMedia {
    std::wstring path;
    int why = 0;
};
// Tells `window` (nothing when it is gone) of a file that is no media.
void PostRefusedMedia(HWND window, const std::wstring& path, int why);
// Posts WM_VXM_MEDIA_LOADED owning the media: a message never delivered (the
// window went first) releases it. False when the post failed; the caller
// still holds the media then.
bool PostMediaLoaded(HWND window, IVXMMedia* media, short position, unsigned short flags);
// Posted: wParam -1 not installed, -2 failed to start; lParam a wchar_t[] copy
// of the path made with new[]; the receiver frees it with delete[].
constexpr UINT WM_VXM_ITUNES_ADD_FAILED = 2034;
constexpr UINT WM_VXM_TRACK_INFO_FAILED = 2036;

// UI text ids the handler shows.
constexpr UINT IDS_OUTPUT_VOLUME_NOT_WRITABLE = 186;

// What the handler needs from the engine and the desktop; tests replace parts.
struct CMediaHandlerServices {
    std::function<IProfileManager*()> createProfileManager;
    std::function<IVXMMedia*(IVXMMedia* source)> createMedia;
    std::function<IVXMDVDFile*()> createDVDFile;
    std::function<IVXMDownloader*(const std::wstring& outputFolder, HWND mainWindow)> createDownloader;
    std::function<bool(const std::wstring& path)> isWritableVolume;
    std::function<std::wstring(UINT id)> loadString;
    // An error box over the window (modal).
    std::function<void(HWND owner, const std::wstring& text, const std::wstring& caption)> errorBox;
    std::function<std::wstring()> programFolder;
    std::function<std::wstring()> dataFolder;

    // The engine's exports, the program's helpers and the program's error box.
    static CMediaHandlerServices Default();
};

// The error box the handler uses by default (set by start-up once the UI is up;
// until then errors are only logged).
void SetProgramErrorBox(std::function<void(HWND, const std::wstring&, const std::wstring&)> box);

class CMediaHandler {
public:
    static CMediaHandler* GetInstance();
    // Ends the singleton (the main window's end).
    static void DeleteInstance();

    explicit CMediaHandler(CMediaHandlerServices services = CMediaHandlerServices::Default(),
                           CVXMSettings* settings = nullptr);
    virtual ~CMediaHandler();
    CMediaHandler(const CMediaHandler&) = delete;
    CMediaHandler& operator=(const CMediaHandler&) = delete;

    // Loads the catalogue, makes the downloader, applies the settings and
    // loads the custom values. False when the catalogue is not available.
    bool Init(HWND mainWindow);
    void ApplySettings(IProfileManager* manager);

    // A ".cue" sheet is handed to the main window; other files are probed.
    IVXMMedia* AddFile(const std::wstring& path, short position, unsigned short flags);
    IVXMMedia* LoadMediaFile(const std::wstring& path, short position, unsigned short flags);
    // Many files at once, off the UI thread: files are probed on the media
    // pool and posted as WM_VXM_MEDIA_QUEUED, cue sheets as
    // WM_VXM_CUE_LISTED, all in the order given; files that are no media are
    // left out with a log line.
    void QueueFiles(const std::vector<std::wstring>& paths, short position, unsigned short flags);
    // As QueueFiles with what `list` gives: it runs on the media pool, and
    // its entries keep the place of the call among the files queued.
    void QueueListedFiles(CMediaLoader::ListFn list, short position, unsigned short flags);
    // Queues `paths` in the place of a holding entry (a cue sheet posted,
    // an entry of a listing), which lets the files after it go on.
    void FillPlace(uint64_t place, const std::vector<std::wstring>& paths);
    // The holding entry of `place` still waits (no Remove All since).
    bool IsPlaceWaiting(uint64_t place) const;
    // Queued files not yet posted are dropped, and those posted become
    // stale: the round goes up.
    void CancelQueuedFiles();
    unsigned QueueRound() const;
    bool ConvertMedia(IVXMMedia* media, IProfile* profile);
    bool DownloadMedia(IVXMMedia* media, int flags);
    IVXMDVDFile* OpenDVD(const std::wstring& path);
    // Releases the DVD object of the last OpenDVD (the titles handed out stay).
    void CloseDVD();
    IVXMDVDFile* GetDVDFile() const { return m_pDVDFile; }

    bool IsiTunesInstalled();
    void AddToiTunes(const std::wstring& path);
    void QueryiTunesTrackInfo(const std::wstring& path);
    const int* GetTrackInfo() const { return m_trackInfo; }

    bool LoadCustomProps();
    bool SaveCustomProps();
    void SetCustomProp(int profileId, const char* defaultText, const char* addedText, const char* key);
    void SetCustomPropDefault(int profileId, int value, const char* key);
    void RemoveCustomPropValue(int profileId, const char* text, const char* key);
    // Null before LoadCustomProps.
    const Json::Value* GetCustomProps() const { return m_customProps ? m_customProps->GetRoot() : nullptr; }

    IProfileManager* GetProfileManager() const { return m_pProfileManager; }
    IVXMDownloader* GetDownloader() const { return m_pDownloader; }
    HWND GetMainWindow() const { return m_hMainWnd; }

private:
    CMediaLoader& Loader();
    void PostiTunesFailure(UINT message, int code, const std::wstring& path);
    CVXMSettings& Settings() const;

    CMediaHandlerServices m_services;
    CVXMSettings* m_pSettings;
    HWND m_hMainWnd = nullptr;
    IProfileManager* m_pProfileManager = nullptr;
    IVXMDownloader* m_pDownloader = nullptr;
    IVXMDVDFile* m_pDVDFile = nullptr;
    std::unique_ptr<CCustomProps> m_customProps;
    std::unique_ptr<CMediaLoader> m_loader;
    std::shared_ptr<std::atomic<unsigned>> m_queueRound = std::make_shared<std::atomic<unsigned>>(0);
    int m_trackInfo[4] = {0, 0, 0, 0};
};

// Drops the files the media handler still probes, if there is a handler.
void CancelQueuedMediaFiles();
