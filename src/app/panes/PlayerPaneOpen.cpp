// The player page: what enters the play list (files, folders, DVD sources,
// drops), playing an entry, and the player menu's entries.
#include "PlayerPaneUI.h"

#include "AppStartup.h"
#include "IVXMMedia.h"
#include "MenuCommandIds.h"
#include "MediaFileTypes.h"
#include "VXMGlobal.h"
#include "VXMSettings.h"
#include "WaitCursor.h"
#include "Log.h"
#include "PlayerFolderScan.h"
#include "platform/text.h"
#include "ui/UILanguage.h"
#include "ui/UIList.h"
#include "ui/UIMenu.h"
#include "ui/desktop/Desktop.h"
#include "ui/desktop/IFileChooser.h"
#include "ui/desktop/IScreens.h"

#include <QWidget>

namespace {

const char* const kCategory = "CPlayerPaneUI";
// The folder walk's result, to the pane's own message target.
constexpr UINT WM_VXM_PLAYER_FOLDER_SCANNED = WM_USER + 1;

std::wstring ParentFolder(const std::wstring& path)
{
    const size_t slash = path.rfind(L'/');
    return slash == std::wstring::npos || slash == 0 ? std::wstring() : path.substr(0, slash);
}

}  // namespace

void CPlayerPaneUI::AddPlaylistRow(int index)
{
    const PlaylistEntry* entry = Playlist.At(index);
    if (!m_playlist || !entry) return;
    auto* row = new CListLabelElementUI;
    row->SetToolTip(entry->Path);
    row->SetText(entry->DisplayName.empty() ? entry->Path : entry->DisplayName);
    row->SetFixedHeight(24);
    row->SetAttribute(L"textpadding", L"8,0,4,0");
    if (!m_playlist->Add(row)) {
        delete row;
        return;
    }
    m_playlist->NeedUpdate();
}

void CPlayerPaneUI::SelectRow(int index)
{
    if (m_playlist && index >= 0 && index < m_playlist->GetCount()) m_playlist->SelectItem(index, false);
}

void CPlayerPaneUI::AddPendingToPlaylist()
{
    for (int index : Playlist.Add(PendingFiles)) AddPlaylistRow(index);
    if (!PendingFiles.empty() && !PendingFiles.front().empty()) {
        if (const PlaylistEntry* entry = Playlist.Current()) CurrentPath = entry->Path;
        SelectRow(Playlist.CurrentIndex());
    }
    PendingFiles.clear();
}

void CPlayerPaneUI::OpenAndPlay(const std::wstring& path, double startSeconds)
{
    if (!path.empty()) PendingFiles.push_back(path);
    std::wstring previous;
    const bool hadEntry = Playlist.Current() != nullptr;
    if (hadEntry) previous = Playlist.Current()->Path;
    if (PendingFiles.empty()) return;
    AddPendingToPlaylist();
    if (hadEntry && CurrentPath != previous) {
        ResetMediaInfo();
        StopPlayback();
    }
    if (PlaylistEntry* entry = Playlist.Current())
        entry->ResumeSeconds = startSeconds > 0 ? static_cast<int64_t>(startSeconds) : 0;
    Start();
}

void CPlayerPaneUI::AddDroppedFile(const std::wstring& path)
{
    if (path.empty()) return;
    PendingFiles.push_back(path);
    const int current = Playlist.CurrentIndex();
    AddPendingToPlaylist();
    Playlist.SetCurrentIndex(current);
}

void CPlayerPaneUI::PlayEntry(int index)
{
    const PlaylistEntry* entry = Playlist.At(index);
    if (!entry) return;
    SelectRow(index);
    Playlist.SetCurrentIndex(index);
    CurrentPath = entry->Path;
    ResetMediaInfo();
    StopPlayback();
    Start();
}

void CPlayerPaneUI::PlayPrevious()
{
    const int selected = m_playlist && m_playlist->GetCurSel() >= 0 ? m_playlist->GetCurSel() : Playlist.CurrentIndex();
    if (selected > 0) PlayEntry(selected - 1);
}

void CPlayerPaneUI::PlayNext()
{
    const int selected = m_playlist && m_playlist->GetCurSel() >= 0 ? m_playlist->GetCurSel() : Playlist.CurrentIndex();
    if (selected + 1 < static_cast<int>(Playlist.Size())) PlayEntry(selected + 1);
}

void CPlayerPaneUI::RemoveSelectedEntry()
{
    if (m_scanning || !m_playlist) return;
    const int selected = m_playlist->GetCurSel();
    if (!Playlist.At(selected)) return;
    StopPlayback();
    LeaveFullScreen();
    Playlist.Remove(selected);
    m_playlist->RemoveAt(selected);
    const PlaylistEntry* current = Playlist.Current();
    CurrentPath = current ? current->Path : std::wstring();
    SelectRow(Playlist.CurrentIndex());
    SetPlayState(PlayState);
}

void CPlayerPaneUI::ClearPlaylist()
{
    if (m_scanning) return;
    StopPlayback();
    LeaveFullScreen();
    Playlist.Clear();
    if (m_playlist) m_playlist->RemoveAll();
    CurrentPath.clear();
    SetPlayState(PlayState);
}

void CPlayerPaneUI::OpenFiles()
{
    if (m_scanning || !Desktop().files) return;
    SendUsageAction(32, 90);
    CVXMSettings* settings = CVXMSettings::GetInstance();
    CFileRequest request;
    request.owner = PaintWindow();
    request.filters = MediaFileFilters();
    request.multiSelect = true;
    if (settings) request.folder = settings->DefaultMediaFolder;
    const std::vector<std::wstring> chosen = Desktop().files->OpenFiles(request);
    if (chosen.empty() || chosen.front().empty()) return;
    CWaitCursor wait;
    PendingFiles.clear();
    if (settings) settings->DefaultMediaFolder = ParentFolder(chosen.front());
    PendingFiles = chosen;
    OpenAndPlay(std::wstring(), 0.0);
}

void CPlayerPaneUI::OpenDVDFolder()
{
    if (m_scanning || !Desktop().files) return;
    CVXMSettings* settings = CVXMSettings::GetInstance();
    const std::wstring title = CLanguageManager::GetInstance()->LoadStringW(115);
    const std::wstring folder =
        Desktop().files->ChooseFolder(PaintWindow(), title, settings ? settings->DefaultMediaFolder : std::wstring());
    if (folder.empty()) return;
    if (settings) settings->DefaultMediaFolder = folder;
    if (IsDVDFolder(folder)) {
        CWaitCursor wait;
        PlayDisc(folder);
        return;
    }
    OpenMediaFolder(folder);
}

void CPlayerPaneUI::OpenMediaFolder(const std::wstring& folder)
{
    if (m_scanning) return;
    // Nothing else opens, removes or clears until the walk's result came.
    m_scanning = true;
    m_scanCursor = std::make_unique<CWaitCursor>();
    m_scanTarget = std::make_unique<CMessageWindow>([this](HWND, UINT msg, WPARAM, LPARAM lParam) -> LRESULT {
        if (msg != WM_VXM_PLAYER_FOLDER_SCANNED) return 0;
        std::unique_ptr<std::vector<std::wstring>> found(reinterpret_cast<std::vector<std::wstring>*>(lParam));
        OnFolderScanned(found ? std::move(*found) : std::vector<std::wstring>());
        return 0;
    });
    const HWND target = m_scanTarget->Get();
    const bool started = m_scanThread.Start(
        [folder, target, entered = m_folderWalkHook](CMessageThread& self) {
            auto found =
                std::make_unique<std::vector<std::wstring>>(ScanFolderForMedia(folder, self.StopEvent(), entered));
            PostMessagePayload(target, WM_VXM_PLAYER_FOLDER_SCANNED, 0, found);
        },
        [target](const std::string& what) {
            // The walk ends with nothing found: the pane stops waiting for it.
            LogError(kCategory, "The walk of a folder failed: %s", what.c_str());
            auto none = std::make_unique<std::vector<std::wstring>>();
            PostMessagePayload(target, WM_VXM_PLAYER_FOLDER_SCANNED, 0, none);
        });
    if (!started) OnFolderScanned({});
}

void CPlayerPaneUI::OnFolderScanned(std::vector<std::wstring> found)
{
    m_scanThread.Join();
    m_scanning = false;
    m_scanCursor.reset();
    if (found.empty()) {
        LogInfo(kCategory, "The folder holds no media file the player plays");
        return;
    }
    PendingFiles = std::move(found);
    OpenAndPlay(std::wstring(), 0.0);
}

void CPlayerPaneUI::OpenDVDDrive()
{
    if (m_scanning || !m_chooseDrive) return;
    const std::wstring device = m_chooseDrive(PaintWindow());
    if (!device.empty()) PlayDisc(device);
}

void CPlayerPaneUI::OpenDVDImage()
{
    if (m_scanning || !Desktop().files) return;
    CFileRequest request;
    request.owner = PaintWindow();
    request.filters = DVDImageFileFilters();
    if (CVXMSettings* settings = CVXMSettings::GetInstance()) request.folder = settings->DefaultMediaFolder;
    const std::vector<std::wstring> chosen = Desktop().files->OpenFiles(request);
    if (!chosen.empty() && !chosen.front().empty()) PlayDisc(chosen.front());
}

void CPlayerPaneUI::PlayDisc(const std::wstring& source)
{
    PendingFiles.clear();
    DiscDevice = source;
    while (DiscDevice.size() > 1 && DiscDevice.back() == L'/') DiscDevice.pop_back();
    OpenAndPlay(L"dvdnav://", 0.0);
}

void CPlayerPaneUI::PlayMedia(IVXMMedia* media, double startSeconds)
{
    if (!media || m_scanning) return;
    switch (media->GetMediaKind()) {
    case 1: PlayDisc(static_cast<IVXMDVDTitle*>(media)->GetDiscPath()); break;
    case 2:
        DiscDevice = static_cast<IVXMDiscAudiotrack*>(media)->GetDrivePath();
        OpenAndPlay(media->GetSourcePath(), startSeconds);
        break;
    default: OpenAndPlay(media->GetSourcePath(), startSeconds); break;
    }
}

void CPlayerPaneUI::LoadSubtitleFile()
{
    if (!Desktop().files) return;
    CFileRequest request;
    request.owner = PaintWindow();
    request.filters = SubtitleFileFilters();
    const std::vector<std::wstring> chosen = Desktop().files->OpenFiles(request);
    if (chosen.empty() || chosen.front().empty()) return;
    SelectSubtitle(-1);
    LoadSubtitleFile(chosen.front());
}

void CPlayerPaneUI::ShowOpenMenu()
{
    CMenu* open = PlayerMenu ? PlayerMenu->GetSubMenu(0) : nullptr;
    CControlUI* button = Find(L"ID_BTN_PLAYER_OPEN_MENU");
    CWindowWnd* window = CWindowWnd::FromHandle(PaintWindow());
    if (!open || !button || !window || !window->GetWidget()) return;
    const RECT& rc = button->GetPos();
    const QPoint at = window->GetWidget()->mapToGlobal(QPoint(rc.left, rc.bottom - 3));
    const std::vector<CScreenInfo> screens = Desktop().screens ? Desktop().screens->List() : std::vector<CScreenInfo>{};
    TrackPopupMenu(open, TPM_RIGHTBUTTON, ClampPopupX(screens, at.x(), at.y()), at.y(), PaintWindow());
}

void CPlayerPaneUI::UpdatePlayerMenu(CMenu* menu)
{
    if (!menu) menu = PlayerMenu;
    if (!menu) return;
    const bool playing = PlayState == PLAY_STATE_PLAYING;
    const bool paused = PlayState == PLAY_STATE_PAUSED;
    const bool running = playing || paused;
    if (LoadingShown) {
        for (UINT id : {ID_PLAYER_PLAY, ID_PLAYER_PAUSE, ID_PLAYER_STOP, ID_PLAYER_FULLSCREEN, ID_PLAYER_TOPMOST})
            menu->Enable(id, false);
    } else {
        menu->Enable(ID_PLAYER_ADD_TO_CONVERTER, PlayState != PLAY_STATE_IDLE);
        menu->Enable(ID_PLAYER_PLAY, paused || PlayState == PLAY_STATE_STOPPED);
        menu->Enable(ID_PLAYER_PAUSE, playing);
        for (UINT id : {ID_PLAYER_STOP, ID_PLAYER_FULLSCREEN, ID_PLAYER_TOPMOST}) menu->Enable(id, running);
    }
    if (CMenu* play = menu->GetSubMenu(1)) {
        play->Enable(7, running, EMenuBy::Position);
        play->Enable(8, running, EMenuBy::Position);
    }
    menu->Check(ID_PLAYER_FULLSCREEN, m_mediaPlayer && m_mediaPlayer->FullScreen);
    menu->Check(ID_PLAYER_TOPMOST, AlwaysOnTop);
    menu->Check(ID_PLAYER_PLAYLIST, m_playlistLayout && m_playlistLayout->IsVisible());
    static const std::pair<double, UINT> kZoom[] = {{0.0, ID_PLAYER_ZOOM_FIT}, {0.5, 32915}, {1.0, 32916}, {1.5, 32917},
                                                    {2.0, 32918},              {3.0, 32919}, {4.0, 32920}};
    for (const auto& [factor, id] : kZoom) menu->Check(id, ZoomFactor == factor);
    menu->Check(ID_PLAYER_RATIO_AUTO, AspectMode == 0);
    for (int mode = 1; mode <= 9; ++mode) menu->Check(ID_PLAYER_RATIO_1_1 + static_cast<UINT>(mode - 1), AspectMode == mode);
    static const int kDeinterlace[] = {0, 1, 4, 7, 8, 9, 11};
    for (UINT i = 0; i < 7; ++i) menu->Check(ID_PLAYER_DEINTERLACE_FIRST + i, DeinterlaceMode == kDeinterlace[i]);
    for (UINT i = 0; i < 6; ++i) menu->Check(kPlayerVideoOutputIds[i], VideoOutputMode == static_cast<int>(i));
    static const int kRotate[] = {-1, 1, 2, 4, 3};
    for (UINT i = 0; i < 5; ++i) menu->Check(ID_PLAYER_ROTATE_FIRST + i, RotateMode == kRotate[i]);
    for (UINT i = 0; i < 3; ++i) menu->Check(ID_PLAYER_CHANNELS_FIRST + i, ChannelMode == static_cast<int>(i));
    menu->Check(ID_PLAYER_MUTE, Muted);
    menu->Enable(ID_PLAYER_PREVIOUS, Playlist.CurrentIndex() > 0);
    menu->Enable(ID_PLAYER_NEXT, Playlist.CurrentIndex() + 1 < static_cast<int>(Playlist.Size()));

    // The track and title lists of the running player, in key order.
    const CMplayerTable audio = Player ? Player->Output().GetAudioTracks() : CMplayerTable{};
    const CMplayerTable subtitles = Player ? Player->Output().GetSubtitleTracks() : CMplayerTable{};
    const CMplayerTable titles = Player ? Player->Output().GetDvdTitles() : CMplayerTable{};
    // The list holding `fixedId` gets one entry per table row; where it is a
    // popup of a popup ("Audio Tracks"), it is enabled when there is a row.
    auto fill = [menu](UINT fixedId, UINT firstId, UINT count, const CMplayerTable& rows, int chosen, const wchar_t* format) {
        CMenu* list = menu->FindOwner(fixedId);
        if (!list) return;
        for (int i = list->GetItemCount() - 1; i >= 0; --i) {
            const UINT id = static_cast<UINT>(list->GetItemId(i));
            if (id >= firstId && id < firstId + count) list->Remove(static_cast<UINT>(i), EMenuBy::Position);
        }
        UINT position = 0;
        for (const auto& [key, text] : rows) {
            if (position >= count) break;
            list->AppendCommand(firstId + position, FormatW(format, key, text.c_str()));
            list->Check(firstId + position, key == chosen);
            ++position;
        }
        for (CMenu* parent : {menu, menu->GetSubMenu(1)}) {
            if (!parent) continue;
            for (int i = 0; i < parent->GetItemCount(); ++i)
                if (CMenu* sub = parent->GetSubMenu(i))
                    for (int j = 0; j < sub->GetItemCount(); ++j)
                        if (sub->GetSubMenu(j) == list) sub->Enable(static_cast<UINT>(j), !rows.empty(), EMenuBy::Position);
        }
    };
    fill(ID_PLAYER_AUDIO_DEFAULT, ID_AUDIO_TRACK_FIRST, kAudioTrackCount, audio, AudioId, L"%d - %ls");
    fill(ID_PLAYER_SUBTITLE_DEFAULT, ID_SUBTITLE_TRACK_FIRST, kSubtitleTrackCount, subtitles, SubtitleId, L"%d - %ls");
    fill(ID_PLAYER_DVD_MENU, ID_DVD_TITLE_FIRST, kDVDTitleCount, titles, CurrentDvdTitle, L"Title %d (%ls)");
    if (CMenu* dvd = menu->FindOwner(ID_PLAYER_DVD_MENU)) dvd->Enable(ID_PLAYER_DVD_MENU, IsDisc);
    menu->Check(ID_PLAYER_AUDIO_DEFAULT, AudioId == -1);
    menu->Check(ID_PLAYER_SUBTITLE_DEFAULT, SubtitleId == -2);
    menu->Check(ID_PLAYER_SUBTITLE_HIDE, SubtitleId == -1);
}
