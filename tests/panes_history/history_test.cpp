// The media-manager tree and the history list in the program's main window,
// on a history database written by the program's own CDBHelper: counts of
// the nodes, the rows each node lists, removing to the recycle bin, restoring,
// deleting for good, and a database that refuses the change.
#include "CppSQLite3.h"
#include "DBHelper.h"
#include "HistoryListUI.h"
#include "MainFrameCommands.h"
#include "MainPaneMaker.h"
#include "MainPaneUI.h"
#include "IVXMMedia.h"
#include "MediaManagerListUI.h"
#include "PreviewPaneUI.h"
#include "VXMGlobal.h"
#include "VXMMainFrameWnd.h"
#include "VXMSettings.h"
#include "platform/text.h"
#include "support/main_window_environment.h"
#include "support/test_media.h"
#include "ui/UILib.h"
#include "ui/UIMenu.h"
#include "FakeDesktop.h"
#include "UIMenuScript.h"

#include <QPoint>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

const bool g_drivers = [] {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    return true;
}();
[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment();

namespace fs = std::filesystem;

VXM_CONVERTED_INFO Converted(const std::wstring& profile, const std::wstring& output)
{
    VXM_CONVERTED_INFO info;
    info.profileName = profile;
    info.sourcePath = L"/videos/source.avi";
    info.outputPath = output;
    info.durationMs = 65000;
    info.videoCodec = L"h264";
    info.frameRate = L"25";
    info.videoSize = L"640x360";
    info.audioCodec = L"aac";
    info.audioBitrate = L"128";
    return info;
}

VXM_DOWNLOADED_INFO Downloaded(const std::wstring& site, const std::wstring& url)
{
    VXM_DOWNLOADED_INFO info;
    info.siteName = site;
    info.pageUrl = url;
    info.localFile = L"/videos/" + site + L".mp4";
    info.audioTrackCount = 1;
    return info;
}

class HistoryPanes : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetMainPaneMaker(nullptr);
        CDBHelper::DeleteInstance();
        std::error_code ec;
        fs::remove(WideToUtf8(GetAppDataFolder()) + "/" + kHistoryDbFileName, ec);
        db = CDBHelper::GetInstance();
        ASSERT_TRUE(db->Init());
        ASSERT_TRUE(db->AddProfiles({{L"phone-mp4", L"Phone video", L"Phone"}, {L"web-webm", L"Web video", L"Web"}}));
        ASSERT_TRUE(db->AddConvertedRecord(Converted(L"phone-mp4", W(out.File("a.mp4")))));
        ASSERT_TRUE(db->AddConvertedRecord(Converted(L"phone-mp4", W(out.File("b.mp4")))));
        ASSERT_TRUE(db->AddConvertedRecord(Converted(L"web-webm", W(out.File("c.webm")))));
        ASSERT_TRUE(db->AddDownloadedRecord(Downloaded(L"vidsite", L"https://vidsite.example/watch?v=1")));
        CVXMSettings::GetInstance()->OutputFolder = W(out.Path());
    }
    void TearDown() override
    {
        if (window) window->DestroyWindow();
        vxmtest::PumpPending();
        CDBHelper::DeleteInstance();
    }
    void Open()
    {
        window = new CVXMMainFrameWnd(L"");
        ASSERT_NE(window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655),
                  nullptr);
        pane = dynamic_cast<CMainPaneUI*>(window->GetMainPane());
        ASSERT_NE(pane, nullptr);
        tree = pane->GetMediaManagerList();
        history = pane->GetHistoryList();
        ASSERT_TRUE(tree && history);
    }
    static std::wstring W(const std::string& s) { return Utf8ToWide(s); }
    int Count(int kind, const std::wstring& name = {})
    {
        CMediaManagerElementUI* node = name.empty() ? tree->GetTopNode(kind) : tree->FindChild(kind, name);
        if (!node) return -100;
        CControlUI* label = node->FindSubControl(L"ID_MEDIAMAN_COUNT");
        EXPECT_TRUE(label && label->GetText() == std::to_wstring(node->GetRecordCount()));
        return node->GetRecordCount();
    }
    // Chooses a node as a click does: the main window hands it to the pane.
    void Choose(int kind, const std::wstring& name = {})
    {
        CMediaManagerElementUI* node = name.empty() ? tree->GetTopNode(kind) : tree->FindChild(kind, name);
        ASSERT_NE(node, nullptr);
        tree->SelectItem(tree->GetItemIndex(node));
    }
    std::wstring RowText(int index, const wchar_t* name)
    {
        CControlUI* c = history->GetHistoryItem(index)->FindSubControl(name);
        return c && c->IsVisible() ? c->GetText() : L"<hidden>";
    }
    // The button's release inside one dispatch, as a click arrives.
    void Press(int row, const wchar_t* button)
    {
        CControlUI* b = history->GetHistoryItem(row)->FindSubControl(button);
        ASSERT_TRUE(b && b->IsVisible());
        CDispatchScope scope(window->GetPaintManager());
        TEventUI e;
        e.Type = UIEVENT_BUTTONUP;
        e.pSender = b;
        b->Event(e);
    }
    int Deleted(const std::wstring& output)
    {
        CppSQLite3DB raw;
        raw.open(WideToUtf8(db->GetDatabasePath()));
        return raw.execScalar(("SELECT is_deleted FROM converted WHERE dest_file_name = '" + WideToUtf8(output) + "'").c_str());
    }

    CFakeDesktop desktop;
    vxmtest::CTempDir out;
    CDBHelper* db = nullptr;
    CVXMMainFrameWnd* window = nullptr;
    CMainPaneUI* pane = nullptr;
    CMediaManagerListUI* tree = nullptr;
    CHistoryListUI* history = nullptr;
};

TEST_F(HistoryPanes, TreeCountsWhatTheDatabaseHoldsAndANodeListsItsRecords)
{
    Open();
    EXPECT_EQ(tree->GetNode(0)->GetKind(), MEDIAMAN_CONVERSION);
    EXPECT_EQ(Count(MEDIAMAN_PROFILE, L"phone-mp4"), 2);
    EXPECT_EQ(Count(MEDIAMAN_PROFILE, L"web-webm"), 1);
    EXPECT_EQ(Count(MEDIAMAN_SITE, L"vidsite"), 1);
    EXPECT_EQ(Count(MEDIAMAN_RECYCLE_BIN), 0);
    EXPECT_EQ(tree->FindChild(MEDIAMAN_PROFILE, L"phone-mp4")->GetNodeText(), L"Phone");
    EXPECT_EQ(tree->GetNode(tree->GetCount() - 1)->GetKind(), MEDIAMAN_RECYCLE_BIN);

    Choose(MEDIAMAN_PROFILE, L"phone-mp4");
    ASSERT_EQ(history->GetCount(), 2);
    EXPECT_TRUE(history->IsVisible());
    EXPECT_EQ(RowText(0, L"ID_LABEL_MEDIA_INFO"), L"H264 | 640X360 | 25 FPS");
    EXPECT_EQ(RowText(0, L"ID_LABEL_AUDIO_INFO"), L"AAC | 128 KBPS");
    EXPECT_EQ(RowText(0, L"ID_LABEL_MEDIA_DURATION"), L"00:01:05.0");
    EXPECT_EQ(RowText(0, L"ID_BUTTON_EXPORT_TO_ITUNES"), L"<hidden>");
    EXPECT_EQ(RowText(0, L"ID_BUTTON_ITEM_RESTORE"), L"<hidden>");

    Choose(MEDIAMAN_SITE, L"vidsite");
    ASSERT_EQ(history->GetCount(), 1);
    EXPECT_EQ(history->GetHistoryItem(0)->GetSourcePath(), L"https://vidsite.example/watch?v=1");
    EXPECT_EQ(RowText(0, L"ID_LAYOUT_AUDIO_INFO"), L"<hidden>");  // no audio: the line goes

    // The Conversion node shows the conversion list again.
    Choose(MEDIAMAN_CONVERSION);
    EXPECT_FALSE(history->IsVisible());
}

TEST_F(HistoryPanes, RemoveRestoreAndDeleteForGoodMoveRowsAndCounts)
{
    Open();
    Choose(MEDIAMAN_PROFILE, L"phone-mp4");
    ASSERT_EQ(history->GetCount(), 2);
    CHistoryListItemUI* row = history->GetHistoryItem(0);
    const std::wstring output = row->GetOutputPath();
    Press(0, L"ID_BUTTON_ITEM_REMOVE");
    EXPECT_EQ(history->GetCount(), 1);
    EXPECT_EQ(Count(MEDIAMAN_PROFILE, L"phone-mp4"), 1);
    EXPECT_EQ(Count(MEDIAMAN_RECYCLE_BIN), 1);
    EXPECT_EQ(Deleted(output), 1);

    Choose(MEDIAMAN_RECYCLE_BIN);
    ASSERT_EQ(history->GetCount(), 1);
    EXPECT_EQ(history->GetHistoryItem(0)->GetOutputPath(), output);
    Press(0, L"ID_BUTTON_ITEM_RESTORE");
    EXPECT_EQ(history->GetCount(), 0);
    EXPECT_EQ(Count(MEDIAMAN_RECYCLE_BIN), 0);
    EXPECT_EQ(Count(MEDIAMAN_PROFILE, L"phone-mp4"), 2);
    EXPECT_EQ(Deleted(output), 0);

    // The last record of a profile goes: its node counts 0, the bin deletes it for good.
    Choose(MEDIAMAN_PROFILE, L"web-webm");
    history->SelectItem(0);
    ASSERT_TRUE(history->OnMenuCommand(32791));
    EXPECT_EQ(Count(MEDIAMAN_PROFILE, L"web-webm"), 0);
    Choose(MEDIAMAN_RECYCLE_BIN);
    ASSERT_EQ(history->GetCount(), 1);
    const std::wstring webOutput = history->GetHistoryItem(0)->GetOutputPath();
    Press(0, L"ID_BUTTON_ITEM_REMOVE");
    EXPECT_EQ(history->GetCount(), 0);
    EXPECT_EQ(Count(MEDIAMAN_RECYCLE_BIN), 0);
    EXPECT_EQ(Deleted(webOutput), 2);
    EXPECT_EQ(Count(MEDIAMAN_PROFILE, L"web-webm"), 0);  // never below 0
}

TEST_F(HistoryPanes, ARefusedChangeLeavesRowsAndCountsAndSaysSo)
{
    {
        // The database refuses every change of a record from here on.
        CppSQLite3DB raw;
        raw.open(WideToUtf8(db->GetDatabasePath()));
        raw.execDML("CREATE TRIGGER refuse BEFORE UPDATE ON converted BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    }
    Open();
    Choose(MEDIAMAN_PROFILE, L"phone-mp4");
    ASSERT_EQ(history->GetCount(), 2);
    ASSERT_TRUE(history->OnMenuCommand(32792));  // remove all
    EXPECT_EQ(history->GetCount(), 2);
    EXPECT_EQ(Count(MEDIAMAN_PROFILE, L"phone-mp4"), 2);
    EXPECT_EQ(Count(MEDIAMAN_RECYCLE_BIN), 0);
    int boxes = 0;
    for (const std::wstring& call : desktop.Calls())
        boxes += call.find(L"The history could not be changed") != std::wstring::npos;
    EXPECT_EQ(boxes, 1);  // one message for the whole list
}

TEST_F(HistoryPanes, TheRowMenuOffersAnExistingOutputShownSelectedAndNeverConverting)
{
    std::ofstream(out.File("a.mp4")) << "x";
    Open();
    Choose(MEDIAMAN_PROFILE, L"phone-mp4");
    ASSERT_EQ(history->GetCount(), 2);
    int present = -1;
    for (int i = 0; i < history->GetCount(); ++i)
        if (history->GetHistoryItem(i)->GetOutputPath() == W(out.File("a.mp4"))) present = i;
    ASSERT_GE(present, 0);
    CScriptedMenuRunner runner;
    CMenuRunnerScope scope(&runner);
    CMenu* menu = window->GetMenus()->GetSubMenu(MENU_MEDIA_LIST);
    ASSERT_NE(menu, nullptr);
    auto openMenu = [&](UINT choice) {
        window->GetPaintManager()->UpdateLayout();
        const RECT& rc = history->GetPos();
        const QPoint screen = window->GetWidget()->mapToGlobal(QPoint((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2));
        runner.Choose(choice);
        TNotifyUI msg;
        msg.sType = L"media_contextmenu";
        msg.wParam = static_cast<WPARAM>(screen.x());
        msg.lParam = static_cast<LPARAM>(screen.y());
        window->Notify(msg);
    };

    history->SelectItem(present);
    openMenu(ID_LIST_OPEN_DESTINATION);
    ASSERT_EQ(runner.shown.size(), 1u);
    EXPECT_TRUE(menu->IsEnabled(ID_LIST_OPEN_DESTINATION));
    EXPECT_FALSE(menu->IsEnabled(ID_START_CONVERTING));
    EXPECT_FALSE(menu->IsEnabled(ID_STOP_CONVERTING));
    EXPECT_NE(std::find(desktop.Calls().begin(), desktop.Calls().end(), L"Shell.ShowInFolder: " + W(out.File("a.mp4"))),
              desktop.Calls().end());

    // The other row's output is gone: nothing to show.
    history->SelectItem(1 - present);
    openMenu(0);
    EXPECT_FALSE(menu->IsEnabled(ID_LIST_OPEN_DESTINATION));
}

TEST_F(HistoryPanes, ADoubleClickOnARowsNamePlaysItsOutputInThePreview)
{
    const std::string output = out.File("Vacances à Nice – 夏.mp4");
    ASSERT_TRUE(vxmtest::MakeVideoClip(output, 6.0));
    ASSERT_TRUE(db->AddConvertedRecord(Converted(L"web-webm", W(output))));
    Open();
    window->ShowWindow(true);
    Choose(MEDIAMAN_PROFILE, L"web-webm");
    int row = -1;
    for (int i = 0; i < history->GetCount(); ++i)
        if (history->GetHistoryItem(i)->GetOutputPath() == W(output)) row = i;
    ASSERT_GE(row, 0);
    CControlUI* name = history->GetHistoryItem(row)->FindSubControl(L"ID_LABEL_ITEM_SHORT_NAME");
    ASSERT_NE(name, nullptr);
    ASSERT_TRUE(vxmtest::PumpUntil([&] { return name->GetPos().right > name->GetPos().left; }));
    vxmtest::DoubleClickAt(window->GetWidget(), name->GetPos());
    CPreviewPaneUI* preview = pane->GetPreviewPane();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->GetPlayState(), PREVIEW_PLAYING);
    ASSERT_NE(preview->GetMedia(), nullptr);
    EXPECT_EQ(preview->GetMedia()->GetSourcePath(), W(output));
    EXPECT_TRUE(vxmtest::PumpUntil([&] { return preview->GetMedia()->GetPreviewPosition() >= 0.5; }));
    preview->Stop();
}

TEST_F(HistoryPanes, NewConversionsJoinTheirNodeAndTheShownList)
{
    Open();
    Choose(MEDIAMAN_PROFILE, L"phone-mp4");
    ASSERT_TRUE(db->AddConvertedRecord(Converted(L"phone-mp4", W(out.File("d.mp4")))));
    pane->AddConvertedEntry(L"phone-mp4");
    EXPECT_EQ(Count(MEDIAMAN_PROFILE, L"phone-mp4"), 3);
    EXPECT_EQ(history->GetCount(), 3);

    // A profile without history gets its node after the other profiles.
    ASSERT_TRUE(db->AddConvertedRecord(Converted(L"new-profile", W(out.File("e.mkv")))));
    pane->AddConvertedEntry(L"new-profile");
    CMediaManagerElementUI* added = tree->FindChild(MEDIAMAN_PROFILE, L"new-profile");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(Count(MEDIAMAN_PROFILE, L"new-profile"), 1);
    EXPECT_EQ(tree->GetNode(tree->GetItemIndex(added) + 1)->GetKind(), MEDIAMAN_RECYCLE_BIN);
    // A conversion whose record was never written counts nothing.
    pane->AddConvertedEntry(L"unrecorded");
    EXPECT_EQ(tree->FindChild(MEDIAMAN_PROFILE, L"unrecorded"), nullptr);

    ASSERT_TRUE(db->AddDownloadedRecord(Downloaded(L"othersite", L"https://other.example/v")));
    tree->AddDownloadedEntry(L"othersite");
    EXPECT_EQ(Count(MEDIAMAN_SITE, L"othersite"), 1);
}

TEST_F(HistoryPanes, NamesFromTheHistoryNeverLeaveTheOutputFolderNorOpenOtherAddresses)
{
    ASSERT_TRUE(db->AddDownloadedRecord(Downloaded(L"../..", L"file:///etc/passwd")));
    ASSERT_TRUE(db->AddDownloadedRecord(Downloaded(L"a/../../b", L"javascript:alert(1)")));
    Open();
    for (const wchar_t* site : {L"../..", L"a/../../b"}) {
        CMediaManagerElementUI* node = tree->FindChild(MEDIAMAN_SITE, site);
        ASSERT_NE(node, nullptr);
        const std::wstring folder = tree->FolderOfNode(tree->GetItemIndex(node));
        if (folder.empty()) continue;
        EXPECT_EQ(fs::weakly_canonical(WideToUtf8(folder)).parent_path(), fs::weakly_canonical(out.Path()))
            << WideToUtf8(folder);
    }
    Choose(MEDIAMAN_SITE, L"../..");
    history->SelectItem(0);
    CMenu menu;
    menu.AppendCommand(32798, L"source");
    menu.AppendCommand(32806, L"copy");
    history->UpdateContextMenu(&menu);
    EXPECT_FALSE(menu.IsEnabled(32798));
    history->OpenSourceLocation();
    history->CopyURLToClipboard();
    for (const std::wstring& call : desktop.Calls()) EXPECT_EQ(call.find(L"passwd"), std::wstring::npos) << call;
}

}  // namespace
