// Every menu command and toolbar button of the main window reaches its
// action, each id through exactly one entry; the menu file and the id ranges
// made at run time keep apart; popups and the player's ratio commands.
#include "recording_panes.h"

#include "MainFrameCommands.h"
#include "VXMGlobal.h"
#include "support/test_media.h"
#include "UIMenuScript.h"

#include <filesystem>
#include <set>

namespace {

std::wstring SourceDir() { return std::wstring(VXM_SOURCE_DIR, VXM_SOURCE_DIR + sizeof(VXM_SOURCE_DIR) - 1); }

std::unique_ptr<CMenu> LoadMenus()
{
    std::wstring error;
    auto menus = CMenu::LoadFile(SourceDir() + L"/skin/" + kMenuFile, &error);
    EXPECT_TRUE(menus) << Narrow(error);
    return menus;
}

bool DesktopCalled(const CFakeDesktop& desktop, const std::wstring& start)
{
    for (const std::wstring& call : desktop.Calls())
        if (call.rfind(start, 0) == 0) return true;
    return false;
}

// ---- the menu file and the command table ------------------------------------------------------

TEST(MenuFile, HoldsTheNinePopupsInTheirPlaces)
{
    auto menus = LoadMenus();
    ASSERT_TRUE(menus);
    const wchar_t* names[] = {L"_MAIN_", L"_SNAPSHOT_", L"_PLAYER_", L"_MEDIA_LIST_", L"_HELP_",
                              L"_OPENDVD_", L"_MEDIAMAN_", L"_OPENBURNDVD_", L"_OPENURL_"};
    ASSERT_EQ(menus->GetItemCount(), 9);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(menus->GetItemText(static_cast<UINT>(i), EMenuBy::Position), names[i]);
}

TEST(MenuFile, EveryCommandOfEveryPopupHasExactlyOneTableEntry)
{
    auto menus = LoadMenus();
    ASSERT_TRUE(menus);
    std::set<UINT> ids;
    for (UINT id : menus->CollectIds()) ids.insert(id);
    ASSERT_GT(ids.size(), 90u);
    for (UINT id : ids) {
        int holders = 0;
        for (const CMainFrameCommand& c : MainFrameCommandTable())
            if (id >= c.first && id - c.first < c.count) ++holders;
        EXPECT_EQ(holders, 1) << "id " << id;
    }
}

TEST(MenuFile, TableEntriesDoNotOverlapAndFixedOnesAreAllInTheFile)
{
    auto menus = LoadMenus();
    ASSERT_TRUE(menus);
    std::set<UINT> inFile;
    for (UINT id : menus->CollectIds()) inFile.insert(id);
    const auto& table = MainFrameCommandTable();
    for (size_t a = 0; a < table.size(); ++a)
        for (size_t b = a + 1; b < table.size(); ++b) {
            bool apart = table[a].first + table[a].count <= table[b].first || table[b].first + table[b].count <= table[a].first;
            EXPECT_TRUE(apart) << table[a].action << " " << table[a].first << " / " << table[b].action << " " << table[b].first;
        }
    CMenuIdSpace space;
    ASSERT_TRUE(ReserveDynamicMenuRanges(space));
    for (const CMainFrameCommand& c : table) {
        std::wstring range;
        UINT index = 0;
        if (space.Resolve(c.first, &range, &index)) continue;  // made at run time
        for (UINT id = c.first; id < c.first + c.count; ++id) EXPECT_TRUE(inFile.count(id)) << c.action << " " << id;
    }
}

TEST(MenuFile, RunTimeRangesMeetNeitherEachOtherNorAFixedId)
{
    auto menus = LoadMenus();
    ASSERT_TRUE(menus);
    CMenuIdSpace space;
    ASSERT_TRUE(ReserveDynamicMenuRanges(space));
    std::set<UINT> ranged;
    for (const auto& range : space.GetRanges()) ranged.insert(range.first);
    for (UINT id : menus->CollectIds()) {
        if (id == ID_LANGUAGE_AUTO) continue;  // the language range starts with "Auto"
        std::wstring name;
        UINT index = 0;
        EXPECT_FALSE(space.Resolve(id, &name, &index)) << "fixed id " << id << " lies in " << Narrow(name);
    }
    // Audio tracks, subtitles and DVD titles keep their full counts.
    EXPECT_EQ(space.IdOf(L"audio", 96), ID_AUDIO_TRACK_FIRST + 96);
    EXPECT_EQ(space.IdOf(L"subtitle", 96), ID_SUBTITLE_TRACK_FIRST + 96);
    EXPECT_EQ(space.IdOf(L"dvd", 196), ID_DVD_TITLE_FIRST + 196);
    EXPECT_EQ(FindMainFrameCommand(100), nullptr);
}

// ---- each command reaches its action ---------------------------------------------------------

class CCommandTest : public CWindowFixture {
protected:
    // Sends the command and expects the entry to appear in the log.
    void Expect(UINT id, const std::string& entry)
    {
        size_t before = log.size();
        SendMessageW(hwnd, WM_COMMAND, id, 0);
        bool found = false;
        for (size_t i = before; i < log.size(); ++i) found = found || log[i] == entry;
        EXPECT_TRUE(found) << "command " << id << " did not reach \"" << entry << "\"";
    }
    void ExpectDesktop(UINT id, const std::wstring& start)
    {
        desktop.log.entries.clear();
        SendMessageW(hwnd, WM_COMMAND, id, 0);
        EXPECT_TRUE(DesktopCalled(desktop, start)) << "command " << id << " did not reach " << Narrow(start);
    }
};

TEST_F(CCommandTest, ListPaneAndDialogCommandsReachTheirActions)
{
    Open();
    for (UINT id : kListCommandIds) Expect(id, "main: list command " + std::to_string(id));
    Expect(ID_JOIN_SELECTED, "main: join selected");
    EXPECT_EQ(Narrow(static_cast<CLabelUI*>(window->GetPaintManager()->FindControl(L"ID_LABEL_STATUS_BOTTOM"))->GetText()),
              "Joining source files, please wait...");
    Expect(ID_JOIN_ALL, "main: join all");
    Expect(ID_UNJOIN_ALL, "main: unjoin all");
    Expect(ID_START_CONVERTING, "main: convert all");
    Expect(ID_STOP_CONVERTING, "main: stop all");
    Expect(ID_TAKE_SNAPSHOT, "main: snapshot");
    Expect(ID_OPTIONS, "dialog: options");
    Expect(ID_ABOUT, "dialog: about");
    Expect(ID_BATCH_ADD, "dialog: batch add");
    Expect(ID_CHECK_UPDATES, "dialog: updates");
    Expect(ID_IMPORT_FROM_WEB, "dialog: urls");
    Expect(ID_DOWNLOAD_MP3, "dialog: urls");
    Expect(ID_OPEN_DVD_DRIVE, "dialog: drive");
    Expect(ID_OPEN_BURN_DVD_DRIVE, "dialog: drive");

    // On the burner page the same commands act on the burn pane.
    window->SelectPage(1);
    Expect(ID_START_CONVERTING, "burn: convert all");
    Expect(ID_LIST_REMOVE, "burn: list command " + std::to_string(ID_LIST_REMOVE));
}

TEST_F(CCommandTest, FileFolderAndShellCommandsReachTheDesktop)
{
    vxmtest::CTempDir dir;
    CVXMSettings* s = CVXMSettings::GetInstance();
    s->OutputFolder = Utf8ToWide(dir.File("out/converted"));
    s->SnapshotFolder = Utf8ToWide(dir.File("snaps"));
    Open();
    ExpectDesktop(ID_ADD_VIDEO_FILES, L"Files.Open: ");
    EXPECT_TRUE(desktop.files.requests.back().multiSelect);
    ExpectDesktop(ID_ADD_DVD_ISO, L"Files.Open: ");
    EXPECT_FALSE(desktop.files.requests.back().multiSelect);
    EXPECT_EQ(desktop.files.requests.back().filters.front().name, L"DVD Image Files");
    ExpectDesktop(ID_OPEN_DVD_FOLDER, L"Files.Folder: Add Video files in Folder Selected ...|");
    ExpectDesktop(ID_SET_OUTPUT_FOLDER, L"Files.Folder: Please select the output folder :|" + s->OutputFolder);
    ExpectDesktop(ID_CHANGE_SNAPSHOT_FOLDER, L"Files.Folder: Please select the snapshot folder :|" + s->SnapshotFolder);
    // The output folder is made when missing, then opened.
    ExpectDesktop(ID_OPEN_OUTPUT_FOLDER, L"Shell.Open: " + s->OutputFolder);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("out/converted")));
    ExpectDesktop(ID_OPEN_SNAPSHOT_FOLDER, L"Shell.Open: " + s->SnapshotFolder);
    ExpectDesktop(ID_HELP_CONTENTS, L"Shell.Open: " + GetOnlineHelpURL());
    ExpectDesktop(ID_SOFTWARE_WEBSITE, L"Shell.Open: " + GetProductPageURL());

    // A chosen folder is stored.
    desktop.files.folderAnswer = Utf8ToWide(dir.Path());
    SendMessageW(hwnd, WM_COMMAND, ID_SET_OUTPUT_FOLDER, 0);
    EXPECT_EQ(s->OutputFolder, Utf8ToWide(dir.Path()));
}

TEST_F(CCommandTest, PlayerCommandsReachThePlayerPane)
{
    Open();
    Expect(32940, "player: open files");
    Expect(32941, "player: open dvd folder");
    Expect(32942, "player: open dvd drive");
    Expect(32943, "player: open dvd image");
    Expect(ID_PLAYER_PLAYLIST, "player: play list");
    Expect(ID_PLAYER_ADD_TO_CONVERTER, "player: to converter");
    Expect(ID_PLAYER_PLAY, "player: play");
    Expect(ID_PLAYER_PAUSE, "player: pause");
    Expect(ID_PLAYER_STOP, "player: stop");
    Expect(ID_PLAYER_FULLSCREEN, "player: full screen");
    Expect(ID_PLAYER_TOPMOST, "player: topmost");
    const int seconds[] = {10, 60, 600, -10, -60, -600};
    for (UINT i = 0; i < 6; ++i) Expect(32882 + i, "player: seek " + std::to_string(seconds[i]));
    Expect(32922, "player: zoom 0.00");
    const char* zooms[] = {"0.50", "1.00", "1.50", "2.00", "3.00", "4.00"};
    for (UINT i = 0; i < 6; ++i) Expect(32915 + i, std::string("player: zoom ") + zooms[i]);
    Expect(32897, "player: ratio 1.00");
    for (UINT i = 0; i < 7; ++i) Expect(32853 + i, "player: deinterlace " + std::to_string(i));
    const UINT outputs[] = {32907, 32860, 32861, 32862, 32906, 32864};
    for (int i = 0; i < 6; ++i) Expect(outputs[i], "player: video output " + std::to_string(i));
    for (UINT i = 0; i < 5; ++i) Expect(32865 + i, "player: rotation " + std::to_string(i));
    Expect(ID_PLAYER_MUTE, "player: mute");
    player->muted = true;
    Expect(ID_PLAYER_MUTE, "player: unmute");
    for (UINT i = 0; i < 3; ++i) Expect(32912 + i, "player: channels " + std::to_string(i));
    Expect(ID_AUDIO_TRACK_FIRST, "player: audio 0");
    Expect(ID_AUDIO_TRACK_FIRST + 96, "player: audio 96");
    Expect(ID_PLAYER_SUBTITLE_HIDE, "player: subtitle -1");
    Expect(ID_SUBTITLE_TRACK_FIRST + 3, "player: subtitle 3");
    Expect(ID_PLAYER_SUBTITLE_LOAD, "player: subtitle file");
    Expect(ID_DVD_TITLE_FIRST + 196, "player: title 196");
}

TEST_F(CCommandTest, RatioItemsSetTheFlagAndTalkToARunningPlayerOnly)
{
    Open();
    // The flag is set; the command goes to the player pane, which sends it only to a running player.
    Expect(32903, "player: fixed ratio");
    player->playing = true;
    Expect(32899, "player: command pausing_keep switch_ratio 1.333333\n");
    Expect(32905, "player: command pausing_keep switch_ratio 2.350000\n");

    // "Auto": the video's own shape.
    player->videoWidth = 640;
    player->videoHeight = 360;
    Expect(ID_PLAYER_RATIO_AUTO, "player: free ratio");
    EXPECT_EQ(log.back(), "player: command pausing_keep switch_ratio 1.777778\n");

    // A video of zero height gives no ratio to send (and no division by zero).
    player->videoHeight = 0;
    size_t before = log.size();
    SendMessageW(hwnd, WM_COMMAND, ID_PLAYER_RATIO_AUTO, 0);
    ASSERT_EQ(log.size(), before + 1);
    EXPECT_EQ(log.back(), "player: free ratio");
}

TEST_F(CCommandTest, LanguageEntriesStoreTheirLanguageAndUnknownIdsAreNotTaken)
{
    CVXMSettings* s = CVXMSettings::GetInstance();
    s->LangID = L"auto";
    Open();
    auto languages = CLanguageManager::GetInstance()->FindLanaguagesSupported();
    ASSERT_FALSE(languages.empty());
    SendMessageW(hwnd, WM_COMMAND, ID_LANGUAGE_FIRST, 0);
    EXPECT_EQ(s->LangID, languages.front().id);
    SendMessageW(hwnd, WM_COMMAND, ID_LANGUAGE_AUTO, 0);
    EXPECT_EQ(s->LangID, L"auto");
    // Past the last language: ignored.
    SendMessageW(hwnd, WM_COMMAND, ID_LANGUAGE_FIRST + 500, 0);
    EXPECT_EQ(s->LangID, L"auto");
    EXPECT_FALSE(window->OnCommand(31000));
    EXPECT_TRUE(window->OnCommand(ID_SKIN_FIRST));  // no skin folders here: nothing changes
}

TEST_F(CCommandTest, ExitClosesTheWindow)
{
    Open();
    SendMessageW(hwnd, WM_COMMAND, ID_EXIT, 0);
    Pump([this] { return CWindowWnd::FromHandle(hwnd) == nullptr; });
    EXPECT_EQ(CWindowWnd::FromHandle(hwnd), nullptr);
    window = nullptr;
}

// ---- buttons and popups ---------------------------------------------------------------------

class CClickTest : public CWindowFixture {
protected:
    void Click(const wchar_t* name)
    {
        // The skin's button; a stand-in for the few the skin leaves to the panes.
        CButtonUI standIn;
        standIn.SetName(name);
        CControlUI* button = window->GetPaintManager()->FindControl(name);
        TNotifyUI msg;
        msg.sType = L"click";
        msg.pSender = button ? button : &standIn;
        window->Notify(msg);
    }
};

TEST_F(CClickTest, ToolbarButtonsReachTheirActions)
{
    Open();
    for (const wchar_t* name : {L"ID_BTN_ADD_VIDEO", L"ID_BTN_ADD_DVD", L"ID_BTN_DROP_ADD_DVD", L"ID_BTN_ADD_URL", L"ID_BTN_DROP_ADD_URL",
                                L"ID_BTN_ADD_BURNER_VIDEO", L"ID_BTN_ADD_BURNER_DVD", L"ID_BTN_DROP_ADD_BURNER_DVD",
                                L"ID_BTN_ADD_BURNER_URL", L"ID_BTN_DROP_ADD_BURNER_URL", L"ID_BTN_MENU_MAIN", L"ID_BTN_MENU_HELP",
                                L"ID_BTN_OPTIONS"})
        EXPECT_NE(window->GetPaintManager()->FindControl(name), nullptr) << "the skin has no " << Narrow(name);
    for (const wchar_t* name : {L"ID_BTN_ADD_VIDEO", L"ID_BTN_GETTING_STARTED", L"ID_BTN_ADD_BURNER_VIDEO", L"ID_BTN_BURNER_STARTED"}) {
        desktop.log.entries.clear();
        Click(name);
        EXPECT_TRUE(DesktopCalled(desktop, L"Files.Open: ")) << Narrow(name);
    }
    EXPECT_FALSE(window->GetPaintManager()->FindControl(L"ID_LAYOUT_FIRSTAID")->IsVisible());
    for (const wchar_t* name : {L"ID_BTN_ADD_DVD", L"ID_BTN_ADD_BURNER_DVD"}) {
        log.clear();
        Click(name);
        EXPECT_TRUE(Has(log, "dialog: drive")) << Narrow(name);
    }
    for (const wchar_t* name : {L"ID_BTN_ADD_URL", L"ID_BTN_ADD_BURNER_URL"}) {
        log.clear();
        Click(name);
        EXPECT_TRUE(Has(log, "dialog: urls")) << Narrow(name);
    }
    log.clear();
    Click(L"ID_BTN_MERGE_ON");
    Click(L"ID_BTN_MERGE_OFF");
    Click(L"ID_BTN_OPTIONS");
    EXPECT_EQ(log, (std::vector<std::string>{"main: join all", "main: unjoin all", "dialog: options"}));

    CVXMSettings* s = CVXMSettings::GetInstance();
    mainPane->shutdownChecked = false;
    Click(L"IDC_PANE_CHECK_SHUTDOWN");
    EXPECT_EQ(s->ShutdownFlag, 1);
    mainPane->shutdownChecked = true;
    Click(L"IDC_PANE_CHECK_SHUTDOWN");
    EXPECT_EQ(s->ShutdownFlag, 0);

    CPaintManagerUI* pm = window->GetPaintManager();
    bool shown = pm->FindControl(L"ID_LAYOUT_MEDIA_MAN")->IsVisible();
    Click(L"ID_BTN_SHOW_LEFT");
    EXPECT_EQ(pm->FindControl(L"ID_LAYOUT_MEDIA_MAN")->IsVisible(), !shown);
    EXPECT_EQ(pm->FindControl(L"ID_BTN_HIDE_LEFT")->IsVisible(), !shown);
    bool right = pm->FindControl(L"ID_LAYOUT_RIGHT")->IsVisible();
    log.clear();
    Click(L"ID_BTN_HIDE_RIGHT");
    EXPECT_EQ(pm->FindControl(L"ID_LAYOUT_RIGHT")->IsVisible(), !right);
    EXPECT_TRUE(Has(log, right ? "main: right hidden" : "main: right shown"));

    desktop.log.entries.clear();
    Click(L"ID_BTN_TWITTER");
    Click(L"ID_BTN_FACEBOOK");
    EXPECT_EQ(desktop.Calls().size(), 2u);
}

TEST_F(CClickTest, MenuButtonsRunTheirPopupAndTheChoiceRuns)
{
    CScriptedMenuRunner runner;
    CMenuRunnerScope scope(&runner);
    Open();
    runner.Choose(ID_START_CONVERTING);
    Click(L"ID_BTN_MENU_MAIN");
    ASSERT_EQ(runner.shown.size(), 1u);
    EXPECT_EQ(runner.shown[0].front(), L"Add &Video Files...");
    EXPECT_TRUE(Has(log, "main: convert all"));

    runner.Choose(ID_ABOUT);
    Click(L"ID_BTN_MENU_HELP");
    EXPECT_TRUE(Has(log, "dialog: about"));

    runner.Choose(ID_DOWNLOAD_MP3);
    Click(L"ID_BTN_DROP_ADD_URL");
    EXPECT_EQ(runner.shown.back(), (std::vector<std::wstring>{L"Import Video from &Web...", L"DownLoad MP3"}));
    EXPECT_TRUE(Has(log, "dialog: urls"));

    runner.Choose(ID_OPEN_BURN_DVD_DRIVE);
    log.clear();
    Click(L"ID_BTN_DROP_ADD_BURNER_DVD");
    EXPECT_TRUE(Has(log, "dialog: drive"));
    // Nothing chosen: nothing runs.
    log.clear();
    Click(L"ID_BTN_DROP_ADD_DVD");
    EXPECT_TRUE(log.empty());
}

TEST_F(CClickTest, RowContextMenuIsPreparedAndItsChoiceReachesTheList)
{
    CScriptedMenuRunner runner;
    CMenuRunnerScope scope(&runner);
    Open();
    mainPane->contextArea = 1;
    mainPane->converting = true;
    mainPane->completedRowSelected = true;
    desktop.clipboard.SetText(L"https://example.com/clip");
    runner.Choose(ID_LIST_RENAME);
    TNotifyUI msg;
    msg.sType = L"media_contextmenu";
    msg.wParam = 100;
    msg.lParam = 200;
    window->Notify(msg);
    EXPECT_TRUE(Has(log, "main: prepare list menu"));
    EXPECT_TRUE(Has(log, "main: list command " + std::to_string(ID_LIST_RENAME)));
    CMenu* list = window->GetMenus()->GetSubMenu(MENU_MEDIA_LIST);
    EXPECT_TRUE(list->IsEnabled(ID_PASTE_VIDEO_URL));
    EXPECT_TRUE(list->IsEnabled(ID_LIST_OPEN_DESTINATION));
    EXPECT_FALSE(list->IsEnabled(ID_START_CONVERTING));
    EXPECT_TRUE(list->IsEnabled(ID_STOP_CONVERTING));

    // The pane's list has the last word: the history's menu never converts.
    mainPane->historyShown = true;
    runner.Choose(0);
    window->Notify(msg);
    EXPECT_FALSE(list->IsEnabled(ID_START_CONVERTING));
    EXPECT_FALSE(list->IsEnabled(ID_STOP_CONVERTING));

    // The media manager's own menu on the converter page.
    mainPane->contextArea = 2;
    runner.Choose(32975);
    window->Notify(msg);
    EXPECT_TRUE(Has(log, "main: prepare manager menu"));
    EXPECT_TRUE(Has(log, "main: list command 32975"));

    // The player page: the player's menu.
    window->SelectPage(2);
    runner.Choose(ID_PLAYER_PAUSE);
    window->Notify(msg);
    EXPECT_TRUE(Has(log, "player: prepare menu"));
    EXPECT_TRUE(Has(log, "player: pause"));
}

TEST_F(CClickTest, NotificationsReachTheirPanes)
{
    Open();
    auto send = [this](const wchar_t* type, WPARAM w, LPARAM l) {
        TNotifyUI msg;
        msg.sType = type;
        msg.wParam = w;
        msg.lParam = l;
        window->Notify(msg);
    };
    send(L"item_created", 0, 1);
    send(L"item_removed", 0, 0);
    send(L"item_checked", 0, 0);
    send(L"item_selected", 0, 0);
    send(L"transstarted", 0, 0);
    send(L"cal_size", 0, 1);
    EXPECT_EQ(log, (std::vector<std::string>{"burn: list state", "main: list state", "main: selection", "main: selection preview",
                                             "main: trans started", "burn: disc size meter"}));
    send(L"update_status", 120, 0);
    EXPECT_EQ(Narrow(window->GetPaintManager()->FindControl(L"ID_LABEL_STATUS_BOTTOM")->GetText()), "Analyzing DVD...");
    send(L"add_to_player", 0, 0);
    EXPECT_EQ(window->GetPage(), 2);
}

}  // namespace
