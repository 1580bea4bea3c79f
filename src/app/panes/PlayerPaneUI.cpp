#include "PlayerPaneUI.h"

#include "Log.h"
#include "MPlayerEvents.h"
#include "MPlayerParser.h"
#include "PaneSkin.h"
#include "PlayerCommands.h"
#include "VXMGlobal.h"
#include "VXMSettings.h"
#include "platform/text.h"
#include "ui/UICircularProgress.h"
#include "ui/UICombo.h"
#include "ui/UIDlgBuilder.h"
#include "ui/UILabel.h"
#include "ui/UIList.h"
#include "ui/UIProgress.h"
#include "ui/desktop/Desktop.h"
#include "ui/desktop/IScreens.h"

#include <QCursor>
#include <QWidget>

#include <chrono>
#include <cmath>
#include <algorithm>
#include <random>

namespace {

const char* const kCategory = "CPlayerPaneUI";

// "hh:mm:ss.t" of seconds (tenths truncated).
std::wstring ClockText(double seconds)
{
    if (!(seconds >= 0.0)) seconds = 0.0;
    const long long tenths = static_cast<long long>(seconds * 10.0);
    const long long whole = tenths / 10;
    return FormatW(L"%02lld:%02lld:%02lld.%01lld", whole / 3600, whole / 60 % 60, whole % 60, tenths % 10);
}

}  // namespace

CPlayerPaneUI::CPlayerPaneUI(CPaintManagerUI* manager) : m_paintManager(manager) {}

CPlayerPaneUI::~CPlayerPaneUI()
{
    // A folder walk still running is dropped with its result.
    m_scanTarget.reset();
    m_scanThread.Stop();
    m_scanThread.Join();
    StopPlayer(Player);
    // The video window goes with the controls, after this pane's members:
    // nothing may call back into the pane then.
    if (m_mediaPlayer) m_mediaPlayer->SetBeforeWindowDestroyed(nullptr);
    if (m_manager) m_manager->KillTimer(this, kPositionTimer);
    if (m_paintManager) m_paintManager->RemoveNotifier(this);
}

void* CPlayerPaneUI::GetInterface(const std::wstring& name)
{
    if (name == L"PlayerPaneUI") return this;
    return CVerticalLayoutUI::GetInterface(name);
}

void CPlayerPaneUI::DoInit()
{
    if (m_manager) m_manager->AddNotifier(this);
}

void CPlayerPaneUI::DoEvent(TEventUI& event)
{
    if (event.Type == UIEVENT_TIMER && event.wParam == kPositionTimer) UpdatePositionDisplay();
    CVerticalLayoutUI::DoEvent(event);
}

CControlUI* CPlayerPaneUI::CreateControl(const std::wstring& name)
{
    if (name == L"MediaPlayer") return new CMediaPlayerUI;
    if (name == L"CircularProgress") return new CCircularProgressUI;
    return nullptr;
}

CControlUI* CPlayerPaneUI::Find(const wchar_t* name) const
{
    return m_manager ? m_manager->FindSubControlByName(const_cast<CPlayerPaneUI*>(this), name) : nullptr;
}

HWND CPlayerPaneUI::PaintWindow() const { return m_manager ? m_manager->GetPaintWindow() : nullptr; }

const CPlayerPaneUI::CButtonAction CPlayerPaneUI::kButtonActions[] = {
    {L"ID_BTN_PLAYER_PLAY",
     [](CPlayerPaneUI& p, bool running) {
         if (running) p.TogglePause();
         else p.Start();
     }},
    {L"ID_BTN_PLAYER_PAUSE", [](CPlayerPaneUI& p, bool running) { if (running) p.TogglePause(); }},
    {L"ID_BTN_PLAYER_STOP", [](CPlayerPaneUI& p, bool running) { if (running) p.StopPlayback(); }},
    {L"ID_BTN_PLAYER_PREV", [](CPlayerPaneUI& p, bool) { p.PlayPrevious(); }},
    {L"ID_BTN_PLAYER_NEXT", [](CPlayerPaneUI& p, bool) { p.PlayNext(); }},
    {L"ID_BTN_PLAYER_MUTEON", [](CPlayerPaneUI& p, bool) { p.SetMute(true); }},
    {L"ID_BTN_PLAYER_MUTEOFF", [](CPlayerPaneUI& p, bool) { p.SetMute(false); }},
    {L"ID_BTN_PLAYER_FORWARD", [](CPlayerPaneUI& p, bool) { p.SeekByCombo(true); }},
    {L"ID_BTN_PLAYER_BACKWARD", [](CPlayerPaneUI& p, bool) { p.SeekByCombo(false); }},
    {L"ID_BTN_PLAYER_OPEN", [](CPlayerPaneUI& p, bool) { p.OpenFiles(); }},
    {L"ID_BTN_PLAYER_ADDFILE", [](CPlayerPaneUI& p, bool) { p.OpenFiles(); }},
    {L"ID_BTN_PLAYLIST_ADD", [](CPlayerPaneUI& p, bool) { p.OpenFiles(); }},
    {L"ID_BTN_PLAYER_OPEN_MENU", [](CPlayerPaneUI& p, bool) { p.ShowOpenMenu(); }},
    {L"ID_BTN_PLAYER_SHOW_LISTS", [](CPlayerPaneUI& p, bool) { p.TogglePlaylist(); }},
    {L"ID_BTN_PLAYER_FULLSCREEN", [](CPlayerPaneUI& p, bool) { p.ToggleFullScreen(); }},
    {L"ID_BTN_PLAYLIST_DEL", [](CPlayerPaneUI& p, bool) { p.RemoveSelectedEntry(); }},
    {L"ID_BTN_PLAYLIST_CLEAR", [](CPlayerPaneUI& p, bool) { p.ClearPlaylist(); }},
    {L"ID_BTN_ADD_CONVERTER", [](CPlayerPaneUI& p, bool) { p.AddToConverter(); }},
};

void CPlayerPaneUI::LoadLayout()
{
    if (m_mediaPlayer) return;
    if (!LoadPaneSkin(*this, L"pane_player.xml", this, m_paintManager ? m_paintManager : m_manager)) {
        LogError(kCategory, "The player page's skin could not be built");
        return;
    }
    m_mediaPlayer = dynamic_cast<CMediaPlayerUI*>(Find(L"ID_MEDIA_PLAYER"));
    if (m_mediaPlayer) m_mediaPlayer->SetBeforeWindowDestroyed([this] { StopPlayer(Player); });
    m_playlist = dynamic_cast<CListUI*>(Find(L"ID_LIST_PLAYLIST"));
    m_slider = dynamic_cast<CSliderUI*>(Find(L"ID_SLIDER_PLAYER"));
    m_volumeSlider = dynamic_cast<CSliderUI*>(Find(L"ID_SLIDER_PLAYER_VOLUME"));
    m_playModeCombo = dynamic_cast<CComboUI*>(Find(L"ID_COMBO_PLAYLIST_PLAYMODE"));
    m_sliderLayout = Find(L"ID_LAYOUT_PLAYER_SLIDER");
    m_toolbarLayout = Find(L"ID_LAYOUT_PLAYER_TOOLBAR");
    m_playlistLayout = Find(L"ID_LAYOUT_PLAYER_PLAYLIST");
    if (m_slider) {
        m_slider->SetMinValue(0);
        m_slider->SetMaxValue(1000);
        m_slider->SetValue(0);
    }
    if (m_volumeSlider) {
        m_volumeSlider->SetMinValue(0);
        m_volumeSlider->SetMaxValue(100);
        m_volumeSlider->SetValue(Volume);
    }
    if (m_playModeCombo) m_playModeCombo->SelectItem(PlayMode, false, false);
    for (const wchar_t* name : {L"ID_COMBO_PLAYER_BACKWARD", L"ID_COMBO_PLAYER_FORWARD"})
        if (auto* combo = dynamic_cast<CComboUI*>(Find(name))) combo->SelectItem(0, false, false);
    for (const CButtonAction& action : kButtonActions)
        if (CControlUI* button = Find(action.name)) button->OnEvent += MakeDelegate(this, &CPlayerPaneUI::OnButtonEvent);
    if (CVXMSettings* settings = CVXMSettings::GetInstance()) VideoOutputMode = settings->MPLAYER_VO_N;
    SetPlayState(PLAY_STATE_IDLE);
}

bool CPlayerPaneUI::OnButtonEvent(void* param)
{
    auto* event = static_cast<TEventUI*>(param);
    if (event->Type != UIEVENT_BUTTONDOWN || !event->pSender || !event->pSender->IsEnabled()) return true;
    RunButton(event->pSender->GetName());
    return true;
}

void CPlayerPaneUI::RunButton(const std::wstring& name)
{
    const bool running = PlayState == PLAY_STATE_PLAYING || PlayState == PLAY_STATE_PAUSED;
    for (const CButtonAction& action : kButtonActions) {
        if (name != action.name) continue;
        action.run(*this, running);
        return;
    }
}

void CPlayerPaneUI::SeekByCombo(bool forward)
{
    auto* combo = dynamic_cast<CComboUI*>(Find(forward ? L"ID_COMBO_PLAYER_FORWARD" : L"ID_COMBO_PLAYER_BACKWARD"));
    static const int kSeconds[] = {10, 60, 600};
    const int selection = combo ? combo->GetCurSel() : -1;
    const int seconds = selection >= 0 && selection < 3 ? kSeconds[selection] : 0;
    Seek(forward ? seconds : -seconds, 0);
}

void CPlayerPaneUI::Notify(TNotifyUI& msg)
{
    CControlUI* sender = msg.pSender;
    const std::wstring& type = msg.sType;
    const std::wstring name = sender ? sender->GetName() : std::wstring();
    const bool fromPlayer = sender && sender == m_mediaPlayer;
    if (type == L"itemselect") {
        if (sender && sender == m_playModeCombo) PlayMode = static_cast<int>(msg.wParam);
        else if (name == L"ID_COMBO_PLAYER_FORWARD" || name == L"ID_COMBO_PLAYER_BACKWARD")
            SeekByCombo(name == L"ID_COMBO_PLAYER_FORWARD");
    } else if (type == L"valuechanged" && sender && sender == m_slider) {
        Seek(m_slider->GetValue() / 10, 1);
    } else if ((type == L"valuechanged" || type == L"valuechanging") && sender && sender == m_volumeSlider) {
        SetVolume(m_volumeSlider->GetValue());
    } else if (type == L"mouseclick" && fromPlayer) {
        if (InDvdMenu) DvdMenuClick();
        else if (PlayState == PLAY_STATE_PLAYING || PlayState == PLAY_STATE_PAUSED) TogglePause();
    } else if (type == L"fullscreen" && (fromPlayer || sender == this)) {
        SetFullScreen(msg.wParam == 1);
    } else if ((type == L"showbottombar" || type == L"hidebottombar") && fromPlayer) {
        if (m_mediaPlayer->FullScreen) {
            if (m_toolbarLayout) m_toolbarLayout->SetVisible(type == L"showbottombar");
            if (m_sliderLayout) m_sliderLayout->SetVisible(type == L"showbottombar");
        }
    } else if (type == L"itemdbclick" && sender && m_playlist && sender->GetParent() &&
               m_playlist->GetItemIndex(sender) >= 0) {
        PlayEntry(m_playlist->GetItemIndex(sender));
    } else if (type == L"dvdnavmousemove" && fromPlayer) {
        SetMousePosition(GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam));
    } else if (type == L"add_to_player" && msg.wParam) {
        // The preview hands its media over with its position in milliseconds.
        PlayMedia(reinterpret_cast<IVXMMedia*>(msg.wParam), static_cast<double>(msg.lParam) / 1000.0);
    } else if (type == L"showmainrightkeymenu" && fromPlayer) {
        const QPoint at = QCursor::pos();
        ::PostMessage(PaintWindow(), WM_CONTEXTMENU, 0, MAKELPARAM(at.x(), at.y()));
    }
}

int CPlayerPaneUI::GetState() const
{
    if (PlayState == PLAY_STATE_PLAYING) return 1;
    if (PlayState == PLAY_STATE_PAUSED) return 2;
    return 0;
}

void CPlayerPaneUI::SetPlayState(int state)
{
    PlayState = state;
    if ((state == PLAY_STATE_STOPPED || state == PLAY_STATE_IDLE) && m_slider) m_slider->SetValue(0);
    const bool playing = state == PLAY_STATE_PLAYING;
    const bool running = playing || state == PLAY_STATE_PAUSED;
    auto enable = [this](const wchar_t* name, bool on) {
        if (CControlUI* c = Find(name)) c->SetEnabled(on);
    };
    if (LoadingShown) {
        if (m_slider) m_slider->SetEnabled(false);
        if (m_toolbarLayout) m_toolbarLayout->SetEnabled(false);
        enable(L"ID_BTN_PLAYER_FULLSCREEN", false);
    } else {
        if (m_toolbarLayout) m_toolbarLayout->SetEnabled(true);
        if (m_slider) m_slider->SetEnabled(running);
        // Pause toggles: pressed again while paused it resumes.
        enable(L"ID_BTN_PLAYER_PLAY", !playing);
        enable(L"ID_BTN_PLAYER_PAUSE", running);
        enable(L"ID_BTN_PLAYER_STOP", running);
        enable(L"ID_BTN_PLAYER_FORWARD", running);
        enable(L"ID_BTN_PLAYER_BACKWARD", running);
        enable(L"ID_BTN_PLAYER_FULLSCREEN", running);
        enable(L"ID_BTN_ADD_CONVERTER", state != PLAY_STATE_IDLE);
        enable(L"ID_BTN_PLAYER_PREV", Playlist.CurrentIndex() > 0);
        enable(L"ID_BTN_PLAYER_NEXT", Playlist.CurrentIndex() + 1 < static_cast<int>(Playlist.Size()));
    }
    if (playing && !m_screenSaverGuard) m_screenSaverGuard = std::make_unique<CDisableScreenSave>();
    else if (!playing) m_screenSaverGuard.reset();
}

void CPlayerPaneUI::SetLoading(int state, bool shown, const std::wstring* text)
{
    LoadingShown = shown;
    if (CControlUI* c = Find(L"ID_LAYOUT_PLAYER_STARTUP_BTN")) c->SetVisible(!shown);
    if (CControlUI* c = Find(L"ID_LAYOUT_PLAYER_STARTUP_PROGRESS")) c->SetVisible(shown);
    if (CControlUI* ring = Find(L"ID_PLAYER_CIRCULAR_PROGRESS"); ring && m_manager) {
        if (shown) m_manager->SetTimer(ring, CCircularProgressUI::kAnimationTimerId, 50);
        else m_manager->KillTimer(ring, CCircularProgressUI::kAnimationTimerId);
    }
    if (m_mediaPlayer && m_mediaPlayer->VideoWindow) m_mediaPlayer->VideoWindow->ShowWindow(!shown, false);
    if (text)
        if (CControlUI* label = Find(L"ID_LABEL_PLAYER_TIME")) label->SetText(*text);
    SetPlayState(state);
}

void CPlayerPaneUI::ResetMediaInfo()
{
    LengthSeconds = PositionSeconds = 0.0;
    VideoWidth = VideoHeight = 0;
    IsDisc = false;
    InDvdMenu = false;
    if (m_slider) m_slider->SetValue(0);
    UpdatePictureShape();
}

void CPlayerPaneUI::UpdatePositionDisplay()
{
    if (!Player) {
        if (m_slider) m_slider->SetValue(0);
        return;
    }
    if (!Player->IsChildRunning()) {
        if (Player->m_bRunning) return;  // its last output is still being read
        // Its last answers first (the end of the file among them), as they
        // would come before a timer on a quiet queue.
        const CCmdMplayer* ended = Player.get();
        MSG msg;
        while (Player.get() == ended &&
               ::PeekMessage(&msg, PaintWindow(), WM_VXM_MPLAYER_EVENT, WM_VXM_MPLAYER_EVENT, PM_REMOVE))
            OnPlayerEvent(msg.wParam, msg.lParam);
        if (Player.get() == ended && PlayState != PLAY_STATE_STOPPED) StopPlayback();
        return;
    }
    if (!Send(PlayerCommand::kTimePosition) || !Send(PlayerCommand::kTimeLength)) return;
    if (!(PositionSeconds >= 0.0) || !(LengthSeconds > 0.0)) return;
    if (SeekPending) {
        // The answers still tell the position before the seek.
        if (++m_seekTicks < 3) return;
        SeekPending = false;
        m_seekTicks = 0;
    }
    ShowPosition();
}

void CPlayerPaneUI::ShowPosition()
{
    if (!(PositionSeconds >= 0.0) || !(LengthSeconds > 0.0)) return;
    const double position = std::min(PositionSeconds, LengthSeconds);
    if (m_slider && !m_slider->IsDragging()) m_slider->SetValue(static_cast<int>(position / LengthSeconds * 1000.0));
    if (CControlUI* label = Find(L"ID_LABEL_PLAYER_TIME"))
        label->SetText(ClockText(PositionSeconds) + L"/" + ClockText(LengthSeconds));
}

void CPlayerPaneUI::UpdatePictureShape()
{
    if (!m_mediaPlayer) return;
    double aspect = AspectMode != 0 ? PlayerAspectRatio(AspectMode, VideoWidth, VideoHeight) : 0.0;
    if (aspect <= 0.0 && VideoWidth > 0 && VideoHeight > 0) aspect = static_cast<double>(VideoWidth) / VideoHeight;
    m_mediaPlayer->SetPictureAspect(aspect);
}

void CPlayerPaneUI::OnPlayerEvent(WPARAM code, LPARAM value)
{
    std::unique_ptr<CMplayerEventPayload> payload = TakeMplayerEventPayload(code, value);
    const CMplayerEventPayload empty;
    const CMplayerEventPayload& p = payload ? *payload : empty;
    switch (code) {
    case MPLAYER_EVENT_EXIT: OnEndOfFile(); break;
    case MPLAYER_EVENT_VIDEO_WIDTH: VideoWidth = static_cast<int>(value); break;
    case MPLAYER_EVENT_VIDEO_HEIGHT:
        VideoHeight = static_cast<int>(value);
        if (VideoWidth > 0 && VideoHeight > 0 && !Zoomed && ZoomFactor != 0.0) ApplyZoom();
        UpdatePictureShape();
        break;
    case MPLAYER_EVENT_LENGTH:
        if (PlayState == PLAY_STATE_PLAYING && LoadingShown) SetLoading(PLAY_STATE_PLAYING, false);
        LengthSeconds = p.dValue;
        break;
    case MPLAYER_EVENT_TIME_POSITION:
        PositionSeconds = p.dValue;
        Playlist.SetCurrentResume(p.dValue);
        // Paused, the timer sleeps: a seek's answer shows at once.
        if (PlayState == PLAY_STATE_PAUSED) ShowPosition();
        break;
    case MPLAYER_EVENT_DVDNAV_MENU: InDvdMenu = true; break;
    case MPLAYER_EVENT_DVDNAV_MOVIE: InDvdMenu = false; break;
    case MPLAYER_EVENT_FILE_SUB_ID: SelectSubtitleFile(p.nValue); break;
    case MPLAYER_EVENT_BLURAY_TITLE_LENGTH: LengthSeconds = p.fValue; break;
    case MPLAYER_EVENT_VO_SIZE: {
        const size_t x = p.text.find(L'x');
        if (x == std::wstring::npos) break;
        const int width = MplayerReadInt(std::wstring_view(p.text).substr(0, x));
        const int height = MplayerReadInt(std::wstring_view(p.text).substr(x + 1));
        if (width > 0 && height > 0) {
            VideoWidth = width;
            VideoHeight = height;
            UpdatePictureShape();
        }
        break;
    }
    case MPLAYER_EVENT_DVDNAV_TITLE:
        AudioId = -1;
        SubtitleId = -2;
        CurrentDvdTitle = static_cast<int>(value);
        break;
    case MPLAYER_EVENT_SCAN_DONE:
        if (PlayState == PLAY_STATE_PLAYING) SetLoading(PLAY_STATE_PLAYING, true, &p.text);
        break;
    default: break;
    }
}

void CPlayerPaneUI::OnEndOfFile()
{
    if (PlayState == PLAY_STATE_IDLE || PlayState == PLAY_STATE_STOPPED) return;  // an answer of a stopped run
    Playlist.ClearCurrentResume();
    std::minstd_rand random(static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    const int next = Playlist.NextAfterEnd(PlayMode, [&random](int n) { return static_cast<int>(random() % n); });
    if (next < 0) {
        LeaveFullScreen();
        StopPlayback();
        IsDisc = false;
        return;
    }
    PlayEntry(next);
}

void CPlayerPaneUI::LeaveFullScreen()
{
    if (m_mediaPlayer && m_mediaPlayer->FullScreen) ToggleFullScreen();
}

void CPlayerPaneUI::SetFullScreen(bool on)
{
    if (!m_mediaPlayer) return;
    // The player draws into the video window, which covers the screen with
    // the main window: the player itself is not switched to full screen.
    m_mediaPlayer->FullScreen = on;
    if (m_playlistLayout) m_playlistLayout->SetVisible(PlaylistShown && !on);
    if (m_toolbarLayout) m_toolbarLayout->SetVisible(!on);
    if (m_sliderLayout) m_sliderLayout->SetVisible(!on);
    m_mediaPlayer->OnPlayerResize(nullptr);
    if (m_mediaPlayer->VideoWindow && m_mediaPlayer->VideoWindow->GetWidget())
        m_mediaPlayer->VideoWindow->GetWidget()->setFocus();
    if (PlayState == PLAY_STATE_PAUSED) {
        FrameStep();
        TogglePause();
        TogglePause();
    }
}

void CPlayerPaneUI::ToggleFullScreen()
{
    const bool on = !(m_mediaPlayer && m_mediaPlayer->FullScreen);
    UpdatePlayerMenu();
    if (m_manager) m_manager->SendNotify(this, L"fullscreen", on ? 1 : 0, 0);
}

void CPlayerPaneUI::TogglePlaylist()
{
    PlaylistShown = !PlaylistShown;
    if (m_playlistLayout) m_playlistLayout->SetVisible(PlaylistShown);
    SelectRow(Playlist.CurrentIndex());
    SetFullScreen(m_mediaPlayer && m_mediaPlayer->FullScreen);
}

void CPlayerPaneUI::ToggleAlwaysOnTop()
{
    CWindowWnd* window = CWindowWnd::FromHandle(PaintWindow());
    QWidget* widget = window ? window->GetWidget() : nullptr;
    AlwaysOnTop = !AlwaysOnTop;
    if (widget) {
        const bool visible = widget->isVisible();
        widget->setWindowFlag(Qt::WindowStaysOnTopHint, AlwaysOnTop);
        if (visible) widget->show();
    }
    UpdatePlayerMenu();
}

void CPlayerPaneUI::SetZoom(double factor)
{
    if (factor == ZoomFactor) return;
    ZoomFactor = factor;
    ApplyZoom();
}

void CPlayerPaneUI::ApplyZoom()
{
    if ((m_mediaPlayer && m_mediaPlayer->FullScreen) || ZoomFactor == 0.0 || VideoWidth <= 0 || VideoHeight <= 0) return;
    CWindowWnd* window = CWindowWnd::FromHandle(PaintWindow());
    QWidget* widget = window ? window->GetWidget() : nullptr;
    if (!widget) return;
    double width = ZoomFactor * VideoWidth;
    double height = ZoomFactor * VideoHeight;
    RECT area{0, 0, 1920, 1080};
    if (Desktop().screens) {
        const auto screens = Desktop().screens->List();
        const int at = NearestScreen(screens, POINT{widget->x(), widget->y()});
        if (at >= 0) area = screens[static_cast<size_t>(at)].workArea;
    }
    const double maxWidth = area.right - area.left;
    const double maxHeight = area.bottom - area.top - 100;
    if (width > maxWidth || height > maxHeight) {
        const double shrink = std::min(maxWidth / width, std::max(1.0, maxHeight) / height);
        width *= shrink;
        height *= shrink;
    }
    if (!Zoomed) SavedWindowSize = RECT{0, 0, widget->width(), widget->height()};
    Zoomed = true;
    widget->setMinimumSize(640, 480);
    widget->resize(static_cast<int>(width), static_cast<int>(height) + 100);
}

bool CPlayerPaneUI::GetVideoSize(int& width, int& height) const
{
    width = VideoWidth;
    height = VideoHeight;
    return Player && width > 0 && height > 0;
}

void CPlayerPaneUI::OnDriveRemoved(const std::wstring& device, const std::wstring& mountPoint)
{
    if (!IsDisc || DiscDevice.empty()) return;
    if (DiscDevice == device || (!mountPoint.empty() && DiscDevice.rfind(mountPoint, 0) == 0)) StopPlayback();
}

void CPlayerPaneUI::AddToConverter()
{
    if (PlayState == PLAY_STATE_PLAYING || PlayState == PLAY_STATE_PAUSED) StopPlayback();
    if (!m_manager) return;
    if (m_mediaPlayer && m_mediaPlayer->FullScreen) m_manager->SendNotify(this, L"fullscreen", 0, 0);
    const std::wstring path = CurrentPath;
    const std::wstring device = DiscDevice;
    m_manager->SendNotify(this, L"add_to_converter", reinterpret_cast<WPARAM>(path.c_str()),
                          reinterpret_cast<LPARAM>(device.c_str()));
}

void CPlayerPaneUI::Play()
{
    if (PlayState == PLAY_STATE_PAUSED) TogglePause();
    else if (PlayState != PLAY_STATE_PLAYING) Start();
}

void CPlayerPaneUI::Pause()
{
    if (PlayState == PLAY_STATE_PLAYING) TogglePause();
}

void CPlayerPaneUI::Stop()
{
    if (PlayState == PLAY_STATE_PLAYING || PlayState == PLAY_STATE_PAUSED) StopPlayback();
}

void CPlayerPaneUI::SetOutputDriversForTesting(std::wstring video, std::wstring audio)
{
    m_testVideoDriver = std::move(video);
    m_testAudioDriver = std::move(audio);
}
