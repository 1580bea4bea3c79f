// The centre of the main window: the conversion list with its toolbar, the
// panes beside it, convert all and stop all, and what happens when a
// conversion job ends. The main window holds two: the converter pane and the
// burner pane (burn mode), which differ in their skin and a few names.
#pragma once
#include "BurnerRecords.h"
#include "ConversionQueue.h"
#include "IMainPane.h"
#include "MediaTags.h"
#include "ProfileChooserMessages.h"
#include "ui/UILib.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class CHistoryListUI;
class CMediaListItemUI;
class CMediaListUI;
class CMediaManagerListUI;
class CPreviewPaneUI;
struct CTagWriteResult;
class IProfile;
class IProfileGroup;
class IProfileManager;
class IVXMDVDFile;
class IVXMDiscFile;
class IVXMMedia;

class CMainPaneUI : public CVerticalLayoutUI, public INotifyUI, public IDialogBuilderCallback, public IMainPane {
public:
    CMainPaneUI(CPaintManagerUI* manager, IPaneHost* frame, bool burnMode);
    ~CMainPaneUI() override;

    std::wstring GetClass() const override { return L"MainPaneUI"; }
    void* GetInterface(const std::wstring& name) override;
    void DoInit() override;
    // A wider pane gives the right column (preview and settings) its share.
    void SetPos(RECT rc, bool needInvalidate = true) override;
    void Notify(TNotifyUI& msg) override;
    CControlUI* CreateControl(const std::wstring& name) override;

    // Loads "pane_main.xml" (or "pane_burn.xml") into the pane and sets up
    // the list, its row templates and the current profile.
    void BuildPane();
    bool IsBurnMode() const { return m_burn; }
    CMediaListUI* GetMediaList() const { return m_mediaList; }
    CHistoryListUI* GetHistoryList() const { return m_historyList; }
    CMediaManagerListUI* GetMediaManagerList() const { return m_mediaManagerList; }
    CControlUI* GetProfileSettingsPane() const { return m_profileSettings; }
    CConversionQueue& Queue() { return m_queue; }
    IProfile* GetCurrentProfile() const;
    IProfileGroup* GetCurrentGroup() const { return m_currentGroup; }
    // Where the engine's catalogue comes from; defaults to the media handler's.
    void SetProfileManager(IProfileManager* manager) { m_profileManager = manager; }
    IProfileManager* GetProfileManager() const;

    // Row makers: at the end for a negative position, else inserted there.
    CMediaListItemUI* AddFileRow(int position, IVXMMedia* media);
    CMediaListItemUI* AddDVDRow(int position, IVXMMedia* title);
    CMediaListItemUI* AddOnlineRow(int position, IVXMMedia* media, int downloadFlag);
    // The downloaded media converts as soon as its row is added.
    void ConvertWhenAdded(IVXMMedia* media) { m_convertWhenAdded.insert(media); }
    CMediaListItemUI* AddChildRow(IVXMMedia* child, int parentIndex, IVXMMedia* parent, int startMs, int endMs,
                                  int segmentIndex);
    bool AddDVDTitles(IVXMDVDFile* dvd) override;
    bool AddCDTitles(IVXMDiscFile* disc) override;

    // Convert all: true when a row started.
    bool ConvertAll() override;
    void OnConvertClick();
    // The converter's first-use hint goes (the main window's, when there is one).
    void HideConvertHint();
    // The end of a media's job; the row's profile, null when no row holds it
    // (valid until the row goes). A row with tags whose job succeeded ends
    // once its output has them (OnTagsSaved), "Saving..." until then.
    IProfile* OnJobFinished(IVXMMedia* media, int exitCode);
    void OnTagsSaved(IVXMMedia* media, const CTagWriteResult& result);
    // Why a conversion failed: the engine's words, else what the program sees
    // (the source gone, or the exit code).
    static std::wstring FailureReason(IVXMMedia* media, int exitCode);
    virtual void OnAllJobsFinished(CMediaListItemUI* row, int exitCode);
    void SetMergeButtonsEnabled(bool enabled);
    // The convert button follows the pane: enabled exactly while nothing converts or burns.
    void RefreshConvertButton();
    void ShowMergeButtons(bool join) override;
    void ShowProfileWnd();
    // A language change: the profile buttons, the rows, the chooser and the
    // burner's set-up in the new language.
    void Retranslate();
    // The profile chooser, once shown.
    CWindowWnd* GetProfileWnd() const { return m_profileWnd.get(); }
    void OnSelectionChanged(int index, bool withPreview);
    void OnListChanged();
    // The chooser's choice (ids decoded from WM_VXM_PROFILE_SELECTED).
    void OnProfileSelected(const SProfileSelection& selection);
    // The profile group a row converts with: the pane's current group when it
    // holds the row's profile, else the catalogue group that does.
    IProfileGroup* GroupOfRow(CMediaListItemUI* row) const;
    // Program folder with a trailing slash.
    static std::wstring GetModuleDirectory();

    // What the main window's commands ask of a media pane.
    void RefreshListState() override { OnListChanged(); }
    void OnOutputFolderChanged() override;
    void ShowRowProfile(CControlUI* row) override;
    void RefreshSelection(bool withPreview) override;
    void OnTransStarted() override { SetMergeButtonsEnabled(false); }
    bool IsShutdownChecked() const override;
    void ShowListTab() override { SelectListPage(1); }
    void OnListCommand(UINT id) override;
    void PrepareListMenu(CMenu& menu, bool mediaManager) override;
    int ContextArea(POINT client) const override;
    void JoinSelected() override;
    bool RemoveRowsOfPath(const std::wstring& path) override;
    void PlayInPreview(IVXMMedia* media) override;
    void TakeSnapshot() override;
    void SetRightColumnShown(bool shown) override;
    bool HandPreviewToPlayer(IVXMMedia*& media, float& seconds) override;
    CPreviewPaneUI* GetPreviewPane() const { return m_previewPane; }

    // IMainPane
    int GetMode() const override { return m_burn ? 1 : 0; }
    void LoadLayout() override { BuildPane(); }
    bool HoldsMedia(IVXMMedia* media) const override;
    void AddMedia(IVXMMedia* media, short position, unsigned short flags) override;
    void OnConversionStarted(IVXMMedia* media) override;
    void SetProgress(IVXMMedia* media, int permille) override;
    bool OnJobFinished(int result, IVXMMedia* media, std::wstring& profileName) override;
    void RemoveMedia(IVXMMedia* media) override;
    bool IsConverting() const override;
    void StopAll() override;
    void OnTimerTick() override {}
    void RemoveDriveRows(const std::wstring& drive) override;
    void AddConvertedEntry(const std::wstring& profileName) override;
    void AddDownloadedEntry(const std::wstring& siteName) override;
    void ImportCue(const std::wstring& path) override;
    bool AddCueTrackRow(IVXMMedia* track, const CCueRowInfo& info) override;
    bool CheckBurn() override;
    void RebuildSegments(IVXMMedia* media) override;
    void RefreshEffectMark(IVXMMedia* media) override;
    void SelectFirstManagerEntry() override;
    void OnHistoryCategory(int index) override;
    bool IsBurning() const override { return m_burning; }
    // The footer's clock of a burn: it runs while the burner works.
    static constexpr UINT kBurnClockTimer = 100;
    void OpenInsertedDisc(const std::wstring&, const std::wstring&) override {}
    void SetDiscSize(int size) override;
    void UpdateDiscSizeMeter() override { UpdateSizeMeter(); }
    void OnProfileSelected(WPARAM wParam, LPARAM lParam) override;

    // ---- burn pane: disc size, bit-rate fit, checks, burner hand-over ----
    void UpdateSizeMeter();
    void ComputeProjectedSize();
    // Sets the video bit rate of every row with video; the count of them.
    int SetRowsVideoBitrate(int kbps);
    void FitVideoBitrate();
    // KiB.
    int GetProjectedSize() const { return m_projectedSize; }
    int GetDiscCapacity() const { return m_discCapacity; }
    void InitBurner(IProfile* profile);
    // Hands the converted rows to the burner; returns when its window closed.
    void ShowBurner();
    void SetBurning(bool busy);
    void OnBurnTimer();
    // Page 0-2: the profile settings' basic, audio or video section; 3 and 4
    // (burn pane): the burner's options or the disc menu; -1 keeps the pages
    // and refreshes what the menu switches enable. A change counts as a
    // usage action.
    void ShowSettingsPage(int page);
    int GetSettingsPage() const { return m_settingsPage; }
    void StoreMenuSettings();
    VXM_BURNER_RECORD& BurnerRecord() { return m_burner; }
    VXM_DVD_MENU_SETTINGS& MenuSettings() { return m_menu; }
    void DoEvent(TEventUI& event) override;

private:
    // The row's end: status, "transfinished", the next row, history record,
    // end-of-batch actions. `tagsNotWritten`: why the output lacks its tags.
    IProfile* FinishJob(CMediaListItemUI* row, IVXMMedia* media, int exitCode, const std::wstring& tagsNotWritten);
    CControlUI* Find(const wchar_t* name) const;
    // An opened disc without titles: logs and shows the message; false.
    bool ReportNoTitles(const char* logCategory);
    // The settings page a heading of this pane's profile settings shows, or -1.
    int SettingsPageOf(CControlUI* control) const;
    void LoadBurnSettings();
    bool OnBurnNotify(TNotifyUI& msg);
    void OnDiscSizeChosen();
    void ChangeTemplate(int step, bool wrap);
    void RemoveMenuPreview();
    void BrowseMenuFile(bool audio);
    void LoadRowTemplates();
    void LoadCurrentProfile();
    void RefreshProfileButtons();
    void ShowCurrentProfileSettings(CMediaListItemUI* row);
    void SelectListPage(int page);
    void LinkHistory();
    bool IsHistoryShown() const;
    void SetStatusText(const std::wstring& text);
    CMediaListItemUI* SelectedRow() const;
    CMediaListItemUI* AddRow(int position, IVXMMedia* media, int kind, int downloadFlag = 0);
    void OnPropTime(TNotifyUI& msg, bool start);
    void OnPropAudioDisabled(WPARAM disabled, LPARAM media);
    void OnItemClone(CControlUI* sender);
    void OnDVDChapterChanging(WPARAM chapters);

    CPaintManagerUI* m_paintManager = nullptr;
    IPaneHost* m_frame = nullptr;
    bool m_burn = false;
    bool m_built = false;
    IProfileManager* m_profileManager = nullptr;
    std::unique_ptr<CWindowWnd> m_profileWnd;  // the profile chooser, made on first use

    CMediaListUI* m_mediaList = nullptr;
    CPreviewPaneUI* m_previewPane = nullptr;
    CControlUI* m_profileSettings = nullptr;
    CHistoryListUI* m_historyList = nullptr;
    CMediaManagerListUI* m_mediaManagerList = nullptr;
    CTabLayoutUI* m_listTab = nullptr;
    CControlUI* m_convertButton = nullptr;
    CControlUI* m_categoryButton = nullptr;
    CControlUI* m_rightColumn = nullptr;
    CControlUI* m_profileButton = nullptr;

    CConversionQueue m_queue;
    IProfileGroup* m_currentGroup = nullptr;
    int m_currentCategory = -1;
    // Burn pane.
    int m_projectedSize = 0;            // KiB
    int m_discCapacity = 0x480000;      // KiB
    int m_detectedCapacity = 0;         // of the disc in the burner, 0 none
    DWORD m_burnStartTick = 0;
    bool m_burning = false;
    int m_templateIndex = 0;
    std::wstring m_menuPreview;  // the template's preview picture in the temporary folder
    int m_settingsPage = 0;  // the page chosen last
    int m_burnerPage = 4;    // of the burn pane's own settings: 3 burner, 4 disc menu
    VXM_BURNER_RECORD m_burner;
    VXM_DVD_MENU_SETTINGS m_menu;
    std::set<IVXMMedia*> m_convertWhenAdded;
    std::wstring m_finishedProfileName;  // of the row whose job ended last
};
