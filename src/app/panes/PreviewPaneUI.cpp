#include "PreviewPaneUI.h"

#include "AppStartup.h"
#include "IVXMMedia.h"
#include "Log.h"
#include "VXMGlobal.h"
#include "MenuCommandIds.h"
#include "MediaPreviewUI.h"
#include "VXMSettings.h"
#include "platform/text.h"
#include "platform/paths.h"
#include "ui/UIMenu.h"
#include "ui/UIProgress.h"
#include "ui/desktop/Desktop.h"

#include <QPoint>
#include <QWidget>

#include <filesystem>
#include <system_error>
#include <utility>

namespace {

const char* const kCategory = "CPreviewPaneUI";
const wchar_t* const kBackground = L"file='preview\\bk_preview.png'";
const wchar_t* const kAudioBackground = L"file='preview\\bk_preview2.png'";

// Buttons that report a usage action (code) before they act.
struct SButtonAction {
    const wchar_t* name;
    int code;
};
const SButtonAction kButtonActions[] = {
    {L"ID_BUTTON_PREVIEW_PLAY", 160},    {L"ID_BUTTON_PREVIEW_STOP", 161},  {L"ID_BUTTON_PREVIEW_PAUSE", 162},
    {L"ID_BUTTON_PREVIEW_SNAPSHOT", 163}, {L"ID_BUTTON_MEDIA_TO_PLAYWND", 166}, {L"ID_BUTTON_PREVIEW_CLIP", 164},
    {L"ID_BUTTON_PREVIEW_EFFECT", 165},
};

bool IsWebSource(const std::wstring& path)
{
    return path.compare(0, 7, L"http://") == 0 || path.compare(0, 8, L"https://") == 0;
}

bool HasVideo(IVXMMedia* media)
{
    for (int i = 0; i < media->GetVideoStreamCount(); ++i) {
        IVXMVideo* video = media->GetVideoStreamAt(i);
        if (video && video->GetFrameRate() > 0) return true;
    }
    return false;
}

void Enable(CControlUI* control, bool enable)
{
    if (control) control->SetEnabled(enable);
}

void Show(CControlUI* control, bool show)
{
    if (control) control->SetVisible(show);
}

}  // namespace

float PreviewSeekSeconds(int value, int startMs, int endMs, int durationMs)
{
    const long long v = value;
    if (endMs != 0) return static_cast<float>((startMs + v * (static_cast<long long>(endMs) - startMs) / 1000) / 1000.0);
    return static_cast<float>((static_cast<long long>(durationMs) * v / 1000) / 1000.0);
}

std::wstring SnapshotCountText(int count)
{
    if (count <= 0) return std::wstring();
    if (count > 9) return L"9+";
    return std::to_wstring(count);
}

CPreviewPaneUI::CPreviewPaneUI(CPaintManagerUI* manager) : m_manager(manager) {}

CPreviewPaneUI::~CPreviewPaneUI()
{
    // The media may be gone already (the list goes first); a media object
    // stops its own player when it is released, and the pixels it draws
    // into outlive this pane.
    if (m_manager) m_manager->RemoveNotifier(this);
}

void* CPreviewPaneUI::GetInterface(const std::wstring& name)
{
    if (name == L"PreviewPane") return this;
    return CVerticalLayoutUI::GetInterface(name);
}

CControlUI* CPreviewPaneUI::CreateControl(const std::wstring& name)
{
    if (name == L"MediaPreview") return new CMediaPreviewUI;
    return nullptr;
}

CControlUI* CPreviewPaneUI::Find(const wchar_t* name) const
{
    return m_manager ? m_manager->FindSubControlByName(const_cast<CPreviewPaneUI*>(this), name) : nullptr;
}

void CPreviewPaneUI::LoadLayout()
{
    if (m_preview) return;
    CDialogBuilder builder;
    CControlUI* root = builder.Create(L"pane_preview.xml", {}, this, m_manager);
    if (!root) {
        LogInfo(kCategory, "The preview pane's skin could not be built");
        return;
    }
    if (!Add(root)) {
        delete root;
        return;
    }
    if (m_manager) m_manager->AddNotifier(this);
    m_preview = dynamic_cast<CMediaPreviewUI*>(Find(L"ID_MEDIA_PREVIEW"));
    m_position = dynamic_cast<CSliderUI*>(Find(L"ID_SLIDER_PREVIEW"));
    m_volumeSlider = dynamic_cast<CSliderUI*>(Find(L"ID_SLIDER_PREVIEW_VOLUME"));
    // The buttons, each run on its press.
    static const std::pair<CControlUI* CPreviewPaneUI::*, const wchar_t*> kButtons[] = {
        {&CPreviewPaneUI::m_play, L"ID_BUTTON_PREVIEW_PLAY"},
        {&CPreviewPaneUI::m_stop, L"ID_BUTTON_PREVIEW_STOP"},
        {&CPreviewPaneUI::m_pause, L"ID_BUTTON_PREVIEW_PAUSE"},
        {&CPreviewPaneUI::m_snapshot, L"ID_BUTTON_PREVIEW_SNAPSHOT"},
        {&CPreviewPaneUI::m_snapshotMenuButton, L"ID_BUTTON_PREVIEW_SNAPSHOT_MENU"},
        {&CPreviewPaneUI::m_muteOn, L"ID_BUTTON_PREVIEW_MUTE_ON"},
        {&CPreviewPaneUI::m_muteOff, L"ID_BUTTON_PREVIEW_MUTE_OFF"},
        {&CPreviewPaneUI::m_toPlayer, L"ID_BUTTON_MEDIA_TO_PLAYWND"},
        {&CPreviewPaneUI::m_clip, L"ID_BUTTON_PREVIEW_CLIP"},
        {&CPreviewPaneUI::m_effect, L"ID_BUTTON_PREVIEW_EFFECT"},
    };
    for (const auto& [member, name] : kButtons) {
        this->*member = Find(name);
        if (CControlUI* button = this->*member) button->OnEvent += MakeDelegate(this, &CPreviewPaneUI::OnButtonEvent);
    }
    if (m_position) {
        m_position->SetMinValue(0);
        m_position->SetMaxValue(1000);
        m_position->SetValue(0);
        m_position->OnNotify += MakeDelegate(this, &CPreviewPaneUI::OnSliderNotify);
    }
    if (m_volumeSlider) {
        m_volumeSlider->SetMinValue(0);
        m_volumeSlider->SetMaxValue(100);
        m_volumeSlider->SetValue(m_volume);
        m_volumeSlider->OnNotify += MakeDelegate(this, &CPreviewPaneUI::OnSliderNotify);
    }
    SetPlayState(PREVIEW_NO_MEDIA);
    UpdateSnapshotButton();
}

void CPreviewPaneUI::SetBackground(const std::wstring& image)
{
    if (m_preview) m_preview->SetBkImage(image);
}

void CPreviewPaneUI::SetMedia(IVXMMedia* media)
{
    SetBackground(kBackground);
    if (m_state == PREVIEW_PLAYING || m_state == PREVIEW_PAUSED) {
        if (m_media) {
            m_media->StopPreview();
            m_state = PREVIEW_STOPPED;
        } else {
            m_state = PREVIEW_NO_MEDIA;
        }
        if (m_preview) m_preview->ClearPicture();
    }
    m_media = media;
    SetPlayState(media ? PREVIEW_STOPPED : PREVIEW_NO_MEDIA);
}

void CPreviewPaneUI::Play(IVXMMedia* media)
{
    if (media) m_media = media;
    if (!m_media) {
        SetPlayState(PREVIEW_NO_MEDIA);
        return;
    }
    if (m_state == PREVIEW_PLAYING) return;
    if (m_state == PREVIEW_PAUSED) {
        m_media->TogglePreviewPause();
    } else {
        if (!m_preview) return;
        // The player takes the picture's size when it starts.
        if (m_manager && m_preview->GetWidth() <= 0) m_manager->UpdateLayout();
        HWND window = m_preview->GetPreviewWindow();
        if (!window) window = m_preview->CreatePreviewWindow();
        m_media->SetPreviewWindow(window);
        m_media->SetPreviewVolume(m_muted ? 0 : m_volume);
        if (m_media->StartPreview(window) != 0) {
            LogInfoW(kCategory, L"The preview of %ls did not start", m_media->GetSourcePath().c_str());
            m_preview->DestroyPreviewWindow();
            SetPlayState(PREVIEW_STOPPED);
            return;
        }
        m_volumePending = true;
    }
    SetPlayState(PREVIEW_PLAYING);
}

void CPreviewPaneUI::Stop()
{
    if (!m_media) {
        SetPlayState(PREVIEW_NO_MEDIA);
        return;
    }
    m_media->StopPreview();
    if (m_preview) m_preview->ClearPicture();
    SetPlayState(PREVIEW_STOPPED);
}

void CPreviewPaneUI::PauseIfPlaying()
{
    if (!m_media || m_state != PREVIEW_PLAYING) return;
    m_media->TogglePreviewPause();
    SetPlayState(PREVIEW_PAUSED);
}

bool CPreviewPaneUI::HandOver(IVXMMedia*& media, float& seconds)
{
    if (!m_media || (m_state != PREVIEW_PLAYING && m_state != PREVIEW_PAUSED)) return false;
    seconds = m_media->GetPreviewPosition();
    media = m_media;
    Stop();
    return true;
}

void CPreviewPaneUI::SetPlayState(int state)
{
    if (!m_media) {
        // Nothing to play: every control rests.
        m_state = PREVIEW_NO_MEDIA;
        if (m_position) m_position->SetValue(0);
        for (CControlUI* c : {static_cast<CControlUI*>(m_position), static_cast<CControlUI*>(m_volumeSlider), m_play,
                              m_stop, m_pause, m_snapshot, m_toPlayer, m_clip, m_effect})
            Enable(c, false);
        Show(m_play, true);
        Show(m_pause, false);
        return;
    }
    if (IsWebSource(m_media->GetSourcePath())) return;
    const bool hasVideo = HasVideo(m_media);
    const bool playing = state == PREVIEW_PLAYING;
    const bool converting = m_media->GetConvertState() == 1;
    m_state = state;
    if ((state == PREVIEW_NO_MEDIA || state == PREVIEW_STOPPED) && m_position) m_position->SetValue(0);
    // Paused, the position still moves: the picture of the new place shows.
    Enable(m_position, playing || state == PREVIEW_PAUSED);
    Enable(m_volumeSlider, playing);
    Enable(m_play, !playing && !converting);
    Enable(m_stop, playing);
    Enable(m_pause, playing);
    Enable(m_snapshot, hasVideo && playing);
    Enable(m_toPlayer, hasVideo && playing);
    if (!hasVideo) {
        const std::wstring thumbnail = m_media->GetThumbnailPath();
        SetBackground(IsExistingFile(thumbnail) ? L"file='" + thumbnail + L"'" : std::wstring(kAudioBackground));
    }
    Show(m_play, !playing);
    Show(m_pause, playing);
    if (state == PREVIEW_NO_MEDIA) Enable(m_play, false);
    if (state == PREVIEW_PAUSED) Enable(m_stop, true);
    const bool editable = state != PREVIEW_NO_MEDIA && !converting;
    Enable(m_clip, editable);
    Enable(m_effect, editable && hasVideo);
    SetMuteButtons(m_muted);
    if (m_media->IsProtected()) {
        for (CControlUI* c : {m_play, m_clip, m_effect, m_muteOff, m_muteOn}) Enable(c, false);
    }
}

void CPreviewPaneUI::SetMuteButtons(bool muted)
{
    Show(m_muteOn, !muted);
    Enable(m_muteOn, !muted);
    Show(m_muteOff, muted);
    Enable(m_muteOff, muted);
}

void CPreviewPaneUI::SetMute(bool mute)
{
    m_muted = mute;
    if (m_media && m_state == PREVIEW_PLAYING) m_media->SetPreviewVolume(mute ? 0 : m_volume);
    if (m_volumeSlider) m_volumeSlider->SetValue(mute ? 0 : m_volume);
    SetMuteButtons(mute);
}

void CPreviewPaneUI::Seek(int value)
{
    // Paused, the player shows the picture of the new place and stays paused.
    if (m_media)
        m_media->SeekPreview(PreviewSeekSeconds(value, m_media->GetStartTime(), m_media->GetEndTime(),
                                                m_media->GetDuration()));
}

void CPreviewPaneUI::TakeSnapshot()
{
    if (m_media && m_media->GetVideoStreamIndex() >= 0) {
        m_media->TakeSnapshot(CVXMSettings::GetInstance()->SnapshotFolder, 1);
        ++m_snapshots;
    }
    UpdateSnapshotButton();
}

void CPreviewPaneUI::UpdateSnapshotButton()
{
    auto* button = dynamic_cast<CButtonUI*>(m_snapshot);
    if (!button) return;
    button->SetNormalImage(m_snapshots > 0 ? L"preview\\btn_snapshot_count.png" : L"preview\\btn_snapshot.png");
    button->SetText(SnapshotCountText(m_snapshots));
}

void CPreviewPaneUI::ShowSnapshotMenu()
{
    CMenu* menu = m_snapshotMenu ? m_snapshotMenu() : nullptr;
    if (!menu || !m_snapshotMenuButton || !m_manager) return;
    menu->Enable(ID_TAKE_SNAPSHOT, m_media && m_state != PREVIEW_STOPPED);
    const RECT& rc = m_snapshotMenuButton->GetPos();
    QPoint global(rc.left, rc.bottom);
    HWND window = m_manager->GetPaintWindow();
    if (CWindowWnd* wnd = CWindowWnd::FromHandle(window); wnd && wnd->GetWidget())
        global = wnd->GetWidget()->mapToGlobal(global);
    int x = global.x();
    if (Desktop().screens) x = ClampPopupX(Desktop().screens->List(), x, global.y());
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, global.y(), window);
}

void CPreviewPaneUI::StopForHandOver()
{
    if (m_media) {
        m_media->StopPreview();
        if (m_preview) m_preview->ClearPicture();
        SetPlayState(PREVIEW_STOPPED);
    } else {
        SetPlayState(PREVIEW_NO_MEDIA);
    }
}

void CPreviewPaneUI::OnButtonDown(CControlUI* button)
{
    const std::wstring& name = button->GetName();
    for (const SButtonAction& a : kButtonActions)
        if (name == a.name) SendUsageAction(32, a.code);
    if (button == m_play) {
        Play(nullptr);
    } else if (button == m_stop) {
        Stop();
    } else if (button == m_pause) {
        if (m_media) m_media->TogglePreviewPause();
        SetPlayState(PREVIEW_PAUSED);
    } else if (button == m_muteOn) {
        SetMute(true);
    } else if (button == m_muteOff) {
        SetMute(false);
    } else if (button == m_snapshot) {
        TakeSnapshot();
    } else if (button == m_snapshotMenuButton) {
        ShowSnapshotMenu();
    } else if (button == m_toPlayer) {
        // The position travels by value, in milliseconds.
        IVXMMedia* media = m_media;
        const float seconds = media ? media->GetPreviewPosition() : 0.0f;
        StopForHandOver();
        if (m_manager)
            m_manager->SendNotify(this, L"add_to_player", reinterpret_cast<WPARAM>(media),
                                  static_cast<LPARAM>(seconds * 1000.0f + 0.5f));
    } else if (button == m_clip || button == m_effect) {
        Stop();
        if (m_manager) m_manager->SendNotify(this, button == m_clip ? L"item_clip" : L"item_effect", 0, 0);
    }
}

bool CPreviewPaneUI::OnButtonEvent(void* param)
{
    auto* event = static_cast<TEventUI*>(param);
    if (event->Type == UIEVENT_BUTTONDOWN && event->pSender && event->pSender->IsEnabled())
        OnButtonDown(event->pSender);
    return true;
}

bool CPreviewPaneUI::OnSliderNotify(void* param)
{
    auto* msg = static_cast<TNotifyUI*>(param);
    if (msg->pSender == m_position && msg->sType == L"valuechanged") {
        Seek(m_position->GetValue());
    } else if (msg->pSender == m_volumeSlider && (msg->sType == L"valuechanged" || msg->sType == L"valuechanging")) {
        m_volume = m_volumeSlider->GetValue();
        // While muted only the stored volume changes.
        if (m_muted) {
            SetMute(true);
        } else if (m_media) {
            m_media->SetPreviewVolume(m_volume);
        }
    }
    return true;
}

void CPreviewPaneUI::Notify(TNotifyUI& msg)
{
    if (msg.sType == L"playfinished" && m_preview && msg.pSender == m_preview) {
        // A run that ended before the current one started says nothing of it.
        auto* finished = reinterpret_cast<IVXMMedia*>(msg.lParam);
        if (m_media && (finished != m_media || m_media->GetPreviewState() != 0)) return;
        m_preview->DestroyPreviewWindow();
        SetPlayState(m_media ? PREVIEW_STOPPED : PREVIEW_NO_MEDIA);
    } else if (msg.sType == L"poschanged" && m_preview && msg.pSender == m_preview) {
        if (m_volumePending && m_media) {
            // The player takes events only once it runs.
            m_volumePending = false;
            m_media->SetPreviewVolume(m_muted ? 0 : m_volume);
        }
        if (m_position && !m_position->IsDragging()) m_position->SetValue(static_cast<int>(msg.wParam));
    } else if ((msg.sType == L"transstarted" || msg.sType == L"transfinished") && m_media &&
               msg.wParam == reinterpret_cast<WPARAM>(m_media)) {
        SetPlayState(m_state);
    }
}
