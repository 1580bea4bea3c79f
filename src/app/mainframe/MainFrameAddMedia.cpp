// Every way media reaches the lists: the open commands, discs, addresses,
// pastes, drops and cue sheets.
#include "MainFrameDialogs.h"
#include "MainFrameMessages.h"
#include "MediaFileTypes.h"
#include "MediaFolders.h"
#include "VXMMainFrameWnd.h"
#include "WindowDropSink.h"

#include "AppStartup.h"
#include "CueObject.h"
#include "IVXMDVDFile.h"
#include "IVXMDiscFile.h"
#include "Log.h"
#include "MediaHandler.h"
#include "VXMGlobal.h"
#include "VXMMediaExports.h"
#include "VXMSettings.h"
#include "panes/MediaListItemUI.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "platform/paths.h"
#include "ui/UICustomControls.h"
#include "ui/UILanguage.h"
#include "ui/desktop/Desktop.h"
#include "ui/desktop/DeviceNotices.h"
#include "ui/desktop/DropTarget.h"

#include <filesystem>
#include <map>

namespace {

const char* const kCategory = "CVXMMainFrameWnd";

bool IsFolder(const std::wstring& path)
{
    std::error_code ec;
    return std::filesystem::is_directory(PathFromWide(path), ec);
}

bool Exists(const std::wstring& path)
{
    std::error_code ec;
    return std::filesystem::exists(PathFromWide(path), ec);
}

std::wstring ParentFolder(const std::wstring& path)
{
    size_t slash = path.rfind(L'/');
    if (slash == std::wstring::npos) return std::wstring();
    return slash == 0 ? std::wstring(L"/") : path.substr(0, slash);
}

std::wstring Trimmed(const std::wstring& text)
{
    size_t first = text.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos) return std::wstring();
    size_t last = text.find_last_not_of(L" \t\r\n");
    return text.substr(first, last - first + 1);
}

}  // namespace

// ---- start folder, drops and the clipboard ------------------------------------------------------

std::wstring CVXMMainFrameWnd::StartFolder() { return ProbeDefaultMediaFolder(m_settings->DefaultMediaFolder); }

void CVXMMainFrameWnd::RememberFolder(const std::wstring& folder)
{
    if (folder.empty()) return;
    m_settings->DefaultMediaFolder = folder;
}

bool CVXMMainFrameWnd::IsPlayerShown() const { return IsShown(L"ID_LAYOUT_PLAYER"); }

void CVXMMainFrameWnd::StartDropsAndClipboard()
{
    m_dropSink = std::make_unique<CWindowDropSink>(GetHWND());
    if (GetWidget()) m_dropTarget = std::make_unique<CDropTarget>(GetWidget(), m_dropSink.get());
    if (IOpticalDrives* drives = Desktop().drives) m_deviceNotices = std::make_unique<CDeviceNoticeForwarder>(GetHWND(), *drives);
    if (IClipboard* clipboard = Desktop().clipboard) {
        m_clipboardToken = clipboard->Subscribe([this] {
            if (m_settings && m_settings->MonitorClipboard)
                if (IMainPane* pane = GetActivePane()) Paste(pane);
        });
    }
}

void CVXMMainFrameWnd::StopDropsAndClipboard()
{
    if (m_clipboardToken && Desktop().clipboard) Desktop().clipboard->Unsubscribe(m_clipboardToken);
    m_clipboardToken = 0;
    m_deviceNotices.reset();
    m_dropTarget.reset();
    m_dropSink.reset();
}

bool CVXMMainFrameWnd::Paste(IMainPane* pane)
{
    IClipboard* clipboard = Desktop().clipboard;
    if (!pane || !clipboard) return false;
    // A file list wins over the text beside it.
    if (clipboard->HasFiles()) {
        std::vector<std::wstring> files = clipboard->GetFiles();
        OnDropFiles(files);
        return true;
    }
    if (!clipboard->HasText()) return false;
    std::wstring text = Trimmed(clipboard->GetText());
    if (text.empty()) return true;
    BeginAdding();
    if (IsURL(text)) {
        if (IVXMMedia* media = CreateVXMMediaObject(nullptr)) {
            media->SetSourcePath(text);
            if (!PostMediaLoaded(GetHWND(), media, -1, 1)) media->Release();
        }
    } else if (m_mediaHandler) {
        m_mediaHandler->AddFile(text, -1, 0);
    }
    return true;
}

void CVXMMainFrameWnd::OnDropFiles(const std::vector<std::wstring>& paths)
{
    SendUsageAction(32, m_page == 1 ? 84 : 74);
    BeginAdding();
    bool first = true;
    // Files are probed off the UI thread, in the order they were dropped.
    std::vector<std::wstring> files;
    auto queueFiles = [&] {
        if (m_mediaHandler && !files.empty()) m_mediaHandler->QueueFiles(files, -1, 0);
        files.clear();
    };
    for (const std::wstring& dropped : paths) {
        // The whole path, however long: a cut one would name another file.
        const std::wstring& path = dropped;
        if (path.empty()) continue;
        if (IsPlayerShown() && m_playerPane) {
            if (first) m_playerPane->OpenFile(path);
            else m_playerPane->AddToPlaylist(path);
            first = false;
            continue;
        }
        first = false;
        if (IsFolder(path)) {
            queueFiles();
            AddFolderContents(path);
        } else {
            files.push_back(path);
        }
        if (m_page != 1) SelectPage(0);
    }
    queueFiles();
}

void CVXMMainFrameWnd::OnTextDropped(const std::wstring& text)
{
    std::wstring address = Trimmed(text);
    if (!IsURL(address)) return;
    IVXMMedia* media = CreateVXMMediaObject(nullptr);
    if (!media) return;
    media->SetSourcePath(address);
    if (!PostMediaLoaded(GetHWND(), media, -1, 1)) media->Release();
}

// ---- open commands ----------------------------------------------------------------------------

void CVXMMainFrameWnd::AddFiles()
{
    IFileChooser* chooser = Desktop().files;
    if (!chooser || !m_mediaHandler) return;
    CFileRequest request;
    request.owner = GetHWND();
    request.folder = StartFolder();
    request.filters = MediaFileFilters();
    request.multiSelect = true;
    std::vector<std::wstring> files = chooser->OpenFiles(request);
    if (files.empty()) return;
    BeginAdding();
    RememberFolder(ParentFolder(files.front()));
    m_mediaHandler->QueueFiles(files, -1, 0);
}

void CVXMMainFrameWnd::AddFolderContents(const std::wstring& folder)
{
    if (!m_mediaHandler) return;
    // Listed on the media pool: a folder of thousands of files is no stall.
    // One that may be a disc comes back to the window at its place.
    const HWND window = GetHWND();
    m_mediaHandler->QueueListedFiles([folder, window] {
        bool mayBeDisc = false;
        std::vector<std::wstring> files = ListFolderFiles(folder, mayBeDisc);
        if (!mayBeDisc) return std::vector<CMediaLoader::CEntry>(files.begin(), files.end());
        CMediaLoader::CEntry entry(folder);
        entry.holds = true;
        entry.handOn = [window, folder, files = std::move(files)](uint64_t place) {
            auto listed = std::make_unique<CListedFolder>(CListedFolder{folder, files, place});
            if (PostMessageOwnedW(window, WM_VXM_DISC_FOLDER_LISTED, listed.get(), 0,
                                  [](void* p) { delete static_cast<CListedFolder*>(p); }))
                listed.release();
        };
        return std::vector<CMediaLoader::CEntry>{entry};
    }, -1, 0);
}

void CVXMMainFrameWnd::AddDiscFolder(const CListedFolder& listed)
{
    // Gone with a Remove All since it was listed.
    if (!m_mediaHandler || !m_mediaHandler->IsPlaceWaiting(listed.place)) return;
    std::vector<std::wstring> files;
    if (IsDVDFolder(listed.folder)) {
        IMainPane* pane = GetActivePane();
        ShowStatusMessage(CLanguageManager::GetInstance()->LoadStringW(120));
        if (pane) pane->RemoveRowsOfPath(listed.folder);
        OpenDisc(pane, listed.folder);
    } else if (IsBDFolder(listed.folder)) {
        files.push_back(L"bluray:" + listed.folder);
    } else {
        // A folder of files after all.
        files = listed.files;
    }
    // What was queued after it goes on.
    m_mediaHandler->FillPlace(listed.place, files);
}

void CVXMMainFrameWnd::AddFolder()
{
    SendUsageAction(32, m_page == 1 ? 82 : 72);
    IFileChooser* chooser = Desktop().files;
    if (!chooser) return;
    std::wstring folder = chooser->ChooseFolder(GetHWND(), CLanguageManager::GetInstance()->LoadStringW(115), StartFolder());
    if (folder.empty()) return;
    BeginAdding();
    RememberFolder(folder);
    AddFolderContents(folder);
}

void CVXMMainFrameWnd::AddDVDImage()
{
    SendUsageAction(32, m_page == 1 ? 83 : 73);
    IFileChooser* chooser = Desktop().files;
    if (!chooser) return;
    CFileRequest request;
    request.owner = GetHWND();
    request.folder = StartFolder();
    request.filters = DVDImageFileFilters();
    std::vector<std::wstring> files = chooser->OpenFiles(request);
    if (files.empty()) return;
    IMainPane* pane = GetActivePane();
    ShowStatusMessage(CLanguageManager::GetInstance()->LoadStringW(120));
    if (pane) pane->RemoveRowsOfPath(files.front());
    OpenDisc(pane, files.front());
}

void CVXMMainFrameWnd::OpenDiscDrive()
{
    HideFirstAid(L"ID_CON_FIRSTAID_ADDFILES");
    SendUsageAction(32, m_page == 1 ? 80 : 70);
    const auto& dialogs = MainFrameDialogs();
    if (!dialogs.chooseDrive) return;
    m_driveDialogOpen = true;
    std::wstring device = dialogs.chooseDrive(GetHWND());
    m_driveDialogOpen = false;
    if (device.empty()) return;
    std::wstring mountPoint;
    if (IOpticalDrives* drives = Desktop().drives)
        for (const COpticalDrive& drive : drives->List())
            if (drive.device == device) mountPoint = drive.mountPoint;
    if (!mountPoint.empty() && IsBDFolder(mountPoint)) {
        if (m_mediaHandler) m_mediaHandler->LoadMediaFile(L"bluray:" + mountPoint, -1, 0);
        return;
    }
    // A DVD, or an audio CD: the disc-open window finds out which.
    IMainPane* pane = GetActivePane();
    ShowStatusMessage(CLanguageManager::GetInstance()->LoadStringW(120));
    if (pane) pane->RemoveRowsOfPath(device);
    OpenDisc(pane, device);
}

void CVXMMainFrameWnd::OpenURLs(bool mp3)
{
    SendUsageAction(32, m_page == 1 ? 85 : 75);
    const auto& dialogs = MainFrameDialogs();
    const auto& dialog = mp3 ? dialogs.mp3Urls : dialogs.urls;
    if (!dialog) {
        LogInfo(kCategory, "The address dialog is not available");
        return;
    }
    // Flag 4: the online row downloads the sound only.
    const unsigned short flags = mp3 ? 1 | 4 : 1;
    for (const std::wstring& address : dialog(GetHWND())) {
        IVXMMedia* media = CreateVXMMediaObject(nullptr);
        if (!media) break;
        media->SetSourcePath(address);
        if (!PostMediaLoaded(GetHWND(), media, -1, flags)) media->Release();
    }
}

void CVXMMainFrameWnd::OpenDisc(IMainPane* pane, const std::wstring& root)
{
    const auto& dialogs = MainFrameDialogs();
    if (!pane || root.empty() || !dialogs.openDisc) {
        ShowStatusMessage(std::wstring());
        return;
    }
    COpenDiscResult result = dialogs.openDisc(GetHWND(), root);
    if (result.opened) {
        ShowStatusMessage(CLanguageManager::GetInstance()->LoadStringW(121));
        if (result.audioCD) pane->AddCDTitles(result.disc);
        else pane->AddDVDTitles(result.dvd);
    } else if (!result.cancelled) {
        std::wstring text = CLanguageManager::GetInstance()->LoadStringW(122);
        LogInfoW(kCategory, L"%ls (%ls)", text.c_str(), root.c_str());
        if (auto* box = Desktop().messageBox) box->Show(GetHWND(), text, L"Vexmora Professional", MB_OK | MB_ICONERROR);
    }
    // The rows hold their titles and tracks; the disc objects go.
    if (result.disc) result.disc->Release();
    if (m_mediaHandler) m_mediaHandler->CloseDVD();
    ShowStatusMessage(std::wstring());
}

void CVXMMainFrameWnd::OnAddTrackFile(UINT uMsg, WPARAM rowPointer, LPARAM previous)
{
    // The row may have gone since it posted.
    auto* row = dynamic_cast<CMediaListItemUI*>(OwnControl(rowPointer));
    if (!row) return;
    IFileChooser* chooser = Desktop().files;
    const bool audio = uMsg == WM_VXM_ADD_AUDIO_TRACK;
    std::vector<std::wstring> files;
    if (chooser) {
        CFileRequest request;
        request.owner = GetHWND();
        request.folder = audio ? GetMyMusicFolder() : StartFolder();
        request.filters = audio ? AudioFileFilters() : SubtitleFileFilters();
        files = chooser->OpenFiles(request);
    }
    if (files.empty()) {
        if (audio) row->AddAudioFile(nullptr, static_cast<int>(previous));
        else row->AddSubtitleFile(static_cast<int>(previous), nullptr);
        return;
    }
    if (audio) {
        row->AddAudioFile(files.front().c_str(), 0);
    } else if (row->AddSubtitleFile(0, files.front().c_str()) < 0) {
        // Picked through "All files": the row takes only the kinds it can burn in.
        CLanguageManager* lang = CLanguageManager::GetInstance();
        const std::wstring name = WideFromPath(PathFromWide(files.front()).filename());
        if (auto* box = Desktop().messageBox)
            box->Show(GetHWND(), FillIn(lang->TranslateDictionary(L"ID_STRING_SUBTITLE_KIND_REFUSED"), {name}),
                      lang->LoadStringW(103), MB_OK | MB_ICONWARNING);
    }
}

// ---- cue sheets -------------------------------------------------------------------------------

void CVXMMainFrameWnd::ImportCue(const std::wstring& cuePath)
{
    IMainPane* pane = GetActivePane();
    if (!pane) return;
    CueObject sheet;
    if (sheet.Load(cuePath) == -1 || sheet.GetTrackCount() == 0) {
        LogInfoW(kCategory, L"Cue sheet %ls: nothing to read", cuePath.c_str());
        OnNotAdded(cuePath, kRefusedNoTrack);
        return;
    }
    // One probed parent per audio file the sheet names.
    std::map<std::wstring, IVXMMedia*> parents;
    auto parentOf = [&parents](const std::wstring& audio) -> IVXMMedia* {
        auto it = parents.find(audio);
        if (it != parents.end()) return it->second;
        IVXMMedia* parent = nullptr;
        if (!audio.empty() && Exists(audio)) {
            parent = CreateVXMMediaObject(nullptr);
            if (parent) {
                parent->SetSourcePath(audio);
                if (parent->Probe() == -1 || parent->GetAudioTrackCount() <= 0 || !parent->GetAudioTrack()) {
                    parent->Release();
                    parent = nullptr;
                }
            }
        }
        if (!parent) LogInfoW(kCategory, L"Cue sheet audio %ls cannot be read", audio.c_str());
        parents[audio] = parent;
        return parent;
    };
    int added = 0;
    for (int i = 0; i < sheet.GetTrackCount(); ++i) {
        const CueObject::CueTrack* track = sheet.GetTrack(i);
        std::wstring audio = track->m_strAudioFile.empty() ? sheet.GetAudioFile() : track->m_strAudioFile;
        IVXMMedia* parent = parentOf(audio);
        if (!parent) continue;
        IVXMMedia* child = CreateVXMMediaObject(parent);
        if (!child) continue;
        child->SetOutputName(track->m_strTitle);
        const long long start = track->m_nStartMs;
        long long end, duration;
        if (track->m_nLengthMs > 0) {
            duration = track->m_nLengthMs;
            end = start + duration;
        } else {
            // Up to the end of its audio file; a start past the end gives an empty track, never a negative one.
            end = parent->GetDuration();
            duration = end > start ? end - start : 0;
            if (end < start) end = start;
        }
        child->SetEndTime(static_cast<int>(end));
        child->SetStartTime(static_cast<int>(start));
        child->SetDuration(static_cast<int>(duration));
        CCueRowInfo info;
        info.performer = track->m_strPerformer.empty() ? sheet.GetPerformer() : track->m_strPerformer;
        info.album = sheet.GetTitle();
        info.title = track->m_strTitle;
        // The sheet's own number; a TRACK line without one counts by its place.
        info.trackNumber = std::to_wstring(track->m_nNumber > 0 ? track->m_nNumber : i + 1);
        info.year = sheet.GetDate();
        info.genre = sheet.GetGenre();
        if (pane->AddCueTrackRow(child, info)) ++added;
    }
    for (auto& [audio, parent] : parents)
        if (parent) parent->Release();
    if (added > 0) pane->ShowListTab();
    else OnNotAdded(cuePath, kRefusedNoTrack);
}
