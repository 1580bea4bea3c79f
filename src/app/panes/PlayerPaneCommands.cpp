// The player page: starting and stopping the player, its slave commands and
// the settings that restart a playing file.
#include "PlayerPaneUI.h"

#include "platform/codepage.h"
#include "Log.h"
#include "MPlayerParser.h"
#include "PlayerCommands.h"
#include "VXMGlobal.h"
#include "VXMMediaExports.h"
#include "VXMSettings.h"
#include "platform/text.h"
#include "ui/UILanguage.h"
#include "ui/UIProgress.h"
#include "ui/desktop/Desktop.h"
#include "ui/desktop/IMessageBox.h"

#include <QWidget>

#include <cmath>
#include <iterator>

namespace {

const char* const kCategory = "CPlayerPaneUI";
// The player's process priority (2: normal).
constexpr int kProcessPriority = 2;

// Menu positions of the deinterlace and rotation entries, as modes.
constexpr int kDeinterlaceModes[] = {0, 1, 4, 7, 8, 9, 11};
constexpr int kRotateModes[] = {-1, 1, 2, 4, 3};

// The key at the position of an ordered table; the position itself when
// it is negative or past the end.
int KeyAt(const CMplayerTable& table, int position)
{
    if (position < 0 || static_cast<size_t>(position) >= table.size()) return position;
    auto it = table.begin();
    std::advance(it, position);
    return it->first;
}

}  // namespace

void CPlayerPaneUI::EndPlayer()
{
    StopPlayer(Player);
    // Answers of the ended run still queued are dropped (their records freed),
    // so that its end is never taken for the end of the next run.
    MSG msg;
    while (::PeekMessage(&msg, PaintWindow(), WM_VXM_MPLAYER_EVENT, WM_VXM_MPLAYER_EVENT, PM_REMOVE))
        TakeMplayerEventPayload(msg.wParam, msg.lParam);
}

bool CPlayerPaneUI::Send(const std::wstring& text) { return ::SendPlayerCommand(Player.get(), text); }

bool CPlayerPaneUI::SendPlayerCommand(const std::string& text)
{
    static const std::string kRatio = "pausing_keep switch_ratio ";
    if (text.rfind(kRatio, 0) == 0) {
        const double ratio = MplayerReadReal(Utf8ToWide(text.substr(kRatio.size())));
        AspectMode = 0;
        for (int mode = 1; mode <= 9; ++mode)
            if (std::abs(PlayerAspectRatio(mode, 0, 0) - ratio) < 1e-4) AspectMode = mode;
    }
    return Send(Utf8ToWide(text));
}

void CPlayerPaneUI::SetFixedRatio(bool fixed)
{
    if (!fixed) AspectMode = 0;
}

bool CPlayerPaneUI::Start()
{
    if (!m_mediaPlayer || CurrentPath.empty()) return false;
    if (!m_mediaPlayer->VideoWindow) m_mediaPlayer->CreateVideoWindow();

    // A play-list entry resumes where it stopped, with its subtitle file.
    const PlaylistEntry* entry = Playlist.Current();
    RestartPending = false;
    const CVXMSettings* settings = CVXMSettings::GetInstance();
    const std::string iconvName =
        settings ? CodePageIconvName(static_cast<unsigned>(settings->SubEncoding)) : std::string();
    CPlayerStartParams params{
        .path = CurrentPath, .discDevice = DiscDevice,
        .windowId = m_mediaPlayer->VideoWindow ? m_mediaPlayer->VideoWindow->GetNativeId() : 0,
        .videoOutputMode = VideoOutputMode, .channelMode = ChannelMode, .volume = Volume, .muted = Muted,
        .audioId = AudioId, .subtitleId = SubtitleId, .hasEntry = entry != nullptr,
        .resumeSeconds = entry ? entry->ResumeSeconds : 0, .subtitleFile = entry ? entry->SubtitleFile : std::wstring(),
        .useFullScreenOption = UseFullScreenOption, .rotateMode = RotateMode, .deinterlaceMode = DeinterlaceMode,
        .playMode = PlayMode, .cropFilter = {},
        .subCodePage = std::wstring(iconvName.begin(), iconvName.end()),
        .subFontFile = settings ? settings->SubFontFile : std::wstring(), .videoDriver = m_testVideoDriver,
        .audioDriver = m_testAudioDriver};
    int turns = 0, mirrored = 0;
    if (GetVideoDisplayTurn(CurrentPath.c_str(), &turns, &mirrored) == 0) {
        params.uprightTurns = turns;
        params.uprightMirrored = mirrored != 0;
    }
    // The player draws into the window; without one (no X display) it
    // would open a window of its own.
    if (params.windowId == 0 && params.videoDriver.empty()) params.videoDriver = L"null";

    CMPlayerOpts opts;
    const CPlayerStartKind kind = BuildPlayerCommandLine(params, opts);
    UseFullScreenOption = params.useFullScreenOption;

    EndPlayer();
    Player = StartPlayer(opts.BuildCommandLine(), PaintWindow(), PlayerNiceness(kProcessPriority));
    if (!Player) {
        // The run this start replaced is gone too: the pane rests stopped,
        // without a timer, a picture window or a "playing" state.
        if (!StopPlayback() && m_mediaPlayer) m_mediaPlayer->DestroyVideoWindow();
        return false;
    }
    IsDisc = kind.isDisc;
    if (m_manager) m_manager->SetTimer(this, kPositionTimer, 400);
    LengthSeconds = PositionSeconds = 0.0;
    SetPlayState(PLAY_STATE_PLAYING);
    if (AspectMode != 0) {
        const int mode = AspectMode;
        AspectMode = 0;
        SetAspectRatioMode(mode);
    }
    return true;
}

bool CPlayerPaneUI::StopPlayback()
{
    // Playing or paused without a player (its restart failed) stops as well.
    if (PlayState != PLAY_STATE_PLAYING && PlayState != PLAY_STATE_PAUSED) {
        if (Player) EndPlayer();  // a player left behind goes too
        return false;
    }
    if (m_manager) m_manager->KillTimer(this, kPositionTimer);
    if (m_slider) m_slider->SetValue(0);
    EndPlayer();
    SetPlayState(PLAY_STATE_STOPPED);
    SetLoading(PLAY_STATE_STOPPED, false);
    if (m_mediaPlayer) m_mediaPlayer->DestroyVideoWindow();
    if (CControlUI* label = Find(L"ID_LABEL_PLAYER_TIME")) label->SetText(L"00:00:00.0");
    UpdatePlayerMenu();
    ResetMediaInfo();
    if (Zoomed) {
        if (CWindowWnd* window = CWindowWnd::FromHandle(PaintWindow())) {
            window->ResizeClient(SavedWindowSize.right, SavedWindowSize.bottom);
            if (QWidget* widget = window->GetWidget()) widget->setMinimumSize(1024, 655);
        }
        SavedWindowSize = RECT{};
        Zoomed = false;
    }
    return true;
}

bool CPlayerPaneUI::SetVolume(int volume)
{
    // Kept also while nothing plays: the next start takes it.
    Volume = volume;
    if (!Send(PlayerCommand::Volume(volume))) return false;
    if (CControlUI* c = Find(L"ID_BTN_PLAYER_MUTEON")) c->SetVisible(true);
    if (CControlUI* c = Find(L"ID_BTN_PLAYER_MUTEOFF")) c->SetVisible(false);
    return true;
}

bool CPlayerPaneUI::Seek(int value, int type)
{
    SeekPending = true;
    if (!Send(PlayerCommand::Seek(value, type))) return false;
    // The player shows the new picture and stays paused; its answer shows the new time.
    if (PlayState == PLAY_STATE_PAUSED) Send(PlayerCommand::kTimePositionPaused);
    return true;
}

void CPlayerPaneUI::SetMute(bool on)
{
    Muted = on;
    if (m_volumeSlider) m_volumeSlider->SetEnabled(!on);
    if (CControlUI* c = Find(L"ID_BTN_PLAYER_MUTEON")) c->SetVisible(!on);
    if (CControlUI* c = Find(L"ID_BTN_PLAYER_MUTEOFF")) c->SetVisible(on);
    Send(PlayerCommand::Mute(on));
    if (!on) SetVolume(Volume);
}

bool CPlayerPaneUI::TogglePause()
{
    if (PlayState == PLAY_STATE_PLAYING) {
        if (m_manager) m_manager->KillTimer(this, kPositionTimer);
        SetPlayState(PLAY_STATE_PAUSED);
    } else if (PlayState == PLAY_STATE_PAUSED) {
        SetPlayState(PLAY_STATE_PLAYING);
        if (m_manager) m_manager->SetTimer(this, kPositionTimer, 400);
    }
    return Send(PlayerCommand::kPause);
}

bool CPlayerPaneUI::RemoveSubtitles() { return Send(PlayerCommand::kRemoveSubtitles); }

bool CPlayerPaneUI::SelectSubtitleFile(int id) { return Send(PlayerCommand::SelectSubtitleFile(id)); }

bool CPlayerPaneUI::LoadSubtitleFile(const std::wstring& path)
{
    std::wstring text;
    if (!PlayerCommand::LoadSubtitle(path, text)) {
        LogErrorW(kCategory, L"A subtitle file whose name holds a quote or a line break cannot be loaded: %ls",
                  path.c_str());
        if (Desktop().messageBox)
            Desktop().messageBox->Show(
                PaintWindow(), CLanguageManager::GetInstance()->TranslateDictionary(L"ID_STRING_PLAYER_SUBTITLE_NAME"),
                CLanguageManager::GetInstance()->LoadStringW(103), MB_OK | MB_ICONWARNING);
        return false;
    }
    RemoveSubtitles();
    if (PlaylistEntry* entry = Playlist.Current()) entry->SubtitleFile = path;
    return Send(text);
}

bool CPlayerPaneUI::SwitchStream(int& current, int id, const std::wstring& command)
{
    SeekPending = true;
    if (id == current) return false;
    current = id;
    return Send(command);
}

bool CPlayerPaneUI::SelectAudio(int id) { return SwitchStream(AudioId, id, PlayerCommand::SwitchAudio(id)); }

void CPlayerPaneUI::SelectAudioByIndex(int index)
{
    SelectAudio(KeyAt(Player ? Player->Output().GetAudioTracks() : CMplayerTable{}, index));
}

bool CPlayerPaneUI::SelectSubtitle(int id) { return SwitchStream(SubtitleId, id, PlayerCommand::SelectSubtitle(id)); }

void CPlayerPaneUI::SelectSubtitleByIndex(int index)
{
    SelectSubtitle(KeyAt(Player ? Player->Output().GetSubtitleTracks() : CMplayerTable{}, index));
}

bool CPlayerPaneUI::SelectTitle(int position)
{
    const int title = KeyAt(Player ? Player->Output().GetDvdTitles() : CMplayerTable{}, position);
    CurrentDvdTitle = title;
    if (title == -1) return DvdMenu();
    return Send(PlayerCommand::SwitchTitle(title));
}

bool CPlayerPaneUI::DvdMenu() { return Send(PlayerCommand::kDvdMenu); }

bool CPlayerPaneUI::FrameStep()
{
    if (m_manager) m_manager->KillTimer(this, kPositionTimer);
    return Send(PlayerCommand::kFrameStep);
}

bool CPlayerPaneUI::SetAspectRatioMode(int mode)
{
    if (mode == AspectMode) return false;
    AspectMode = mode;
    const float ratio = PlayerAspectRatio(mode, VideoWidth, VideoHeight);
    if (ratio <= 0.0f) return false;  // the video's own shape is not known yet
    return Send(PlayerCommand::SwitchRatio(ratio));
}

void CPlayerPaneUI::SetAspectRatio(double ratio)
{
    // The ratio the main window chose, as the mode of the menu.
    for (int mode = 1; mode <= 9; ++mode)
        if (std::abs(PlayerAspectRatio(mode, 0, 0) - ratio) < 1e-4) {
            SetAspectRatioMode(mode);
            return;
        }
}

bool CPlayerPaneUI::SetMousePosition(int x, int y) { return Send(PlayerCommand::MousePosition(x, y)); }

bool CPlayerPaneUI::DvdMenuClick() { return Send(PlayerCommand::kDvdMenuClick); }

bool CPlayerPaneUI::ChangeMode(int& current, int mode)
{
    if (mode == current) return false;
    current = mode;
    if (PlayState == PLAY_STATE_PLAYING) {
        RestartPending = true;
        StopPlayback();
        Start();
    }
    return true;
}

void CPlayerPaneUI::SetRotationMode(int mode)
{
    if (ChangeMode(RotateMode, mode)) UpdatePlayerMenu();
}

void CPlayerPaneUI::SetDeinterlaceMode(int mode) { ChangeMode(DeinterlaceMode, mode); }

void CPlayerPaneUI::SetVideoOutputMode(int mode)
{
    if (mode >= 0 && mode <= 5) ChangeMode(VideoOutputMode, mode);
}

void CPlayerPaneUI::SetChannelMode(int mode)
{
    if (mode >= 0 && mode <= 2) ChangeMode(ChannelMode, mode);
}

void CPlayerPaneUI::SetDeinterlace(int position)
{
    if (position >= 0 && position < static_cast<int>(std::size(kDeinterlaceModes)))
        SetDeinterlaceMode(kDeinterlaceModes[position]);
}

void CPlayerPaneUI::SetRotation(int position)
{
    if (position >= 0 && position < static_cast<int>(std::size(kRotateModes))) SetRotationMode(kRotateModes[position]);
}

void CPlayerPaneUI::SetVideoOutput(int mode) { SetVideoOutputMode(mode); }

void CPlayerPaneUI::SetAudioChannels(int mode) { SetChannelMode(mode); }
