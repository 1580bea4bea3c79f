// Panes that write what the main window asks of them into one log, and a
// window fixture over them with the desktop and the dialogs faked.
#pragma once
#include "IMainPane.h"
#include "IVXMMedia.h"
#include "MainFrameCommands.h"
#include "MainFrameDialogs.h"
#include "MainPaneMaker.h"
#include "VXMMainFrameWnd.h"
#include "VXMSettings.h"
#include "platform/text.h"
#include "ui/UIContainer.h"
#include "ui/UIMenu.h"
#include "ui/UIMessagePump.h"
#include "FakeDesktop.h"
#include "support/main_window_environment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

inline std::string Narrow(const std::wstring& w) { return WideToUtf8(w); }

inline bool Has(const std::vector<std::string>& log, const std::string& entry)
{
    return std::find(log.begin(), log.end(), entry) != log.end();
}

inline void Pump(const std::function<bool()>& done) { vxmtest::PumpUntil(done); }
using vxmtest::PumpPending;

// A row the pane was given.
struct CRecordedRow {
    IVXMMedia* media = nullptr;
    std::wstring source;
    int position = 0;
    unsigned flags = 0;
    CCueRowInfo cue;
    bool fromCue = false;
};

class CRecordingPane : public CVerticalLayoutUI, public IMainPane {
public:
    CRecordingPane(int mode, std::vector<std::string>& log) : m_mode(mode), m_log(log) {}
    ~CRecordingPane() override
    {
        for (CRecordedRow& row : rows)
            if (row.media) row.media->Release();
    }

    int GetMode() const override { return m_mode; }
    // The pane's right column, as the real panes' skins have it.
    void LoadLayout() override
    {
        auto* right = new CVerticalLayoutUI;
        right->SetName(L"ID_LAYOUT_RIGHT");
        Add(right);
    }
    bool HoldsMedia(IVXMMedia*) const override { return false; }
    void AddMedia(IVXMMedia* media, short position, unsigned short flags) override
    {
        rows.push_back(CRecordedRow{media, media ? media->GetSourcePath() : std::wstring(), position, flags, {}, false});
        Note("add " + Narrow(rows.back().source) + " " + std::to_string(position) + " " + std::to_string(flags));
    }
    void OnConversionStarted(IVXMMedia*) override {}
    void SetProgress(IVXMMedia*, int) override {}
    bool OnJobFinished(int, IVXMMedia*, std::wstring&) override { return false; }
    void RemoveMedia(IVXMMedia*) override {}
    bool IsConverting() const override { return converting; }
    void StopAll() override { Note("stop all"); }
    void OnTimerTick() override {}
    void RemoveDriveRows(const std::wstring& drive) override { Note("drive rows " + Narrow(drive)); }
    void AddConvertedEntry(const std::wstring&) override {}
    void ImportCue(const std::wstring& path) override { Note("pane cue " + Narrow(path)); }
    bool CheckBurn() override { return true; }
    void RebuildSegments(IVXMMedia*) override {}
    void RefreshEffectMark(IVXMMedia*) override {}
    void SelectFirstManagerEntry() override {}
    bool IsBurning() const override { return false; }
    void OpenInsertedDisc(const std::wstring&, const std::wstring&) override {}
    void SetDiscSize(int) override {}

    void ShowMergeButtons(bool join) override { Note(join ? "join all" : "unjoin all"); }
    bool ConvertAll() override
    {
        Note("convert all");
        return true;
    }
    void OnListCommand(UINT id) override { Note("list command " + std::to_string(id)); }
    void PrepareListMenu(CMenu& menu, bool manager) override
    {
        Note(manager ? "prepare manager menu" : "prepare list menu");
        if (manager) return;
        // As the real lists: a selected completed row offers its output; the
        // history never converts.
        menu.Enable(ID_LIST_OPEN_DESTINATION, completedRowSelected);
        if (historyShown) {
            menu.Enable(ID_START_CONVERTING, false);
            menu.Enable(ID_STOP_CONVERTING, false);
        }
    }
    int ContextArea(POINT) const override { return contextArea; }
    void JoinSelected() override { Note("join selected"); }
    void TakeSnapshot() override { Note("snapshot"); }
    void RefreshListState() override { Note("list state"); }
    void RefreshSelection(bool preview) override { Note(preview ? "selection preview" : "selection"); }
    void PlayInPreview(IVXMMedia*) override { Note("preview"); }
    void OnTransStarted() override { Note("trans started"); }
    void UpdateDiscSizeMeter() override { Note("disc size meter"); }
    void OnHistoryCategory(int category) override { Note("history " + std::to_string(category)); }
    bool IsShutdownChecked() const override { return shutdownChecked; }
    void SetRightColumnShown(bool shown) override { Note(shown ? "right shown" : "right hidden"); }
    bool AddDVDTitles(IVXMDVDFile*) override
    {
        Note("dvd titles");
        return true;
    }
    bool AddCDTitles(IVXMDiscFile*) override
    {
        Note("cd tracks");
        return true;
    }
    bool RemoveRowsOfPath(const std::wstring& path) override
    {
        Note("remove rows of " + Narrow(path));
        return false;
    }
    bool AddCueTrackRow(IVXMMedia* track, const CCueRowInfo& info) override
    {
        rows.push_back(CRecordedRow{track, track->GetSourcePath(), -1, 0, info, true});
        Note("cue row " + Narrow(info.trackNumber) + " " + Narrow(info.title));
        return true;
    }
    void ShowListTab() override { Note("list tab"); }

    std::vector<CRecordedRow> rows;
    bool converting = false;
    bool completedRowSelected = false;
    bool historyShown = false;
    bool shutdownChecked = false;
    int contextArea = 0;

private:
    void Note(const std::string& what) { m_log.push_back((m_mode == 1 ? "burn: " : "main: ") + what); }
    int m_mode;
    std::vector<std::string>& m_log;
};

class CRecordingPlayer : public CVerticalLayoutUI, public IPlayerPane {
public:
    explicit CRecordingPlayer(std::vector<std::string>& log) : m_log(log) {}
    void LoadLayout() override {}
    void LinkPane(IMainPane*) override {}
    int GetState() const override { return 0; }
    void StopAndReset() override {}
    void OnPlayerEvent(WPARAM, LPARAM) override {}
    void OnDriveRemoved(const std::wstring&, const std::wstring&) override {}

    void OpenFiles() override { Note("open files"); }
    void OpenDVDFolder() override { Note("open dvd folder"); }
    void OpenDVDDrive() override { Note("open dvd drive"); }
    void OpenDVDImage() override { Note("open dvd image"); }
    void OpenFile(const std::wstring& path) override { Note("play " + Narrow(path)); }
    void AddToPlaylist(const std::wstring& path) override { Note("queue " + Narrow(path)); }
    void TogglePlaylist() override { Note("play list"); }
    void AddToConverter() override { Note("to converter"); }
    void Play() override { Note("play"); }
    void Pause() override { Note("pause"); }
    void Stop() override { Note("stop"); }
    void ToggleFullScreen() override { Note("full screen"); }
    void ToggleAlwaysOnTop() override { Note("topmost"); }
    void Seek(int seconds) override { Note("seek " + std::to_string(seconds)); }
    void SetZoom(double zoom) override { Note("zoom " + Fixed(zoom)); }
    void SetAspectRatio(double ratio) override { Note("ratio " + Fixed(ratio)); }
    void SetFixedRatio(bool fixed) override { Note(fixed ? "fixed ratio" : "free ratio"); }
    bool GetVideoSize(int& width, int& height) const override
    {
        width = videoWidth;
        height = videoHeight;
        return playing;
    }
    bool SendPlayerCommand(const std::string& command) override
    {
        Note("command " + command);
        return playing;
    }
    void SetDeinterlace(int i) override { Note("deinterlace " + std::to_string(i)); }
    void SetVideoOutput(int i) override { Note("video output " + std::to_string(i)); }
    void SetRotation(int i) override { Note("rotation " + std::to_string(i)); }
    bool IsMuted() const override { return muted; }
    void SetMute(bool mute) override { Note(mute ? "mute" : "unmute"); }
    void SetAudioChannels(int i) override { Note("channels " + std::to_string(i)); }
    void SelectAudioByIndex(int i) override { Note("audio " + std::to_string(i)); }
    void SelectSubtitleByIndex(int i) override { Note("subtitle " + std::to_string(i)); }
    void LoadSubtitleFile() override { Note("subtitle file"); }
    void SelectTitleByIndex(int i) override { Note("title " + std::to_string(i)); }
    void PreparePlayerMenu(CMenu&) override { Note("prepare menu"); }

    bool playing = false;
    bool muted = false;
    int videoWidth = 0;
    int videoHeight = 0;

private:
    static std::string Fixed(double v)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", v);
        return text;
    }
    void Note(const std::string& what) { m_log.push_back("player: " + what); }
    std::vector<std::string>& m_log;
};

// The main window over recording panes, the fake desktop and fake dialogs.
class CWindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetUIQuit();
        SetMainPaneMaker([this](const std::wstring& kind, CPaintManagerUI*, CVXMMainFrameWnd*) -> CControlUI* {
            if (kind == L"MainPane") return mainPane = new CRecordingPane(0, log);
            if (kind == L"BurnerPane") return burnPane = new CRecordingPane(1, log);
            if (kind == L"PlayerPane") return player = new CRecordingPlayer(log);
            return nullptr;
        });
        dialogs.options = [this](HWND) {
            log.push_back("dialog: options");
            return 1;
        };
        dialogs.about = [this](HWND) { log.push_back("dialog: about"); };
        dialogs.batchAdd = [this](HWND) { log.push_back("dialog: batch add"); };
        dialogs.checkForUpdates = [this](HWND) { log.push_back("dialog: updates"); };
        dialogs.urls = [this](HWND) {
            log.push_back("dialog: urls");
            return urls;
        };
        dialogs.chooseDrive = [this](HWND) {
            log.push_back("dialog: drive");
            return chosenDrive;
        };
        dialogs.openDisc = [this](HWND, const std::wstring& root) {
            log.push_back("dialog: open disc " + Narrow(root));
            return discResult;
        };
        SetMainFrameDialogs(&dialogs);
        CVXMSettings* s = CVXMSettings::GetInstance();
        s->MonitorClipboard = 0;
        s->DefaultMediaFolder.clear();
        s->IsShowFirstAidAddFiles = s->IsShowFirstAidConvert = s->IsShowFirstAidUnfoldLeft = 1;
    }
    void TearDown() override
    {
        if (window) {
            window->DestroyWindow();
            PumpPending();
        }
        SetMainFrameDialogs(nullptr);
        SetMainPaneMaker(nullptr);
        ResetUIQuit();
    }

    void Open()
    {
        window = new CVXMMainFrameWnd(L"");
        hwnd = window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655);
        ASSERT_NE(hwnd, nullptr);
        window->ShowWindow(true);
        ASSERT_NE(mainPane, nullptr);
        ASSERT_NE(player, nullptr);
    }
    // Messages posted so far are dispatched.
    void Settle() { PumpPending(); }
    size_t RowCount() const { return mainPane ? mainPane->rows.size() : 0; }

    CFakeDesktop desktop;
    CMainFrameDialogs dialogs;
    std::vector<std::string> log;
    std::vector<std::wstring> urls;
    std::wstring chosenDrive;
    COpenDiscResult discResult;
    CRecordingPane* mainPane = nullptr;
    CRecordingPane* burnPane = nullptr;
    CRecordingPlayer* player = nullptr;
    CVXMMainFrameWnd* window = nullptr;
    HWND hwnd = nullptr;
};
