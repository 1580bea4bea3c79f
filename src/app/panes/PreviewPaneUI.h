// The preview pane beside the conversion list: plays the selected media
// through the engine's preview player into its picture, with play, pause,
// stop, a position slider within the trim, volume and mute, snapshots, and
// buttons that hand the media to the player page or open the clip and
// effect editors.
#pragma once
#include "ui/UILib.h"

#include <functional>
#include <string>

class CMediaPreviewUI;
class CMenu;
class CSliderUI;
class IVXMMedia;

// Play states of the pane.
enum EPreviewState : int {
    PREVIEW_NO_MEDIA = 0,
    PREVIEW_PLAYING = 1,
    PREVIEW_PAUSED = 2,
    PREVIEW_STOPPED = 3,
};

// Seconds the position slider (0..1000) stands for within the media's trim;
// milliseconds throughout, no overflow on long clips.
float PreviewSeekSeconds(int value, int startMs, int endMs, int durationMs);
// Text of the snapshot button after `count` snapshots: "", "1".."9", "9+".
std::wstring SnapshotCountText(int count);

class CPreviewPaneUI : public CVerticalLayoutUI, public INotifyUI, public IDialogBuilderCallback {
public:
    explicit CPreviewPaneUI(CPaintManagerUI* manager);
    ~CPreviewPaneUI() override;

    std::wstring GetClass() const override { return L"PreviewPaneUI"; }
    void* GetInterface(const std::wstring& name) override;
    CControlUI* CreateControl(const std::wstring& name) override;
    void Notify(TNotifyUI& msg) override;

    // The "_SNAPSHOT_" popup, asked for when the menu button is pressed.
    void SetSnapshotMenu(std::function<CMenu*()> menu) { m_snapshotMenu = std::move(menu); }
    void LoadLayout();
    void SetMedia(IVXMMedia* media);
    void Play(IVXMMedia* media);
    void Stop();
    void SetPlayState(int state);
    void Seek(int value);
    void SetMute(bool mute);
    void TakeSnapshot();
    // The pane's picture control.
    CMediaPreviewUI* GetPreviewControl() const { return m_preview; }
    IVXMMedia* GetMedia() const { return m_media; }
    int GetPlayState() const { return m_state; }
    int GetVolume() const { return m_volume; }
    bool IsMuted() const { return m_muted; }
    int GetSnapshotCount() const { return m_snapshots; }
    // Pauses a playing preview (the column went out of sight).
    void PauseIfPlaying();
    // Stops a playing or paused preview and gives its media and position.
    bool HandOver(IVXMMedia*& media, float& seconds);

private:
    CControlUI* Find(const wchar_t* name) const;
    bool OnButtonEvent(void* param);
    bool OnSliderNotify(void* param);
    void OnButtonDown(CControlUI* button);
    void UpdateSnapshotButton();
    void ShowSnapshotMenu();
    void SetBackground(const std::wstring& image);
    void StopForHandOver();
    void SetMuteButtons(bool muted);

    CPaintManagerUI* m_manager = nullptr;
    std::function<CMenu*()> m_snapshotMenu;
    CMediaPreviewUI* m_preview = nullptr;
    CSliderUI* m_position = nullptr;
    CSliderUI* m_volumeSlider = nullptr;
    CControlUI* m_play = nullptr;
    CControlUI* m_stop = nullptr;
    CControlUI* m_pause = nullptr;
    CControlUI* m_snapshot = nullptr;
    CControlUI* m_snapshotMenuButton = nullptr;
    CControlUI* m_muteOn = nullptr;
    CControlUI* m_muteOff = nullptr;
    CControlUI* m_toPlayer = nullptr;
    CControlUI* m_clip = nullptr;
    CControlUI* m_effect = nullptr;
    IVXMMedia* m_media = nullptr;
    int m_state = PREVIEW_NO_MEDIA;
    int m_volume = 50;
    bool m_muted = false;
    int m_snapshots = 0;
    bool m_volumePending = false;  // the volume goes to the player once it runs
};
