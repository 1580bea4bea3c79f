// The unfolded media manager with some history, in a real window on the X
// server: a screenshot for the eye, and the node and rows that must show.
#include "DBHelper.h"
#include "HistoryListUI.h"
#include "MainPaneMaker.h"
#include "MainPaneUI.h"
#include "MediaManagerListUI.h"
#include "VXMGlobal.h"
#include "VXMMainFrameWnd.h"
#include "VXMSettings.h"
#include "platform/text.h"
#include "support/main_window_environment.h"
#include "support/test_media.h"
#include "ui/UILib.h"
#include "FakeDesktop.h"

#include <QPixmap>
#include <QWidget>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment(false);

TEST(HistoryScreenshot, UnfoldedMediaManagerShowsNodesCountsAndRows)
{
    CFakeDesktop desktop;
    vxmtest::CTempDir out;
    SetMainPaneMaker(nullptr);
    CDBHelper::DeleteInstance();
    std::error_code ec;
    std::filesystem::remove(WideToUtf8(GetAppDataFolder()) + "/" + kHistoryDbFileName, ec);
    CDBHelper* db = CDBHelper::GetInstance();
    ASSERT_TRUE(db->Init());
    ASSERT_TRUE(db->AddProfiles({{L"phone-mp4", L"MP4 video for phones", L"Phone"},
                                 {L"web-webm", L"WebM video for the web", L"Web"}}));
    const wchar_t* names[] = {L"holiday.mp4", L"birthday party.mp4", L"concert.webm"};
    for (int i = 0; i < 3; ++i) {
        VXM_CONVERTED_INFO info;
        info.profileName = i < 2 ? L"phone-mp4" : L"web-webm";
        info.sourcePath = L"/home/user/Videos/source.avi";
        info.outputPath = Utf8ToWide(out.Path()) + L"/" + names[i];
        info.durationMs = 65000 + i * 30500;
        info.videoCodec = L"h264";
        info.frameRate = L"25";
        info.videoSize = L"1280x720";
        info.audioCodec = L"aac";
        info.audioBitrate = L"128";
        ASSERT_TRUE(db->AddConvertedRecord(info));
    }
    VXM_DOWNLOADED_INFO download;
    download.siteName = L"vidsite";
    download.pageUrl = L"https://vidsite.example/watch?v=1";
    download.localFile = Utf8ToWide(out.Path()) + L"/talk.mp4";
    ASSERT_TRUE(db->AddDownloadedRecord(download));
    CVXMSettings::GetInstance()->ShowMM = 1;

    auto* window = new CVXMMainFrameWnd(L"");
    ASSERT_NE(window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655),
              nullptr);
    window->ShowWindow(true);
    auto* pane = dynamic_cast<CMainPaneUI*>(window->GetMainPane());
    ASSERT_NE(pane, nullptr);
    CMediaManagerListUI* tree = pane->GetMediaManagerList();
    ASSERT_NE(tree, nullptr);
    CMediaManagerElementUI* phone = tree->FindChild(MEDIAMAN_PROFILE, L"phone-mp4");
    ASSERT_NE(phone, nullptr);
    tree->SelectItem(tree->GetItemIndex(phone));
    vxmtest::PumpPending();

    EXPECT_TRUE(tree->IsVisible());
    EXPECT_GT(tree->GetPos().right - tree->GetPos().left, 150);
    ASSERT_EQ(pane->GetHistoryList()->GetCount(), 2);
    EXPECT_TRUE(pane->GetHistoryList()->IsVisible());
    // The rows and the count fit the design size.
    CControlUI* name = pane->GetHistoryList()->GetHistoryItem(0)->FindSubControl(L"ID_LABEL_ITEM_SHORT_NAME");
    EXPECT_GT(name->GetPos().right - name->GetPos().left, 100);
    const RECT count = phone->FindSubControl(L"ID_MEDIAMAN_COUNT")->GetPos();
    EXPECT_LE(count.right, tree->GetPos().right);

    const std::string file = std::string(VXM_SCREENSHOT_DIR) + "/history_media_manager.png";
    EXPECT_TRUE(window->GetWidget()->grab().save(QString::fromStdString(file)));
    window->DestroyWindow();
    vxmtest::PumpPending();
    CDBHelper::DeleteInstance();
}

}  // namespace
