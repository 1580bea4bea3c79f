// The program's one top-level window: three pages (converter, burner,
// player) built from its skin, and the place where the engine's and the
// workers' messages reach the panes.
#pragma once
#include "IMainPane.h"
#include "NotAddedNotice.h"
#include "ui/UILib.h"

#include <memory>
#include <string>
#include <vector>

class CDeviceNoticeForwarder;
struct CListedFolder;
class CDropTarget;
class CFormatRequestTicket;
class CMediaHandler;
class CMediaListUI;
class CModuleVersionCheck;
struct VXM_DOWNLOAD_RECORD;
class CMenu;
class CVXMSettings;
class IDropSink;

class CVXMMainFrameWnd : public WindowImplBase, public IPaneHost {
public:
    // `commandLineFile`: a file named on the command line (may be empty).
    explicit CVXMMainFrameWnd(std::wstring commandLineFile);
    ~CVXMMainFrameWnd() override;

    UINT GetClassStyle() const override { return CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS; }
    std::wstring GetSkinFolder() override { return L"skin"; }
    LRESULT ResponseDefaultKeyEvent(WPARAM) override { return 0; }
    CControlUI* CreateControl(const std::wstring& className) override;
    LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& handled) override;
    void InitWindow() override;
    void OnFinalMessage(HWND hwnd) override;
    void OnClick(TNotifyUI& msg) override;
    void Notify(TNotifyUI& msg) override;

    LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnNcHitTest(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

    // 0 converter, 1 burner, 2 player.
    void SelectPage(int page);
    int GetPage() const { return m_page; }
    IMainPane* GetActivePane() const;
    IMainPane* GetMainPane() const override { return m_mainPane; }
    IMainPane* GetBurnPane() const { return m_burnPane; }
    IPlayerPane* GetPlayerPane() const { return m_playerPane; }
    // Asks before closing while a row converts; on "Yes" every row of both
    // panes is stopped before the answer is given.
    bool CanClose();
    void ShowStatusMessage(const std::wstring& text, const std::wstring& tip = {}) override;
    const std::wstring& GetStatusText() const { return m_statusText; }
    // Names of the controls the window looks up in its skin.
    static const wchar_t* const* RequiredControlNames(int& count);
    // Longest wait for stopped rows to end when closing.
    static constexpr DWORD kStopWaitMs = 10000;

    // ---- commands, menus and notifications ----
    // A menu command; false when no entry of the command table holds it.
    bool OnCommand(UINT id);
    // The popup of the menu file at `position`, run under a control or at a point.
    UINT ShowPopup(int position, CControlUI* under);
    UINT ShowPopupAt(int position, POINT screenPt);
    // The row or player context menu at a point of the screen; false when none opens there.
    bool OnContextMenu(POINT screenPt);
    void CloseMainWindow();
    void ShowOptions();
    void OpenOutputFolder();
    // Both panes show the output folder setting again.
    void OutputFolderChanged();
    void HideFirstAid(const wchar_t* content) override;
    void OpenSnapshotFolder();
    CMenu* GetMenus() const override { return m_menus.get(); }
    bool GetScreenRect(RECT& rect) const override;

    // ---- adding media ----
    void AddFiles();
    void AddFolder();
    void AddDVDImage();
    void OpenDiscDrive();
    // The address dialog; its MP3 form downloads the sound only.
    void OpenURLs(bool mp3 = false);
    // Adds what the clipboard holds (a file list first, else text) to the
    // pane; false when it held neither.
    bool Paste(IMainPane* pane);
    // Dropped (or pasted) files, in order.
    void OnDropFiles(const std::vector<std::wstring>& paths);
    // Dropped text: an address becomes an online row.
    void OnTextDropped(const std::wstring& text);
    // One row per track of the cue sheet, into the active pane.
    void ImportCue(const std::wstring& cuePath);
    // Opens a DVD (disc, folder or image) or an audio CD with the progress
    // dialog and hands its titles to the pane.
    void OpenDisc(IMainPane* pane, const std::wstring& root);
    // A row asked for an audio or subtitle file (WM_VXM_ADD_AUDIO_TRACK / WM_VXM_ADD_SUBTITLE).
    void OnAddTrackFile(UINT uMsg, WPARAM row, LPARAM previous);

protected:
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

private:
    // Dispatch of the engine's and the workers' messages; true when taken.
    bool DispatchEngineMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool DispatchServiceMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void OnJoinFinished(WPARAM code, LPARAM path);
    // The downloader's messages (MainFrameDownloads.cpp); true when taken.
    bool DispatchDownloaderMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    void OnDownloaderEvent(int type, const VXM_DOWNLOAD_RECORD& record, IMainPane* pane, CMediaListUI* list);
    void OnSelectFormat(CFormatRequestTicket& ticket);
    // Online, with a known tool version: the tool's version check starts.
    void StartModuleVersionCheck();
    LRESULT OnDeviceChange(WPARAM event, LPARAM header);
    // A control pointer carried by a message, when it is one of this window's.
    CControlUI* OwnControl(WPARAM pointer) const;
    bool StopRowsAndWait();
    // Shows the page's layouts and buttons (no usage action).
    void ShowPage(int page);
    void RestorePlacement();
    void SavePlacement();
    CControlUI* Find(const wchar_t* name) const;
    void ShowControl(const wchar_t* name, bool show) const;
    bool IsShown(const wchar_t* name) const;
    // The four page layouts, and the buttons that open or close the side
    // columns (hasLeft false: the page has no left column).
    void ShowLayouts(bool main, bool player, bool burner, bool footer) const;
    void ShowSideButtons(bool hasLeft, bool leftOpen, bool rightOpen) const;

    CVXMSettings* m_settings = nullptr;
    CMediaHandler* m_mediaHandler = nullptr;
    std::wstring m_statusText;
    std::wstring m_commandLineFile;
    std::wstring m_versionText;
    IMainPane* m_mainPane = nullptr;
    IMainPane* m_burnPane = nullptr;
    IPlayerPane* m_playerPane = nullptr;
    CControlUI* m_statusLabel = nullptr;
    CControlUI* m_burnerStatusLabel = nullptr;
    // Commands, menus, drops (MainFrameCommands.cpp, MainFrameAddMedia.cpp).
    void OnClickCommand(const std::wstring& name, CControlUI* sender, bool& taken);
    bool NotifyMap(TNotifyUI& msg);
    void HideAllFirstAid();
    // The hints still due show on the converter page; the band fits them and
    // goes with the last one.
    void ShowDueFirstAid();
    void ToggleMediaManager();
    void FitMinimumWidth();
    void ToggleRightColumn();
    // The player's picture alone on the whole screen, or the window back
    // as it was before (maximised or at its place and size).
    void OnFullScreen(bool on);
    void RunPlayerCommand(UINT id);
    // Language (50000 and up; below: the stored LangID again) and skin menu entries.
    void ApplyLanguageCommand(UINT id);
    void ApplySkinCommand(UINT id);
    // Images from the skin's folder (the default skin behind it), kept in the settings.
    void ApplySkin(const std::wstring& skin);
    // Loads the menu file and fills the language and skin popups and the icons.
    void BuildMenus();
    // The active pane's right column (preview and settings), else the window's.
    CControlUI* RightColumn() const;
    LRESULT OnInitMenuPopup(CMenu* menu);
    void ApplyAspectRatio(UINT id);
    void StartDropsAndClipboard();
    void StopDropsAndClipboard();
    // The add commands' start folder (the probed DefaultMediaFolder).
    std::wstring StartFolder();
    void RememberFolder(const std::wstring& folder);
    // A dropped folder: its disc, or its media files.
    void AddFolderContents(const std::wstring& folder);
    // A listed folder that may be a DVD or Blu-ray folder, at its place among
    // the files queued: its disc is opened, or else its files are added.
    void AddDiscFolder(const CListedFolder& listed);
    // A probed media becomes a row of the active pane (lParam: position, flags).
    void AddLoadedMedia(IVXMMedia* media, LPARAM lParam);
    // The user adds files: the count of those not added starts again.
    void BeginAdding() { m_notAdded.Begin(); }
    // A file of the add that does not become a row: the status bar says so.
    void OnNotAdded(const std::wstring& path, int why);
    bool IsPlayerShown() const;

    CNotAddedNotice m_notAdded;
    std::unique_ptr<CMenu> m_menus;
    std::unique_ptr<CModuleVersionCheck> m_moduleCheck;
    std::unique_ptr<IDropSink> m_dropSink;
    std::unique_ptr<CDropTarget> m_dropTarget;
    std::unique_ptr<CDeviceNoticeForwarder> m_deviceNotices;  // discs arriving and going
    int m_clipboardToken = 0;
    bool m_driveDialogOpen = false;  // no disc opens by itself meanwhile
    bool m_optionsShown = false;
    bool m_fullScreen = false;
    bool m_wasMaximized = false;      // before full screen
    RECT m_normalGeometry{};          // the window's place and size before full screen
    std::vector<CControlUI*> m_hiddenForFullScreen;
    RECT m_savedRect{};
    bool m_firstAidVisible = false;
    int m_firstAidHeight = -1;  // the band's height in the skin, read once
    bool m_stopping = false;  // rows are being stopped for a close
    int m_page = 0;
    static constexpr int kSlotCount = 16;
    void* m_slots[kSlotCount] = {};
    int m_slotIndex = 0;
};
