// The main window: its pages and panes, the command-line file, the engine's
// messages from worker threads, closing while converting, and its skin.
#include "fake_panes.h"

#include "AppStartup.h"

#include "MainPaneMaker.h"
#include "MediaHandler.h"
#include "MPlayerEvents.h"
#include "VXMMainFrameWnd.h"
#include "VXMMessages.h"
#include "UpdateOffer.h"
#include "VXMSettings.h"
#include "WindowPlacementText.h"
#include "support/main_window_environment.h"
#include "support/test_media.h"
#include "platform/text.h"
#include "ui/UILib.h"
#include "ui/UIMessagePump.h"
#include "ui/desktop/DeviceNotices.h"
#include "FakeDesktop.h"

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

bool Has(const std::vector<std::string>& log, const std::string& entry)
{
    return std::find(log.begin(), log.end(), entry) != log.end();
}

size_t IndexOf(const std::vector<std::string>& log, const std::string& entry)
{
    return static_cast<size_t>(std::find(log.begin(), log.end(), entry) - log.begin());
}

void Pump(const std::function<bool()>& done) { vxmtest::PumpUntil(done); }
using vxmtest::PumpPending;

class CMainFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetUIQuit();
        SetMainPaneMaker([this](const std::wstring& kind, CPaintManagerUI*, CVXMMainFrameWnd*) -> CControlUI* {
            if (kind == L"MainPane") return mainPane = new CFakeMediaPane(0, log);
            if (kind == L"BurnerPane") return burnPane = new CFakeMediaPane(1, log);
            if (kind == L"PlayerPane") return playerPane = new CFakePlayerPane(log);
            return nullptr;
        });
    }
    void TearDown() override
    {
        if (window) {
            window->DestroyWindow();
            PumpPending();
        }
        SetMainPaneMaker(nullptr);
        ResetUIQuit();
    }

    void Open(const std::wstring& file = L"")
    {
        CVXMSettings::GetInstance()->WindowPos = windowPos;
        window = new CVXMMainFrameWnd(file);
        hwnd = window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655);
        ASSERT_NE(hwnd, nullptr);
        window->ShowWindow(true);
        closed = false;
    }
    bool Gone() const { return CWindowWnd::FromHandle(hwnd) == nullptr; }
    CControlUI* Find(const wchar_t* name) { return window->GetPaintManager()->FindControl(name); }
    bool Visible(const wchar_t* name)
    {
        CControlUI* c = Find(name);
        return c && c->IsVisible();
    }
    // A marker posted last: everything posted before it was dispatched.
    void PostAndWait(std::function<void(HWND)> post)
    {
        const int marker = ++markers;
        std::thread worker([&] { post(hwnd); PostMessageW(hwnd, WM_VXM_MPLAYER_EVENT, 99, marker); });
        worker.join();
        Pump([&] { return Has(log, "player: event 99 " + std::to_string(marker)); });
    }

    CFakeDesktop desktop;
    std::vector<std::string> log;
    CFakeMediaPane* mainPane = nullptr;
    CFakeMediaPane* burnPane = nullptr;
    CFakePlayerPane* playerPane = nullptr;
    CVXMMainFrameWnd* window = nullptr;
    HWND hwnd = nullptr;
    bool closed = false;
    int markers = 0;
    std::wstring windowPos;
};

// ---- pages and panes --------------------------------------------------------------------

TEST_F(CMainFrameTest, OpensOnTheConverterPageWithBothPanesAndThePlayerBuilt)
{
    Open();
    ASSERT_NE(mainPane, nullptr);
    ASSERT_NE(burnPane, nullptr);
    ASSERT_NE(playerPane, nullptr);
    EXPECT_TRUE(Has(log, "main: layout"));
    EXPECT_TRUE(Has(log, "burn: layout"));
    EXPECT_TRUE(Has(log, "player: layout"));
    EXPECT_EQ(window->GetPage(), 0);
    EXPECT_EQ(window->GetActivePane(), mainPane);
    EXPECT_EQ(playerPane->linked, mainPane);
    EXPECT_TRUE(Visible(L"ID_LAYOUT_MAIN"));
    EXPECT_FALSE(Visible(L"ID_LAYOUT_BURNER"));
    EXPECT_FALSE(Visible(L"ID_LAYOUT_PLAYER"));
    EXPECT_TRUE(Visible(L"ID_LABEL_STATUS_BOTTOM"));
    EXPECT_FALSE(Visible(L"ID_LABEL_BURNER_STATUS_BOTTOM"));
}

TEST_F(CMainFrameTest, EachPageShowsItsOwnLayoutAndMakesItsPaneActive)
{
    Open();
    window->SelectPage(1);
    EXPECT_EQ(window->GetActivePane(), burnPane);
    EXPECT_TRUE(Visible(L"ID_LAYOUT_BURNER"));
    EXPECT_FALSE(Visible(L"ID_LAYOUT_MAIN"));
    EXPECT_TRUE(Visible(L"ID_LABEL_BURNER_STATUS_BOTTOM"));
    EXPECT_FALSE(Visible(L"ID_LAYOUT_FIRSTAID"));
    EXPECT_FALSE(Visible(L"ID_BTN_SHOW_LEFT"));

    window->SelectPage(2);
    EXPECT_TRUE(Visible(L"ID_LAYOUT_PLAYER"));
    EXPECT_FALSE(Visible(L"ID_LAYOUT_BURNER"));
    EXPECT_FALSE(Visible(L"ID_LAYOUT_FOOTER"));
    EXPECT_EQ(window->GetActivePane(), mainPane);

    int resets = playerPane->resets;
    window->SelectPage(0);
    EXPECT_TRUE(Visible(L"ID_LAYOUT_MAIN"));
    EXPECT_TRUE(Visible(L"ID_LAYOUT_FOOTER"));
    EXPECT_GT(playerPane->resets, resets);  // leaving the player stops it
}

TEST_F(CMainFrameTest, ThePageStripSwitchesPagesAndFollowsPagesChosenByTheCode)
{
    Open();
    auto* pages = dynamic_cast<COverlapButton*>(Find(L"ID_OVERLAPBUTTON_CONVERT"));
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->GetButtonCount(), 3);
    pages->SetSelectedIndex(2);
    TNotifyUI press;
    press.sType = L"overlap_buttondown";
    press.pSender = pages;
    window->Notify(press);
    EXPECT_EQ(window->GetPage(), 2);
    EXPECT_TRUE(Visible(L"ID_LAYOUT_PLAYER"));
    window->SelectPage(1);
    EXPECT_EQ(pages->GetSelectedIndex(), 1);
}

TEST_F(CMainFrameTest, FirstAidHintsStayHiddenWhenAllAreTurnedOff)
{
    auto* settings = CVXMSettings::GetInstance();
    settings->IsShowFirstAidAddFiles = settings->IsShowFirstAidConvert = settings->IsShowFirstAidUnfoldLeft = 0;
    Open();
    EXPECT_FALSE(Visible(L"ID_LAYOUT_FIRSTAID"));
    window->SelectPage(1);
    window->SelectPage(0);
    EXPECT_FALSE(Visible(L"ID_LAYOUT_FIRSTAID"));
    settings->IsShowFirstAidAddFiles = settings->IsShowFirstAidConvert = settings->IsShowFirstAidUnfoldLeft = 1;
}

TEST_F(CMainFrameTest, DismissedHintsStayGoneAndTheBandLeavesNoEmptyBlock)
{
    auto* settings = CVXMSettings::GetInstance();
    settings->IsShowFirstAidAddFiles = settings->IsShowFirstAidConvert = settings->IsShowFirstAidUnfoldLeft = 1;
    Open();
    auto click = [this](const wchar_t* name) {
        TNotifyUI msg;
        msg.sType = L"click";
        msg.pSender = Find(name);
        ASSERT_NE(msg.pSender, nullptr) << WideToUtf8(name);
        window->Notify(msg);
    };
    CControlUI* band = Find(L"ID_LAYOUT_FIRSTAID");
    ASSERT_NE(band, nullptr);
    const int fullHeight = band->GetFixedHeight();
    const int hintHeight = Find(L"ID_CON_FIRSTAID_ADDFILES")->GetFixedHeight();
    EXPECT_TRUE(Visible(L"ID_CON_FIRSTAID_ADDFILES"));

    click(L"ID_BTN_FIRSTAID_ADDFILES");
    EXPECT_EQ(settings->IsShowFirstAidAddFiles, 0u);
    EXPECT_TRUE(Visible(L"ID_LAYOUT_FIRSTAID"));
    EXPECT_EQ(band->GetFixedHeight(), fullHeight - hintHeight);
    // Back on the converter page only the hints still due show.
    window->SelectPage(1);
    window->SelectPage(0);
    EXPECT_FALSE(Visible(L"ID_CON_FIRSTAID_ADDFILES"));
    EXPECT_TRUE(Visible(L"ID_CON_FIRSTAID_CONVERT"));
    EXPECT_TRUE(Visible(L"ID_CON_FIRSTAID_UNFOLD_LEFT"));
    EXPECT_TRUE(Visible(L"ID_LAYOUT_FIRSTAID"));

    click(L"ID_BTN_FIRSTAID_CONVERT");
    click(L"ID_BTN_FIRSTAID_UNFOLD_LEFT");
    EXPECT_FALSE(Visible(L"ID_LAYOUT_FIRSTAID"));
    window->SelectPage(2);
    window->SelectPage(0);
    EXPECT_FALSE(Visible(L"ID_LAYOUT_FIRSTAID"));
    // What was below the band now follows the control above it.
    window->GetPaintManager()->UpdateLayout();
    auto* parent = dynamic_cast<CContainerUI*>(band->GetParent());
    ASSERT_NE(parent, nullptr);
    const int at = parent->GetItemIndex(band);
    ASSERT_GT(at, 0);
    EXPECT_EQ(parent->GetItemAt(at + 1)->GetPos().top, parent->GetItemAt(at - 1)->GetPos().bottom);
    settings->IsShowFirstAidAddFiles = settings->IsShowFirstAidConvert = settings->IsShowFirstAidUnfoldLeft = 1;
}

TEST_F(CMainFrameTest, TabIsSwallowedSoFocusNeverJumpsBetweenPanes)
{
    Open();
    bool handled = false;
    window->MessageHandler(WM_KEYDOWN, VK_TAB, 0, handled);
    EXPECT_TRUE(handled);
    handled = false;
    window->MessageHandler(WM_KEYDOWN, VK_ESCAPE, 0, handled);
    EXPECT_FALSE(handled);
    EXPECT_FALSE(Gone());
}

TEST_F(CMainFrameTest, ThePageSwitchInTheCaptionBandIsPressedNotDragged)
{
    Open();
    window->GetPaintManager()->RenderToImage();  // lays the controls out
    auto hitAt = [&](CControlUI* control) {
        RECT rc = control->GetPos();
        QPoint global = window->GetWidget()->mapToGlobal(QPoint((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2));
        return SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(global.x(), global.y()));
    };
    CControlUI* pages = Find(L"ID_OVERLAPBUTTON_CONVERT");
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(hitAt(pages), HTCLIENT);
    EXPECT_EQ(hitAt(Find(L"ID_BTN_CLOSE_WINDOW")), HTCLIENT);
    CControlUI* title = pages->GetParent()->GetInterface(L"IContainer") ? static_cast<CContainerUI*>(pages->GetParent())->GetItemAt(0) : nullptr;
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(hitAt(title), HTCAPTION);
}

// ---- the command-line file --------------------------------------------------------------

TEST_F(CMainFrameTest, AFileNamedOnTheCommandLineIsAddedOnceWithoutItsQuotes)
{
    vxmtest::CTempDir dir;
    std::string clip = dir.File("a clip.mp4");
    ASSERT_TRUE(vxmtest::MakeVideoClip(clip, 1.0));
    Open(L"\"" + std::wstring(clip.begin(), clip.end()) + L"\"");
    Pump([&] { return !mainPane->added.empty(); });
    PumpPending();
    ASSERT_EQ(mainPane->added.size(), 1u);
    EXPECT_TRUE(Has(log, "main: add -1 0"));
    EXPECT_TRUE(burnPane->added.empty());
}

TEST_F(CMainFrameTest, NoCommandLineFileAddsNothing)
{
    Open();
    PumpPending();
    EXPECT_TRUE(mainPane->added.empty());
}

// ---- engine messages from worker threads ------------------------------------------------

TEST_F(CMainFrameTest, EngineMessagesReachThePaneThatHoldsTheMedia)
{
    Open();
    mainPane->held = {FakeMedia(1)};
    burnPane->held = {FakeMedia(2)};
    PostAndWait([](HWND w) {
        PostMessageW(w, WM_VXM_JOB_STARTED, 0, reinterpret_cast<LPARAM>(FakeMedia(1)));
        PostMessageW(w, WM_VXM_JOB_STEP_STARTED, 1, reinterpret_cast<LPARAM>(FakeMedia(1)));
        PostMessageW(w, WM_VXM_OUTPUT_OPENED, 0, reinterpret_cast<LPARAM>(FakeMedia(1)));
        PostMessageW(w, WM_VXM_CONVERT_PROGRESS, 500, reinterpret_cast<LPARAM>(FakeMedia(1)));
        PostMessageW(w, WM_VXM_CONVERT_PROGRESS, 250, reinterpret_cast<LPARAM>(FakeMedia(2)));
        PostMessageW(w, WM_VXM_CONVERT_PROGRESS, 0, reinterpret_cast<LPARAM>(FakeMedia(1)));
        PostMessageW(w, WM_VXM_JOB_STARTED, 0, reinterpret_cast<LPARAM>(FakeMedia(2)));
        PostMessageW(w, WM_VXM_JOB_FINISHED, 0, reinterpret_cast<LPARAM>(FakeMedia(2)));
        PostMessageW(w, WM_VXM_JOB_FINISHED, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(FakeMedia(1)));
        PostMessageW(w, WM_VXM_MPLAYER_EVENT, 3, 42);
    });
    std::vector<std::string> expected = {"main: started m1", "main: progress m1 500", "burn: progress m2 250",
                                         "burn: started m2", "burn: finished m2 0",  "main: converted MP4",
                                         "main: finished m1 -1", "player: event 3 42"};
    std::vector<std::string> got;
    for (const auto& e : log)
        if (e.find("layout") == std::string::npos && e.rfind("player: event 99 ", 0) != 0) got.push_back(e);
    EXPECT_EQ(got, expected);
}

TEST_F(CMainFrameTest, MessagesForMediaNoPaneHoldsAreDropped)
{
    Open();
    mainPane->held = {FakeMedia(1)};
    size_t before = log.size();
    PostAndWait([](HWND w) {
        PostMessageW(w, WM_VXM_JOB_STARTED, 0, reinterpret_cast<LPARAM>(FakeMedia(7)));
        PostMessageW(w, WM_VXM_CONVERT_PROGRESS, 300, reinterpret_cast<LPARAM>(FakeMedia(7)));
        PostMessageW(w, WM_VXM_JOB_FINISHED, 0, reinterpret_cast<LPARAM>(FakeMedia(7)));
        PostMessageW(w, WM_VXM_JOIN_SUCCEEDED, 0, reinterpret_cast<LPARAM>(FakeMedia(7)));
        PostMessageW(w, WM_VXM_JOB_FINISHED, 0, 0);
        // The DVD analysis answers its own dialog, not the main window.
        PostMessageW(w, WM_VXM_DVD_PARSED, 0, 0);
    });
    ASSERT_EQ(log.size(), before + 1);
    EXPECT_EQ(log.back(), "player: event 99 1");
    EXPECT_FALSE(Gone());
}

TEST_F(CMainFrameTest, AJoinedMediaLeavesTheActiveListAndAFailedJoinSaysSo)
{
    Open();
    mainPane->held = {FakeMedia(1), FakeMedia(3)};
    PostAndWait([](HWND w) {
        PostMessageW(w, WM_VXM_JOIN_SUCCEEDED, 0, reinterpret_cast<LPARAM>(FakeMedia(1)));
        const wchar_t path[] = L"/nowhere/joined.mp4";
        auto* copy = new wchar_t[std::size(path)];
        std::copy(std::begin(path), std::end(path), copy);
        PostMessageW(w, WM_VXM_JOIN_FINISHED, 1, reinterpret_cast<LPARAM>(copy));
    });
    EXPECT_TRUE(Has(log, "main: removed m1"));
    EXPECT_EQ(mainPane->held.count(FakeMedia(3)), 1u);
    EXPECT_EQ(Find(L"ID_LABEL_STATUS_BOTTOM")->GetText(), L"Join source files failed!");
    EXPECT_TRUE(mainPane->added.empty());
}

TEST_F(CMainFrameTest, ASuccessfulJoinAddsTheJoinedFile)
{
    vxmtest::CTempDir dir;
    std::string clip = dir.File("joined.mp4");
    ASSERT_TRUE(vxmtest::MakeVideoClip(clip, 1.0));
    Open();
    std::wstring wide(clip.begin(), clip.end());
    std::thread worker([&] {
        auto* copy = new wchar_t[wide.size() + 1];
        std::wcscpy(copy, wide.c_str());
        PostMessageW(hwnd, WM_VXM_JOIN_FINISHED, 0, reinterpret_cast<LPARAM>(copy));
    });
    worker.join();
    Pump([&] { return !mainPane->added.empty(); });
    EXPECT_EQ(mainPane->added.size(), 1u);
    EXPECT_EQ(Find(L"ID_LABEL_STATUS_BOTTOM")->GetText(), L"Join source files successfully!");
}

TEST_F(CMainFrameTest, ADeviceNoticeWithoutADriveIsIgnoredAndARemovedDriveLeavesBothPanes)
{
    Open();
    size_t before = log.size();
    EXPECT_EQ(SendMessageW(hwnd, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0), 1);
    COpticalDrive empty;
    EXPECT_EQ(SendMessageW(hwnd, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&empty)), 1);
    EXPECT_EQ(log.size(), before);
    COpticalDrive drive{L"/dev/sr0", L"/media/cdrom"};
    SendMessageW(hwnd, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&drive));
    EXPECT_TRUE(Has(log, "main: drive /dev/sr0"));
    EXPECT_TRUE(Has(log, "burn: drive /dev/sr0"));
    EXPECT_TRUE(Has(log, "player: drive /dev/sr0"));
}

TEST_F(CMainFrameTest, AnArrivedDiscOpensInTheActivePaneUnlessItBurns)
{
    Open();
    COpticalDrive drive{L"/dev/sr0", L"/media/cdrom"};
    SendMessageW(hwnd, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&drive));
    EXPECT_TRUE(Has(log, "main: open disc /dev/sr0"));

    window->SelectPage(1);
    burnPane->burning = true;
    size_t before = log.size();
    SendMessageW(hwnd, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&drive));
    SendMessageW(hwnd, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&drive));
    EXPECT_EQ(log.size(), before);  // nothing while a burn runs
}

TEST_F(CMainFrameTest, ADiscSizeBelowOneIsZero)
{
    Open();
    SendMessageW(hwnd, WM_VXM_UI_SET_DISC_SIZE, 4700, 0);
    SendMessageW(hwnd, WM_VXM_UI_SET_DISC_SIZE, static_cast<WPARAM>(-5), 0);
    EXPECT_TRUE(Has(log, "burn: disc size 4700"));
    EXPECT_TRUE(Has(log, "burn: disc size 0"));
}

TEST_F(CMainFrameTest, TheBurnCheckAnswersForTheBurnPaneAndClipChangesReachTheActiveList)
{
    Open();
    burnPane->mayBurn = true;
    EXPECT_EQ(SendMessageW(hwnd, WM_VXM_CHECK_BURN, 0, 0), 1);
    burnPane->mayBurn = false;
    EXPECT_EQ(SendMessageW(hwnd, WM_VXM_CHECK_BURN, 0, 0), 0);

    mainPane->held = {FakeMedia(4)};
    PostAndWait([](HWND w) {
        PostMessageW(w, WM_VXM_CLIP_CHANGED, reinterpret_cast<WPARAM>(FakeMedia(4)), 0);
        PostMessageW(w, WM_VXM_EFFECT_CHANGED, reinterpret_cast<WPARAM>(FakeMedia(4)), 0);
        PostMessageW(w, WM_VXM_CLIP_CHANGED, reinterpret_cast<WPARAM>(FakeMedia(9)), 0);
    });
    EXPECT_TRUE(Has(log, "main: segments m4"));
    EXPECT_TRUE(Has(log, "main: effects m4"));
    EXPECT_FALSE(Has(log, "main: segments m9"));
}

TEST_F(CMainFrameTest, ALoadedMediaGoesToTheActivePane)
{
    Open();
    window->SelectPage(1);
    PostAndWait([](HWND w) {
        // Position 2, flags 8 (keep preview).
        PostMessageW(w, WM_VXM_MEDIA_LOADED, reinterpret_cast<WPARAM>(FakeMedia(5)), (8 << 16) | 2);
    });
    ASSERT_EQ(burnPane->added.size(), 1u);
    EXPECT_TRUE(Has(log, "burn: add 2 8"));
    EXPECT_FALSE(Has(log, "main: manager first"));
    window->SelectPage(0);
    PostAndWait([](HWND w) {
        // An online media always goes to the end.
        PostMessageW(w, WM_VXM_MEDIA_LOADED, reinterpret_cast<WPARAM>(FakeMedia(6)), (1 << 16) | 4);
    });
    EXPECT_TRUE(Has(log, "main: add -1 1"));
    EXPECT_TRUE(Has(log, "main: manager first"));
}

TEST_F(CMainFrameTest, AFailedAddToTheMusicLibraryShowsItsReason)
{
    Open();
    SendMessageW(hwnd, WM_VXM_ITUNES_ADD_FAILED, static_cast<WPARAM>(-2), 0);
    std::wstring reason = Find(L"ID_LABEL_STATUS_BOTTOM")->GetText();
    EXPECT_FALSE(reason.empty());
    SendMessageW(hwnd, WM_VXM_ITUNES_ADD_FAILED, static_cast<WPARAM>(-1), 0);
    EXPECT_NE(Find(L"ID_LABEL_STATUS_BOTTOM")->GetText(), reason);
}

TEST_F(CMainFrameTest, OnlyTheMainPaneTimerTicksTheMainPane)
{
    Open();
    SendMessageW(hwnd, WM_TIMER, 100, 0);
    SendMessageW(hwnd, WM_TIMER, 101, 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), std::string("main: tick")), 1);
}

TEST_F(CMainFrameTest, AnUpdateOfferOfTheSkippedVersionShowsNothing)
{
    std::vector<std::wstring> shown;
    SetUpdateOfferHandler([&](HWND, const CVersionOffer& offer, const std::wstring& text) {
        shown.push_back(offer.Text() + L" " + text);
    });
    Open();
    CVXMSettings::GetInstance()->UpdateSkipVersion = L"2.1.300";
    auto post = [&](WPARAM packed) {
        auto* text = new wchar_t[5];
        std::wcscpy(text, L"news");
        PostMessageW(hwnd, WM_VXM_UPDATE_AVAILABLE, packed, reinterpret_cast<LPARAM>(text));
    };
    PostAndWait([&](HWND) {
        post(2 | (1 << 8) | (300 << 16));  // the skipped one
        post(2 | (2 << 8) | (5 << 16));
    });
    SetUpdateOfferHandler(nullptr);
    CVXMSettings::GetInstance()->UpdateSkipVersion.clear();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], L"2.2.5 news");
}

// ---- the UI service ----------------------------------------------------------------------

TEST_F(CMainFrameTest, ServiceMessagesTouchOnlyThisWindowsControls)
{
    Open();
    CControlUI* status = Find(L"ID_LABEL_STATUS_BOTTOM");
    const wchar_t text[] = L"Scanning";
    SendMessageW(hwnd, WM_VXM_UI_SET_TEXT, reinterpret_cast<WPARAM>(status), reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(status->GetText(), L"Scanning");

    CLabelUI stranger;
    stranger.SetText(L"mine");
    SendMessageW(hwnd, WM_VXM_UI_SET_TEXT, reinterpret_cast<WPARAM>(&stranger), reinterpret_cast<LPARAM>(text));
    SendMessageW(hwnd, WM_VXM_UI_ENABLE, 0x10, 0);  // not a control at all
    EXPECT_EQ(stranger.GetText(), L"mine");
}

TEST_F(CMainFrameTest, UiSlotsKeepTheirBlocksAndAnswerZeroOutsideTheTable)
{
    Open();
    auto* block = new char[8];
    SendMessageW(hwnd, WM_VXM_UI_SET_SLOT_INDEX, 0, 3);
    SendMessageW(hwnd, WM_VXM_UI_SET_SLOT, 0, reinterpret_cast<LPARAM>(block));
    EXPECT_EQ(SendMessageW(hwnd, WM_VXM_UI_GET_SLOT, 0, 3), reinterpret_cast<LRESULT>(block));
    EXPECT_EQ(SendMessageW(hwnd, WM_VXM_UI_GET_SLOT, 0, 16), 0);
    EXPECT_EQ(SendMessageW(hwnd, WM_VXM_UI_GET_SLOT, 0, -1), 0);
    SendMessageW(hwnd, WM_VXM_UI_FREE_SLOTS, 0, 0);
    EXPECT_EQ(SendMessageW(hwnd, WM_VXM_UI_GET_SLOT, 0, 3), 0);
}

// ---- closing -----------------------------------------------------------------------------

TEST_F(CMainFrameTest, ClosingWhileConvertingAsksAndNoKeepsTheWindowAndTheRows)
{
    Open();
    mainPane->converting = true;
    desktop.messageBox.answers = {IDNO};
    SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpPending();
    EXPECT_FALSE(Gone());
    EXPECT_FALSE(Has(log, "main: stop"));
    EXPECT_EQ(std::count_if(desktop.Calls().begin(), desktop.Calls().end(),
                            [](const std::wstring& c) { return c.find(L"MessageBox") == 0; }),
              1);
    EXPECT_TRUE(mainPane->converting);
}

TEST_F(CMainFrameTest, YesStopsEveryRowOnBothPanesBeforeTheWindowGoes)
{
    Open();
    mainPane->converting = true;
    mainPane->held = {FakeMedia(1)};
    burnPane->converting = true;
    burnPane->held = {FakeMedia(2)};
    // As the engine does: a stopped row ends a little later with a finished message.
    auto finishLater = [this](IVXMMedia* media) {
        return [this, media] {
            std::thread([h = hwnd, media] {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                PostMessageW(h, WM_VXM_JOB_FINISHED, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(media));
            }).detach();
        };
    };
    mainPane->onStop = finishLater(FakeMedia(1));
    burnPane->onStop = finishLater(FakeMedia(2));
    // A second close request while the rows stop asks nothing more.
    burnPane->onStop = [this, stop = finishLater(FakeMedia(2))] {
        stop();
        PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    };
    desktop.messageBox.answers = {IDYES, IDYES};
    SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump([&] { return Gone(); });
    EXPECT_EQ(std::count_if(desktop.Calls().begin(), desktop.Calls().end(),
                            [](const std::wstring& c) { return c.find(L"MessageBox") == 0; }),
              1);
    ASSERT_TRUE(Gone());
    window = nullptr;
    ASSERT_TRUE(Has(log, "main: destroyed"));
    EXPECT_LT(IndexOf(log, "main: stop"), IndexOf(log, "main: finished m1 -1"));
    EXPECT_LT(IndexOf(log, "burn: stop"), IndexOf(log, "burn: finished m2 -1"));
    EXPECT_LT(IndexOf(log, "main: finished m1 -1"), IndexOf(log, "main: destroyed"));
    EXPECT_LT(IndexOf(log, "burn: finished m2 -1"), IndexOf(log, "main: destroyed"));
}

TEST_F(CMainFrameTest, ARequestToEndStopsTheRowsWithoutAskingThenTheWindowGoes)
{
    Open();
    mainPane->converting = true;
    mainPane->held = {FakeMedia(1)};
    mainPane->onStop = [this] {
        mainPane->converting = false;
        PostMessageW(hwnd, WM_VXM_JOB_FINISHED, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(FakeMedia(1)));
    };
    PostMessageW(hwnd, WM_VXM_TERMINATE, SIGTERM, 0);
    Pump([&] { return Gone(); });
    ASSERT_TRUE(Gone());
    window = nullptr;
    for (const std::wstring& call : desktop.Calls()) EXPECT_NE(call.find(L"MessageBox"), 0u);
    ASSERT_TRUE(Has(log, "main: stop"));
    EXPECT_LT(IndexOf(log, "main: stop"), IndexOf(log, "main: destroyed"));
}

TEST_F(CMainFrameTest, TheCloseButtonAsksTooAndNoKeepsTheWindow)
{
    Open();
    mainPane->converting = true;
    desktop.messageBox.answers = {IDNO};
    TNotifyUI click;
    click.sType = L"click";
    click.pSender = Find(L"ID_BTN_CLOSE_WINDOW");
    window->Notify(click);
    PumpPending();
    EXPECT_FALSE(Gone());
    EXPECT_FALSE(Has(log, "main: stop"));
}

TEST_F(CMainFrameTest, AStoredMaximisedPlacementStartsWithTheRestoreButton)
{
    windowPos = L"2,3,-1,-1,-8,-8,100,50,1124,705;";
    Open();
    EXPECT_TRUE(Visible(L"ID_BTN_RESTORE_WINDOW"));
    EXPECT_FALSE(Visible(L"ID_BTN_MAXIMIZE_WINDOW"));
}

TEST_F(CMainFrameTest, ClosingStoresThePlacement)
{
    windowPos = L"0,1,-1,-1,-1,-1,120,80,1144,735;";
    Open();
    CVXMSettings::GetInstance()->WindowPos.clear();
    SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump([&] { return Gone(); });
    ASSERT_TRUE(Gone());
    window = nullptr;
    WINDOWPLACEMENT stored;
    ASSERT_TRUE(ParseWindowPlacement(CVXMSettings::GetInstance()->WindowPos, stored));
    EXPECT_EQ(stored.showCmd, 1u);
    EXPECT_GT(stored.rcNormalPosition.right - stored.rcNormalPosition.left, 0);
}

TEST_F(CMainFrameTest, ClosingWithNothingRunningAsksNothing)
{
    Open();
    SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump([&] { return Gone(); });
    EXPECT_TRUE(Gone());
    window = nullptr;
    EXPECT_TRUE(desktop.Calls().empty() ||
                std::none_of(desktop.Calls().begin(), desktop.Calls().end(),
                             [](const std::wstring& c) { return c.find(L"MessageBox") == 0; }));
}

// ---- the skin ----------------------------------------------------------------------------

TEST_F(CMainFrameTest, EveryControlTheWindowLooksUpIsInTheSkin)
{
    Open();
    int count = 0;
    const wchar_t* const* names = CVXMMainFrameWnd::RequiredControlNames(count);
    ASSERT_GT(count, 18);
    for (int i = 0; i < count; ++i) EXPECT_NE(Find(names[i]), nullptr) << std::string(names[i], names[i] + std::wcslen(names[i]));
}

TEST_F(CMainFrameTest, TheMainWindowRendersToAPicture)
{
    Open();
    window->ShowStatusMessage(L"Ready");
    PumpPending();
    QImage image = window->GetPaintManager()->RenderToImage();
    ASSERT_FALSE(image.isNull());
    EXPECT_GE(image.width(), 1000);
    EXPECT_GE(image.height(), 600);
    std::string path = std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/mainframe.png";
    EXPECT_TRUE(image.save(QString::fromStdString(path), "PNG"));

    window->SelectPage(1);
    window->ShowStatusMessage(L"Burner ready");
    QImage burner = window->GetPaintManager()->RenderToImage();
    ASSERT_FALSE(burner.isNull());
    EXPECT_NE(burner, image);  // another page is shown
    std::string burnerPath = std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/mainframe-burner.png";
    EXPECT_TRUE(burner.save(QString::fromStdString(burnerPath), "PNG"));
}

}  // namespace
