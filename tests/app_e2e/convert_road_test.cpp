// The main road, nothing faked but the desktop: the program's main window
// starts offscreen, a clip is added through the media handler, a catalogue
// profile is chosen through the chooser's message, convert all runs the
// engine in this process, the row ends done, the output has the expected
// streams, the history database holds the record and the HTML5 page lies
// beside the output; the media manager counts the record under its profile
// and lists it, a removal moves it to the recycle bin and a restore back.
#include "DBHelper.h"
#include "HistoryListUI.h"
#include "IProfile.h"
#include "MainPaneUI.h"
#include "MainPaneMaker.h"
#include "MediaHandler.h"
#include "MediaListUI.h"
#include "MediaManagerListUI.h"
#include "ProfileChooserMessages.h"
#include "VXMMainFrameWnd.h"
#include "VXMMediaExports.h"
#include "VXMSettings.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "support/main_window_environment.h"
#include "support/test_media.h"
#include "ui/UILib.h"
#include "ui/UIMessagePump.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>

namespace {

[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment();

using vxmtest::PumpPending;
using vxmtest::PumpUntil;

TEST(ConvertRoad, AClipAddedAndConvertedEndsDoneWithItsStreamsHistoryAndPage)
{
    CFakeDesktop desktop;
    vxmtest::CTempDir out;
    const std::string clip = vxmtest::GetTestMedia().mp4;
    ASSERT_FALSE(clip.empty());

    SetMainPaneMaker(nullptr);
    CVXMSettings* settings = CVXMSettings::GetInstance();
    settings->OutputFolder = Utf8ToWide(out.Path());
    settings->SimConversionTasks = 1;
    settings->UseNVidiaCUDA = 0;
    settings->ShutdownFlag = 0;
    settings->PreviewHTML5 = 1;

    auto* window = new CVXMMainFrameWnd(L"");
    HWND hwnd = window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655);
    ASSERT_NE(hwnd, nullptr);
    window->ShowWindow(true);
    auto* pane = dynamic_cast<CMainPaneUI*>(window->GetMainPane());
    ASSERT_NE(pane, nullptr);
    CMediaListUI* list = pane->GetMediaList();
    ASSERT_NE(list, nullptr);

    // The chooser's answer for the catalogue's HTML5 MP4 profile.
    IProfileManager* catalogue = CMediaHandler::GetInstance()->GetProfileManager();
    ASSERT_NE(catalogue, nullptr);
    IProfileCategory* web = catalogue->FindCategoryById(catalogue->FindCategoryIndexByName(L"web"));
    IProfileGroup* html5 = catalogue->FindGroupByName(L"html5");
    ASSERT_TRUE(web && html5);
    IProfile* chosen = nullptr;
    for (int i = 0; i < html5->GetProfileCount() && !chosen; ++i)
        if (IProfile* p = html5->GetProfile(static_cast<unsigned>(i)); p && p->GetFileExt() == L"mp4") chosen = p;
    ASSERT_NE(chosen, nullptr);
    PostMessageW(hwnd, WM_VXM_PROFILE_SELECTED, MakeProfileSelectionWParam(chosen->GetId()),
                 MakeProfileSelectionLParam(web->GetId(), html5->GetId()));
    ASSERT_TRUE(PumpUntil([&] { return pane->GetCurrentProfile() == chosen; }));

    ASSERT_NE(CMediaHandler::GetInstance()->AddFile(Utf8ToWide(clip), -1, 0), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return list->GetCount() == 1; }));
    CMediaListItemUI* row = list->GetMediaItem(0);
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->IsChecked());
    IVXMMedia* media = row->GetMedia();

    // Convert all, as the convert button does.
    CControlUI* convert = window->GetPaintManager()->FindControl(L"ID_BTN_CONVERT");
    ASSERT_NE(convert, nullptr);
    window->GetPaintManager()->SendNotify(convert, L"click");
    ASSERT_TRUE(PumpUntil([&] { return row->GetStatus() == ITEM_STATUS_DONE || row->GetStatus() == ITEM_STATUS_FAILED; }));
    EXPECT_EQ(row->GetStatus(), ITEM_STATUS_DONE);
    EXPECT_FALSE(row->IsChecked());
    EXPECT_FALSE(pane->Queue().IsRunning());

    const std::wstring output = media->GetOutputPath();
    ASSERT_FALSE(output.empty());
    EXPECT_EQ(WideToUtf8(output).rfind(out.Path(), 0), 0u) << WideToUtf8(output);
    ASSERT_TRUE(std::filesystem::exists(WideToUtf8(output)));

    // The output opens with one video and one audio stream.
    IVXMMedia* probe = CreateVXMMediaObject(nullptr);
    ASSERT_NE(probe, nullptr);
    probe->SetSourcePath(output);
    EXPECT_GE(probe->Probe(), 0);
    ASSERT_NE(probe->GetVideoStream(), nullptr);
    EXPECT_GT(probe->GetVideoStream()->GetWidth(), 0);
    EXPECT_EQ(probe->GetAudioTrackCount(), 1);
    // The HTML5 MP4 profile: H.264 video and AAC audio.
    EXPECT_EQ(probe->GetVideoStream()->GetCodecName(), L"h264");
    ASSERT_NE(probe->GetAudioTrack(), nullptr);
    EXPECT_EQ(probe->GetAudioTrack()->GetCodecName(), L"AAC");
    EXPECT_NEAR(probe->GetDuration(), 2000, 300);
    probe->Release();

    // The history database holds the conversion.
    CDBHelper* db = CDBHelper::GetInstance();
    EXPECT_EQ(db->GetConvertedCount(chosen->GetName()), 1);
    ASSERT_TRUE(db->GetConvertedRecords(chosen->GetName()));
    VXM_HISTORY_RECORD record;
    ASSERT_TRUE(db->ReadConvertedRecord(record));
    EXPECT_EQ(record.firstPath, Utf8ToWide(clip));
    EXPECT_EQ(record.secondPath, output);

    // The HTML5 group's page lies beside the output and was opened.
    std::filesystem::path page = std::filesystem::path(WideToUtf8(output)).replace_extension(".html");
    EXPECT_TRUE(std::filesystem::exists(page));
    bool opened = false;
    for (const std::wstring& call : desktop.Calls()) opened |= call.find(L".html") != std::wstring::npos;
    EXPECT_TRUE(opened);

    // The media manager counts it under its profile without a restart, and lists it.
    CMediaManagerListUI* tree = pane->GetMediaManagerList();
    CHistoryListUI* history = pane->GetHistoryList();
    ASSERT_TRUE(tree && history);
    CMediaManagerElementUI* node = tree->FindChild(MEDIAMAN_PROFILE, chosen->GetName());
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->GetRecordCount(), 1);
    // Without a target device the node reads as the profile's description.
    ASSERT_TRUE(chosen->GetTargetDevice().empty());
    EXPECT_EQ(node->GetNodeText(), chosen->GetDesc());
    tree->SelectItem(tree->GetItemIndex(node));
    ASSERT_EQ(history->GetCount(), 1);
    EXPECT_TRUE(history->IsVisible());
    EXPECT_EQ(history->GetHistoryItem(0)->GetOutputPath(), output);
    // Removed, it moves to the recycle bin; restored, it is back under its profile.
    CMediaManagerElementUI* bin = tree->GetTopNode(MEDIAMAN_RECYCLE_BIN);
    ASSERT_NE(bin, nullptr);
    history->SelectItem(0);
    ASSERT_TRUE(history->OnMenuCommand(32791));
    EXPECT_EQ(history->GetCount(), 0);
    EXPECT_EQ(node->GetRecordCount(), 0);
    EXPECT_EQ(bin->GetRecordCount(), 1);
    tree->SelectItem(tree->GetItemIndex(bin));
    ASSERT_EQ(history->GetCount(), 1);
    history->GetHistoryItem(0)->SendRecordNotify(L"historyitem_restore");
    EXPECT_EQ(history->GetCount(), 0);
    EXPECT_EQ(bin->GetRecordCount(), 0);
    EXPECT_EQ(node->GetRecordCount(), 1);
    EXPECT_EQ(db->GetConvertedCount(chosen->GetName()), 1);

    window->DestroyWindow();
    PumpPending();
}

}  // namespace
