// The engine bridge.
#include "MediaHandler.h"
#include "RowTags.h"
#include "Log.h"
#include "VXMGlobal.h"
#include "VXMSettings.h"
#include "IProfile.h"
#include "VXMMediaExports.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "ui/UILanguage.h"

#include <algorithm>
#include <cstring>
#include <thread>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace {

const char* const kCategory = "CMediaHandler";
const char* const kConvertCategory = "?ConvertMedia@CMediaHandler@@QAE_NPAVIVXMMedia@@PAVIProfile@@@Z";

std::mutex g_boxMutex;
std::function<void(HWND, const std::wstring&, const std::wstring&)> g_errorBox;

// The threads one conversion holds when x264 gets `threads`: the step and
// its monitor; x264's own with its lookahead; and, once the quarter the job
// builder gives libavcodec is above one, the video decoder's and one more for
// each filter graph pool (video, its scaler, audio).
int ConversionFootprint(int threads)
{
    const int quarter = std::max(1, threads / 4);
    return 2 + (threads > 1 ? threads + 1 : 0) + (quarter > 1 ? quarter + 3 * (quarter - 1) : 0);
}

struct SThreadShare {
    int threads = 1;  // x264's threads
    int holders = 0;  // conversions at once that have them (the others 1); 0: all
};

// With the core count on "Auto", the conversions that run at once share the
// cores for their encoders (the builder gives the rest a quarter of that): a
// single conversion keeps the codecs' own speed with less than half their
// threads. Together the conversions hold at most twice the cores and two,
// which leaves the program its own within twice the cores and eight. Where
// not all of them fit with two encoder threads or more, as many as fit have
// them and the others one: the cores stay busy.
SThreadShare ConversionThreads(int simultaneous)
{
    const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    const int conversions = std::max(1, simultaneous);
    const int budget = 2 * cores + 2;
    const int narrow = ConversionFootprint(1);
    for (int threads = (cores + conversions - 1) / conversions; threads > 1; --threads) {
        const int holders = std::min(conversions, (budget - conversions * narrow) / (ConversionFootprint(threads) - narrow));
        if (holders >= 1) return {threads, holders == conversions ? 0 : holders};
    }
    return {};
}

std::unique_ptr<CMediaHandler>& Instance()
{
    static std::unique_ptr<CMediaHandler> instance;
    return instance;
}

bool PathExists(const std::wstring& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(std::filesystem::path(ToUTF8(path)), ec);
}

// The part of the file name from its last dot, at most 256 characters.
std::wstring Extension(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"/\\");
    size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return std::wstring();
    return path.substr(dot, 256);
}

std::wstring UIString(UINT id)
{
    return CLanguageManager::GetInstance()->LoadStringW(id);
}

LPARAM MakeLParam(short low, unsigned short high)
{
    return static_cast<LPARAM>(static_cast<DWORD>(static_cast<WORD>(low)) | (static_cast<DWORD>(high) << 16));
}

void ReleaseLoadedMedia(void* media)
{
    DropTagsForRow(static_cast<IVXMMedia*>(media));
    static_cast<IVXMMedia*>(media)->Release();
}

}  // namespace

bool PostMediaLoaded(HWND window, IVXMMedia* media, short position, unsigned short flags)
{
    return PostMessageOwnedW(window, WM_VXM_MEDIA_LOADED, media, MakeLParam(position, flags), ReleaseLoadedMedia) != 0;
}

void SetProgramErrorBox(std::function<void(HWND, const std::wstring&, const std::wstring&)> box)
{
    std::lock_guard<std::mutex> lock(g_boxMutex);
    g_errorBox = std::move(box);
}

CMediaHandlerServices CMediaHandlerServices::Default()
{
    CMediaHandlerServices s;
    s.createProfileManager = [] { return CreateProfileManger(); };
    s.createMedia = [](IVXMMedia* source) { return CreateVXMMediaObject(source); };
    s.createDVDFile = [] { return CreateVXMDVDFileObject(); };
    s.createDownloader = [](const std::wstring& folder, HWND wnd) { return CreateVXMDownloader(folder, wnd); };
    s.isWritableVolume = [](const std::wstring& path) { return IsWritableVolume(path); };
    s.loadString = [](UINT id) { return UIString(id); };
    s.errorBox = [](HWND owner, const std::wstring& text, const std::wstring& caption) {
        std::function<void(HWND, const std::wstring&, const std::wstring&)> box;
        {
            std::lock_guard<std::mutex> lock(g_boxMutex);
            box = g_errorBox;
        }
        if (box) box(owner, text, caption);
    };
    s.programFolder = [] { return GetProgramFolder(); };
    s.dataFolder = [] { return GetAppDataFolder(); };
    return s;
}

CMediaHandler* CMediaHandler::GetInstance()
{
    auto& instance = Instance();
    if (!instance) instance = std::make_unique<CMediaHandler>();
    return instance.get();
}

void CMediaHandler::DeleteInstance()
{
    Instance().reset();
}

CMediaHandler::CMediaHandler(CMediaHandlerServices services, CVXMSettings* settings)
    : m_services(std::move(services)), m_pSettings(settings)
{
}

CMediaHandler::~CMediaHandler()
{
    if (m_pDownloader) m_pDownloader->Release();
    if (m_pDVDFile) m_pDVDFile->Release();
    // The profile manager belongs to the engine.
}

CVXMSettings& CMediaHandler::Settings() const
{
    return m_pSettings ? *m_pSettings : *CVXMSettings::GetInstance();
}

bool CMediaHandler::Init(HWND mainWindow)
{
    m_hMainWnd = mainWindow;
    if (!m_pProfileManager) {
        IProfileManager* manager = m_services.createProfileManager();
        if (!manager) return false;
        std::wstring path = JoinPath(JoinPath(m_services.programFolder(), L"data"), L"profiles.xml");
        if (!manager->LoadProfiles(path)) {
            LogErrorW(kCategory, L"Load profiles from file %s failed", path.c_str());
            // The engine keeps the manager and hands the same one out again.
            return false;
        }
        m_pProfileManager = manager;
    }

    if (!m_pDownloader) {
        m_pDownloader = m_services.createDownloader(Settings().OutputFolder, mainWindow);
        if (m_pDownloader) m_pDownloader->SetWorkFolder(m_services.dataFolder() + L"/");
    }
    ApplySettings(m_pProfileManager);
    LoadCustomProps();
    return true;
}

void CMediaHandler::ApplySettings(IProfileManager* manager)
{
    if (manager) {
        const CVXMSettings& s = Settings();
        auto flag = [](int value) { return value != 0 ? 1 : 0; };
        manager->SetOutVolume(s.OUT_VOLUME);
        manager->SetObjectType(s.ObjectType);
        manager->SetMP3Encode(s.MP3Encode);
        manager->SetMP3VBRQuality(s.MP3VBRQuality);
        manager->SetMP3Volume(s.MP3Volume);
        manager->SetAudioQuality(s.AudioQuality);
        manager->SetUseNVidiaCUDA(flag(s.UseNVidiaCUDA));
        manager->SetCPUCores(s.CPUCores);
        const SThreadShare share = s.CPUCores > 0 ? SThreadShare{0, 0} : ConversionThreads(s.SimConversionTasks);
        manager->SetThreadLimit(share.threads, share.holders);
        manager->SetUseOpenCL(flag(s.UseOpenCL));
        manager->SetFitToWidth(flag(s.FitToWidth));
        manager->SetFitToHeight(flag(s.FitToHeight));
        manager->SetExpand2VideoSize(flag(s.Expand2VideoSize));
        manager->SetRoundTo16Pixels(flag(s.RoundTo16Pixels));
        manager->SetDeinterlace(flag(s.Deinterlace));
        manager->SetMP4FastStart(flag(s.MP4FastStart));
        manager->SetSubFontFile(s.SubFontFile);
        manager->SetSubScale(static_cast<double>(s.SubScale));
        manager->SetSubPosition(static_cast<double>(s.SubPosition));
        manager->SetSubEncoding(s.SubEncoding);
        manager->SetForceColor(s.bForceColor);
        manager->SetForceBold(s.bForceBold);
        manager->SetForceItalic(s.bForceItalic);
        manager->SetForceUnderline(s.bForceUnderline);
        manager->SetForceStrikeOut(s.bForceStrikeOut);
        manager->SetForceShadow(s.bForceShadow);
        manager->SetShadow(s.Shadow);
        manager->SetForceOutLine(s.bForceOutLine);
        manager->SetOutLine(s.OutLine);
        manager->SetOutLineColor(s.OutLineColor);
        manager->SetPrimaryColour(s.PrimaryColour);
        manager->SetPixelAspect(s.pixel_aspect);
        manager->SetLineSpacing(s.line_spacing);
        manager->SetAddVCodecName(flag(s.AddVCodecName));
        manager->SetUseSrcFileTime(flag(s.IsUseSrcFileTime));
        manager->SetDVDUseDravel(flag(s.DVDUseDravel));
    }
    if (m_pDownloader) m_pDownloader->SetProxy(Settings().ProxyServer, Settings().ProxyPort);
}

IVXMMedia* CMediaHandler::AddFile(const std::wstring& name, short position, unsigned short flags)
{
    // Command line, drops, pastes and folders all come here.
    const std::wstring path = AbsolutePath(name);
    if (!PathExists(path)) return nullptr;
    if (Extension(path) == L".cue") {
        SendMessage(m_hMainWnd, WM_VXM_IMPORT_CUE, reinterpret_cast<WPARAM>(path.c_str()),
                    static_cast<LPARAM>(static_cast<WORD>(position)));
        return nullptr;
    }
    return LoadMediaFile(path, position, flags);
}

namespace {

// A probed media object for the file, null when the file is no media (why:
// the probe's result, or kRefusedEmpty).
IVXMMedia* ProbedMedia(const std::function<IVXMMedia*(IVXMMedia*)>& create, const std::wstring& path, int& why)
{
    why = VXM_PROBE_FAILED;
    IVXMMedia* media = create(nullptr);
    if (!media) return nullptr;
    media->SetSourcePath(path);
    if (const int probed = media->Probe(); probed < 0) {
        media->Release();
        std::error_code ec;
        const std::filesystem::path file = PathFromWide(path);
        why = std::filesystem::is_regular_file(file, ec) && std::filesystem::file_size(file, ec) == 0 ? kRefusedEmpty : probed;
        LogInfoW(kCategory, L"%ls is no media file (%d)", path.c_str(), why);
        return nullptr;
    }
    media->SetEndTime(media->GetClipLength());
    media->IsProtected();
    return media;
}

}  // namespace

void PostRefusedMedia(HWND window, const std::wstring& path, int why)
{
    auto refused = std::make_unique<CRefusedMedia>(CRefusedMedia{path, why});
    if (PostMessageOwnedW(window, WM_VXM_MEDIA_REFUSED, refused.get(), 0,
                          [](void* p) { delete static_cast<CRefusedMedia*>(p); }))
        refused.release();
}

void CancelQueuedMediaFiles()
{
    if (auto& instance = Instance()) instance->CancelQueuedFiles();
}

CMediaLoader& CMediaHandler::Loader()
{
    if (!m_loader) {
        // Copies only: a probe may still end after the handler has gone.
        auto create = m_services.createMedia;
        const HWND window = m_hMainWnd;
        m_loader = std::make_unique<CMediaLoader>(
            [create](const std::wstring& path, int& why) {
                IVXMMedia* media = ProbedMedia(create, path, why);
                if (media) ReadTagsForRow(media);
                return media;
            },
            [window, round = m_queueRound](IVXMMedia* media, short at, unsigned short bits) {
                auto queued = std::make_unique<CQueuedMedia>();
                queued->media = media;
                queued->round = round->load();
                if (!PostMessageOwnedW(window, WM_VXM_MEDIA_QUEUED, queued.get(), MakeLParam(at, bits), [](void* p) {
                        std::unique_ptr<CQueuedMedia> gone(static_cast<CQueuedMedia*>(p));
                        ReleaseLoadedMedia(gone->media);
                    }))
                    return false;
                queued.release();
                return true;
            },
            [](IVXMMedia* media) { DropTagsForRow(media); },
            [window](const std::wstring& path, int why) { PostRefusedMedia(window, path, why); });
    }
    return *m_loader;
}

namespace {

// A cue sheet goes to the window at its place; what follows waits for its rows.
std::vector<CMediaLoader::CEntry> Classified(HWND window, std::vector<CMediaLoader::CEntry> entries, short position)
{
    for (CMediaLoader::CEntry& entry : entries) {
        if (entry.handOn || Extension(entry.path) != L".cue") continue;
        entry.holds = true;
        entry.handOn = [window, path = entry.path, position](uint64_t place) {
            auto cue = std::make_unique<CListedCue>();
            cue->path = path;
            cue->place = place;
            if (PostMessageOwnedW(window, WM_VXM_CUE_LISTED, cue.get(), static_cast<LPARAM>(static_cast<WORD>(position)),
                                  [](void* p) { delete static_cast<CListedCue*>(p); }))
                cue.release();
        };
    }
    return entries;
}

}  // namespace

void CMediaHandler::QueueFiles(const std::vector<std::wstring>& paths, short position, unsigned short flags)
{
    Loader().Queue(Classified(m_hMainWnd, {paths.begin(), paths.end()}, position), position, flags);
}

void CMediaHandler::QueueListedFiles(CMediaLoader::ListFn list, short position, unsigned short flags)
{
    Loader().QueueListed([window = m_hMainWnd, list = std::move(list), position] {
        return Classified(window, list(), position);
    }, position, flags);
}

void CMediaHandler::FillPlace(uint64_t place, const std::vector<std::wstring>& paths)
{
    if (m_loader) m_loader->Fill(place, Classified(m_hMainWnd, {paths.begin(), paths.end()}, -1));
}

bool CMediaHandler::IsPlaceWaiting(uint64_t place) const { return m_loader && m_loader->IsWaiting(place); }

void CMediaHandler::CancelQueuedFiles()
{
    if (m_loader) m_loader->CancelAll();
    // What was posted before is stale now.
    ++*m_queueRound;
}

unsigned CMediaHandler::QueueRound() const { return m_queueRound->load(); }

IVXMMedia* CMediaHandler::LoadMediaFile(const std::wstring& path, short position, unsigned short flags)
{
    int why = 0;
    IVXMMedia* media = ProbedMedia(m_services.createMedia, path, why);
    if (!media) {
        PostRefusedMedia(m_hMainWnd, path, why);
        return nullptr;
    }
    if (!PostMediaLoaded(m_hMainWnd, media, position, flags)) {
        // Nobody took it.
        LogInfoW(kCategory, L"LoadMediaFile: no window took %s", path.c_str());
        media->Release();
        return nullptr;
    }
    return media;
}

bool CMediaHandler::ConvertMedia(IVXMMedia* media, IProfile* profile)
{
    if (!media || !profile) return false;
    if (media->IsProtected()) return false;
    if (media->GetConvertState() == 1) return false;

    if (media->GetOutputFolder().empty()) {
        std::wstring folder = JoinPath(Settings().OutputFolder, profile->GetFolder());
        if (!m_services.isWritableVolume(folder)) {
            std::wstring text = FillIn(m_services.loadString(IDS_OUTPUT_VOLUME_NOT_WRITABLE), {folder});
            LogInfoW(kConvertCategory, L"ConvertMedia() failed, %s", text.c_str());
            if (m_services.errorBox) m_services.errorBox(m_hMainWnd, text, VXM_PRODUCT_NAME);
            return false;
        }
        media->SetOutputFolder(folder);
    }
    media->StopPreview();
    media->StartConvert(profile, m_hMainWnd, 1);
    return true;
}

bool CMediaHandler::DownloadMedia(IVXMMedia* media, int flags)
{
    if (!media || !m_pDownloader) return false;
    const CVXMSettings& s = Settings();
    std::wstring thumbnail = GetTempThumbnailPath();
    m_pDownloader->SetNicoUser(s.NicoUser);
    m_pDownloader->SetNicoPasswd(s.NicoPasswd);
    m_pDownloader->SetFaceBookUser(s.FaceBookUser);
    m_pDownloader->SetFaceBookPasswd(s.FaceBookPasswd);
    m_pDownloader->SetYTUser(s.YTUser);
    m_pDownloader->SetYTPasswd(s.YTPasswd);
    m_pDownloader->SetRetryTimes(s.RetryTimes);
    m_pDownloader->SetUseTitleAsFileName(s.UseTitleAsFileName != 0 ? 1 : 0);
    m_pDownloader->AddDownload(media->GetSourcePath(), media, s.OutputFolder, thumbnail, s.OnlineFMT, flags);
    return m_pDownloader->StartDownloads() != 0;
}

IVXMDVDFile* CMediaHandler::OpenDVD(const std::wstring& path)
{
    IVXMDVDFile* dvd = m_services.createDVDFile();
    if (!dvd) return nullptr;
    dvd->SetWorkFolder(m_services.dataFolder());
    dvd->SetPath(path);
    if (m_pDVDFile) m_pDVDFile->Release();
    m_pDVDFile = dvd;
    return dvd;
}

void CMediaHandler::CloseDVD()
{
    if (m_pDVDFile) m_pDVDFile->Release();
    m_pDVDFile = nullptr;
}

bool CMediaHandler::IsiTunesInstalled()
{
    return false;
}

void CMediaHandler::PostiTunesFailure(UINT message, int code, const std::wstring& path)
{
    // Each message carries its own copy of the path.
    PostMessageText(m_hMainWnd, message, static_cast<WPARAM>(code), path);
}

void CMediaHandler::AddToiTunes(const std::wstring& path)
{
    if (!PathExists(path)) return;
    if (!IsiTunesInstalled()) PostiTunesFailure(WM_VXM_ITUNES_ADD_FAILED, -1, path);
}

void CMediaHandler::QueryiTunesTrackInfo(const std::wstring& path)
{
    if (!PathExists(path)) return;
    std::memset(m_trackInfo, 0, sizeof(m_trackInfo));
    if (!IsiTunesInstalled()) PostiTunesFailure(WM_VXM_TRACK_INFO_FAILED, -1, path);
}

bool CMediaHandler::LoadCustomProps()
{
    m_customProps = std::make_unique<CCustomProps>(JoinPath(m_services.dataFolder(), L"customprops.json"));
    return m_customProps->Load();
}

bool CMediaHandler::SaveCustomProps()
{
    return m_customProps && m_customProps->Save();
}

void CMediaHandler::SetCustomProp(int profileId, const char* defaultText, const char* addedText, const char* key)
{
    if (m_customProps) m_customProps->SetCustomProp(profileId, defaultText, addedText, key);
}

void CMediaHandler::SetCustomPropDefault(int profileId, int value, const char* key)
{
    if (m_customProps) m_customProps->SetCustomPropDefault(profileId, value, key);
}

void CMediaHandler::RemoveCustomPropValue(int profileId, const char* text, const char* key)
{
    if (m_customProps) m_customProps->RemoveCustomPropValue(profileId, text, key);
}
