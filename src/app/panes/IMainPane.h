// What the main window asks of its panes. The converter and the burner page
// each hold a media pane; the player page holds the player pane. Every call
// runs on the UI thread.
#pragma once
#include "platform/types.h"
#include <string>

class CControlUI;
class CMenu;
class IVXMDiscFile;
class IVXMDVDFile;
class IVXMMedia;

// What a row made from a cue sheet's track shows besides its media.
struct CCueRowInfo {
    std::wstring performer;
    std::wstring album;
    std::wstring title;
    std::wstring trackNumber;  // decimal: the sheet's TRACK number
    std::wstring year;         // the sheet's REM DATE; empty: none
    std::wstring genre;        // the sheet's REM GENRE; empty: none
};

class IMainPane {
public:
    virtual ~IMainPane() = default;
    // 0 converter, 1 burner.
    virtual int GetMode() const = 0;
    virtual void LoadLayout() = 0;
    // True when one of the pane's rows holds the media.
    virtual bool HoldsMedia(IVXMMedia* media) const = 0;
    // A media the engine loaded: a new row at `position` (-1 the end).
    virtual void AddMedia(IVXMMedia* media, short position, unsigned short flags) = 0;
    // The row of the media was started; the merge buttons are disabled.
    virtual void OnConversionStarted(IVXMMedia* media) = 0;
    // Progress of the media's row in tenths of a percent.
    virtual void SetProgress(IVXMMedia* media, int permille) = 0;
    // The media's conversion ended; false when no row holds it, or when the
    // row ends later (its output is getting its tags; the pane then counts
    // the converted entry itself). On true, `profileName` is the profile the
    // row converted to.
    virtual bool OnJobFinished(int result, IVXMMedia* media, std::wstring& profileName) = 0;
    // The media went into a joined file: its row goes.
    virtual void RemoveMedia(IVXMMedia* media) = 0;
    virtual bool IsConverting() const = 0;
    // Stops every converting row.
    virtual void StopAll() = 0;
    // The pane's own timer (id 100).
    virtual void OnTimerTick() = 0;
    // Rows taken from a drive that was removed ("E:").
    virtual void RemoveDriveRows(const std::wstring& drive) = 0;
    // Counts one converted entry in the media manager (converter pane).
    virtual void AddConvertedEntry(const std::wstring& profileName) = 0;
    // Counts one downloaded entry under its site in the media manager.
    virtual void AddDownloadedEntry(const std::wstring& siteName) {}
    // Imports a cue sheet.
    virtual void ImportCue(const std::wstring& path) = 0;
    // Burner pane: true when a burn may start now.
    virtual bool CheckBurn() = 0;
    // The media's clips changed: its child segment rows are built again.
    virtual void RebuildSegments(IVXMMedia* media) = 0;
    // The media's effects changed: its row's effect mark is refreshed.
    virtual void RefreshEffectMark(IVXMMedia* media) = 0;
    // Converter pane: the media manager selects its first entry.
    virtual void SelectFirstManagerEntry() = 0;
    // Burner pane: a burn is running.
    virtual bool IsBurning() const = 0;
    // A disc arrived in the drive (device, mount point): the pane opens it.
    virtual void OpenInsertedDisc(const std::wstring& device, const std::wstring& mountPoint) = 0;
    // Burner pane: both disc-size fields, then the disc-size meter again.
    virtual void SetDiscSize(int size) = 0;
    // The profile chooser's choice (WM_VXM_PROFILE_SELECTED's wParam and lParam).
    virtual void OnProfileSelected(WPARAM, LPARAM) {}

    // ---- the main window's commands, menus and notifications ----
    // Join (true) or unjoin all rows: the merge buttons and the list's join mode.
    virtual void ShowMergeButtons(bool) {}
    // Starts the checked rows; false when none started.
    virtual bool ConvertAll() { return false; }
    // An edit or media-manager menu command: the media manager's handler on
    // its tab, else the list's.
    virtual void OnListCommand(UINT) {}
    // Enables the entries of the row context menu ("_MEDIA_LIST_", or "_MEDIAMAN_" when `mediaManager`).
    virtual void PrepareListMenu(CMenu&, bool /*mediaManager*/) {}
    // Where a point of the window (client coordinates) lies: 0 elsewhere,
    // 1 the list tab area, 2 the media-manager list.
    virtual int ContextArea(POINT) const { return 0; }
    virtual void JoinSelected() {}
    // The preview takes a snapshot.
    virtual void TakeSnapshot() {}
    // Rows were added or removed: the join toolbar and the preview follow.
    virtual void RefreshListState() {}
    // A row of the pane got another profile: the pane's editors show it.
    virtual void ShowRowProfile(CControlUI*) {}
    // The checked or selected rows changed.
    virtual void RefreshSelection(bool /*withPreview*/) {}
    // The media plays in the preview unless it converts.
    virtual void PlayInPreview(IVXMMedia*) {}
    // A conversion started: the join control and the merge buttons are disabled.
    virtual void OnTransStarted() {}
    // Burner pane: the disc-size meter again.
    virtual void UpdateDiscSizeMeter() {}
    // A history category was chosen in the pane's category list.
    virtual void OnHistoryCategory(int) {}
    // The pane's "shut down when done" check box.
    virtual bool IsShutdownChecked() const { return false; }
    // The right column is shown or hidden; the preview pauses while hidden.
    virtual void SetRightColumnShown(bool) {}
    // A playing or paused preview stops and gives its media and position
    // (seconds) to the player; false when none plays.
    virtual bool HandPreviewToPlayer(IVXMMedia*& /*media*/, float& /*seconds*/) { return false; }

    // ---- adding media ----
    // Rows for the titles of an opened DVD / the tracks of an audio CD; false
    // (and an error box) when there is none.
    virtual bool AddDVDTitles(IVXMDVDFile*) { return false; }
    virtual bool AddCDTitles(IVXMDiscFile*) { return false; }
    // Removes the DVD-title and CD-track rows taken from the path (see
    // IsPathOfRow in MediaFolders.h); true when one went.
    virtual bool RemoveRowsOfPath(const std::wstring&) { return false; }
    // A row at the end for one track of a cue sheet (the pane takes the media).
    virtual bool AddCueTrackRow(IVXMMedia* track, const CCueRowInfo&)
    {
        AddMedia(track, -1, 0);
        return true;
    }
    // The list tab shows the list (tab 1).
    virtual void ShowListTab() {}
    // The output folder setting changed: the pane's folder field follows.
    virtual void OnOutputFolderChanged() {}
};

// What a media pane asks of the window that holds it.
class IPaneHost {
public:
    virtual ~IPaneHost() = default;
    // The converter page's pane.
    virtual IMainPane* GetMainPane() const = 0;
    // The status bar's text; its tooltip is the text, else `tip`.
    virtual void ShowStatusMessage(const std::wstring& text, const std::wstring& tip = {}) = 0;
    // A first-use hint ("ID_CON_FIRSTAID_...") is dismissed for good.
    virtual void HideFirstAid(const wchar_t* content) = 0;
    // The copy of the menu file the window's popups come from (null when it did not load).
    virtual CMenu* GetMenus() const = 0;
    // The window's place on the screen; false while it has no window.
    virtual bool GetScreenRect(RECT& rect) const = 0;
};

class IPlayerPane {
public:
    virtual ~IPlayerPane() = default;
    virtual void LoadLayout() = 0;
    virtual void LinkPane(IMainPane* pane) = 0;
    // 0 stopped, 1 playing, 2 paused.
    virtual int GetState() const = 0;
    virtual void StopAndReset() = 0;
    virtual void OnPlayerEvent(WPARAM code, LPARAM value) = 0;
    // The drive was removed: the player stops when it plays from it.
    virtual void OnDriveRemoved(const std::wstring& device, const std::wstring& mountPoint) = 0;

    // ---- commands of the player's menu ----
    virtual void OpenFiles() {}
    virtual void OpenDVDFolder() {}
    virtual void OpenDVDDrive() {}
    virtual void OpenDVDImage() {}
    // A dropped file plays now / joins the play list.
    virtual void OpenFile(const std::wstring&) {}
    // Plays a media of another page from a position (seconds): a file as
    // it is, a DVD title from its disc, a CD track from its drive.
    virtual void PlayMedia(IVXMMedia*, double) {}
    virtual void AddToPlaylist(const std::wstring&) {}
    virtual void TogglePlaylist() {}
    virtual void AddToConverter() {}
    virtual void Play() {}
    virtual void Pause() {}
    virtual void Stop() {}
    virtual void ToggleFullScreen() {}
    virtual void ToggleAlwaysOnTop() {}
    virtual void Seek(int /*seconds*/) {}
    // 0.0 fits the window.
    virtual void SetZoom(double) {}
    virtual void SetAspectRatio(double) {}
    // The fixed-ratio flag: set by a chosen ratio, cleared by "Auto".
    virtual void SetFixedRatio(bool) {}
    // The playing video's size; false when nothing plays.
    virtual bool GetVideoSize(int& width, int& height) const
    {
        width = height = 0;
        return false;
    }
    // A slave command to the running player; false when no player runs.
    virtual bool SendPlayerCommand(const std::string&) { return false; }
    virtual void SetDeinterlace(int) {}
    virtual void SetVideoOutput(int) {}
    virtual void SetRotation(int) {}
    virtual bool IsMuted() const { return false; }
    virtual void SetMute(bool) {}
    virtual void SetAudioChannels(int) {}
    virtual void SelectAudioByIndex(int) {}
    // -1: no subtitle.
    virtual void SelectSubtitleByIndex(int) {}
    virtual void LoadSubtitleFile() {}
    virtual void SelectTitleByIndex(int) {}
    // Fills and enables the player's context menu before it opens.
    virtual void PreparePlayerMenu(CMenu&) {}
    // The main window's player menu, which the pane opens parts of (not owned).
    virtual void SetPlayerMenu(CMenu*) {}
    virtual void PlayPrevious() {}
    virtual void PlayNext() {}
    // DVD navigation: the disc's main menu.
    virtual void ShowDvdMenu() {}
};
