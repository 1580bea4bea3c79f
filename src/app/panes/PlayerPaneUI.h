// The player page: the media player drawing into the video window, the
// position slider, the toolbar and the play list. It starts the player for
// the current entry, follows its answers, polls the position every 400 ms
// while playing and applies the play mode at the end of each file.
#pragma once
#include "CmdMplayer.h"
#include "IMainPane.h"
#include "MediaPlayerUI.h"
#include "PlayerCommandLine.h"
#include "PlayerFolderScan.h"
#include "PlayerPlaylist.h"
#include "WaitCursor.h"
#include "platform/thread.h"
#include "ui/UIContainer.h"
#include "ui/UIManager.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CDisableScreenSave;
class CListUI;
class CSliderUI;
class CComboUI;

enum EPlayState { PLAY_STATE_IDLE = 0, PLAY_STATE_PLAYING, PLAY_STATE_PAUSED, PLAY_STATE_STOPPED };

class CPlayerPaneUI : public CVerticalLayoutUI, public INotifyUI, public IDialogBuilderCallback, public IPlayerPane {
public:
    static constexpr UINT kPositionTimer = 101;

    explicit CPlayerPaneUI(CPaintManagerUI* manager);
    ~CPlayerPaneUI() override;

    std::wstring GetClass() const override { return L"PlayerPaneUI"; }
    void* GetInterface(const std::wstring& name) override;
    void DoInit() override;
    void DoEvent(TEventUI& event) override;
    void Notify(TNotifyUI& msg) override;
    CControlUI* CreateControl(const std::wstring& name) override;

    // ---- what the main window asks ----
    void LoadLayout() override;
    void LinkPane(IMainPane*) override {}
    int GetState() const override;
    void StopAndReset() override { StopPlayback(); }
    void OnPlayerEvent(WPARAM code, LPARAM value) override;
    void OnDriveRemoved(const std::wstring& device, const std::wstring& mountPoint) override;
    void OpenFiles() override;
    void OpenDVDFolder() override;
    void OpenDVDDrive() override;
    // Asks which drive to play from (empty: none chosen); set by the window that holds the pane.
    void SetDriveChooser(std::function<std::wstring(HWND)> chooser) { m_chooseDrive = std::move(chooser); }
    void OpenDVDImage() override;
    void OpenFile(const std::wstring& path) override { OpenAndPlay(path, 0.0); }
    void AddToPlaylist(const std::wstring& path) override { AddDroppedFile(path); }
    void TogglePlaylist() override;
    void AddToConverter() override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    void ToggleFullScreen() override;
    void ToggleAlwaysOnTop() override;
    void Seek(int seconds) override { Seek(seconds, 0); }
    void SetZoom(double factor) override;
    void SetAspectRatio(double ratio) override;
    // "Auto" clears the chosen ratio.
    void SetFixedRatio(bool fixed) override;
    bool GetVideoSize(int& width, int& height) const override;
    // A ratio sent this way is kept as the chosen one.
    bool SendPlayerCommand(const std::string& text) override;
    // Menu positions of the deinterlace and rotation entries.
    void SetDeinterlace(int position) override;
    void SetVideoOutput(int mode) override;
    void SetRotation(int position) override;
    bool IsMuted() const override { return Muted; }
    void SetMute(bool on) override;
    void SetAudioChannels(int mode) override;
    void SelectAudioByIndex(int index) override;
    void SelectSubtitleByIndex(int index) override;
    void LoadSubtitleFile() override;
    void SelectTitleByIndex(int index) override { SelectTitle(index); }
    void PreparePlayerMenu(CMenu& menu) override { UpdatePlayerMenu(&menu); }
    void SetPlayerMenu(CMenu* menu) override { PlayerMenu = menu; }

    // ---- playback ----
    bool Start();
    // Stops the player; false when nothing played.
    bool StopPlayback();
    void OpenAndPlay(const std::wstring& path, double startSeconds);
    void AddDroppedFile(const std::wstring& path);
    void PlayEntry(int index);
    void PlayPrevious() override;
    void PlayNext() override;
    void ShowDvdMenu() override { DvdMenu(); }
    void RemoveSelectedEntry();
    void ClearPlaylist();
    // A folder without a DVD structure: its media files are gathered off the
    // UI thread (the window keeps painting), then they play.
    void OpenMediaFolder(const std::wstring& folder);
    bool IsScanning() const { return m_scanning; }
    // Called on the walk's thread before each folder it reads (tests hold the walk there).
    void SetFolderWalkHookForTesting(FolderEnteredFn hook) { m_folderWalkHook = std::move(hook); }
    void PlayDisc(const std::wstring& source);
    void PlayMedia(IVXMMedia* media, double startSeconds) override;
    // The "Open" entries of the player menu at the open-menu button.
    void ShowOpenMenu();

    // ---- slave commands (false when no player runs) ----
    bool SetVolume(int volume);
    bool Seek(int value, int type);
    bool TogglePause();
    bool RemoveSubtitles();
    bool SelectSubtitleFile(int id);
    bool LoadSubtitleFile(const std::wstring& path);
    bool SelectAudio(int id);
    bool SelectSubtitle(int id);
    bool SelectTitle(int position);
    bool DvdMenu();
    bool FrameStep();
    bool SetAspectRatioMode(int mode);
    bool SetMousePosition(int x, int y);
    bool DvdMenuClick();

    // Mode setters that restart a playing file.
    void SetRotationMode(int mode);
    void SetDeinterlaceMode(int mode);
    void SetVideoOutputMode(int mode);
    void SetChannelMode(int mode);

    void UpdatePlayerMenu(CMenu* menu = nullptr);
    void UpdatePositionDisplay();
    void SetFullScreen(bool on);

    // Output drivers the player uses in place of the usual ones (tests).
    void SetOutputDriversForTesting(std::wstring video, std::wstring audio);
    CCmdMplayer* GetPlayer() const { return Player.get(); }
    CMediaPlayerUI* GetPlayerControl() const { return m_mediaPlayer; }
    CPlayerPlaylist& GetPlaylist() { return Playlist; }

    // ---- state ----
    std::unique_ptr<CCmdMplayer> Player;
    int PlayState = PLAY_STATE_IDLE;
    int Volume = 50;
    bool Muted = false;
    bool SeekPending = false;
    bool LoadingShown = false;
    std::wstring CurrentPath;
    std::vector<std::wstring> PendingFiles;
    CPlayerPlaylist Playlist;
    bool IsDisc = false;
    int VideoOutputMode = PLAYER_VO_X11;
    int ChannelMode = 0;
    bool RestartPending = false;
    bool UseFullScreenOption = true;
    int RotateMode = -1;
    int DeinterlaceMode = 0;
    int PlayMode = PLAY_MODE_SEQUENTIAL;
    double ZoomFactor = 0.0;
    double LengthSeconds = 0.0;
    double PositionSeconds = 0.0;
    bool InDvdMenu = false;
    int AspectMode = 0;
    int VideoWidth = 0, VideoHeight = 0;
    int AudioId = -1;
    int SubtitleId = -2;
    int CurrentDvdTitle = -1;
    bool AlwaysOnTop = false;
    bool Zoomed = false;
    RECT SavedWindowSize{};
    std::wstring DiscDevice;
    bool PlaylistShown = false;
    CMenu* PlayerMenu = nullptr;

private:
    // A button whose press (not release) runs its action; `running` is true
    // while something plays or pauses.
    struct CButtonAction {
        const wchar_t* name;
        void (*run)(CPlayerPaneUI& pane, bool running);
    };
    static const CButtonAction kButtonActions[];

    CControlUI* Find(const wchar_t* name) const;
    bool OnButtonEvent(void* param);
    void RunButton(const std::wstring& name);
    void SeekByCombo(bool forward);
    void AddPendingToPlaylist();
    void AddPlaylistRow(int index);
    void SelectRow(int index);
    void ResetMediaInfo();
    // The slider and the time label at the last position the player told.
    void ShowPosition();
    // The picture's shape the video window keeps, from what the player told.
    void UpdatePictureShape();
    void OnFolderScanned(std::vector<std::wstring> found);
    void SetPlayState(int state);
    void SetLoading(int state, bool shown, const std::wstring* text = nullptr);
    void OnEndOfFile();
    void LeaveFullScreen();
    void ApplyZoom();
    // Sets a mode the player starts with; a playing file restarts with it.
    // False when the mode was already set.
    bool ChangeMode(int& current, int mode);
    bool Send(const std::wstring& text);
    // Makes `id` the current stream of its kind; false when it already was.
    bool SwitchStream(int& current, int id, const std::wstring& command);
    // Stops the player and drops its answers still queued.
    void EndPlayer();
    HWND PaintWindow() const;

    CPaintManagerUI* m_paintManager = nullptr;
    CMediaPlayerUI* m_mediaPlayer = nullptr;
    CListUI* m_playlist = nullptr;
    CSliderUI* m_slider = nullptr;
    CSliderUI* m_volumeSlider = nullptr;
    CComboUI* m_playModeCombo = nullptr;
    CControlUI* m_sliderLayout = nullptr;
    CControlUI* m_toolbarLayout = nullptr;
    CControlUI* m_playlistLayout = nullptr;
    std::unique_ptr<CDisableScreenSave> m_screenSaverGuard;
    bool m_scanning = false;
    std::function<std::wstring(HWND)> m_chooseDrive;
    // The folder walk's thread and the target its result is posted to.
    CMessageThread m_scanThread;
    std::unique_ptr<CMessageWindow> m_scanTarget;
    std::unique_ptr<CWaitCursor> m_scanCursor;
    FolderEnteredFn m_folderWalkHook;
    int m_seekTicks = 0;
    std::wstring m_testVideoDriver;
    std::wstring m_testAudioDriver;
};
