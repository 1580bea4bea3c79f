// The unfolded media manager with some history, in a real window on the X
// server: a screenshot for the eye, and the node and rows that must show.
#include "DBHelper.h"
#include "HistoryListUI.h"
#include "IProfile.h"
#include "MediaHandler.h"
#include "MainPaneMaker.h"
#include "MainPaneUI.h"
#include "MediaManagerListUI.h"
#include "VXMGlobal.h"
#include "VXMMainFrameWnd.h"
#include "VXMMediaBase.h"
#include "VXMMediaExports.h"
#include "VXMSettings.h"
#include "platform/text.h"
#include "support/main_window_environment.h"
#include "support/test_media.h"
#include "ui/UILanguage.h"
#include "ui/UILib.h"
#include "FakeDesktop.h"
#include "PaintedText.h"

#include <QPixmap>
#include <QWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace {

[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment(false);

// The history database, empty.
CDBHelper* FreshHistory()
{
    SetMainPaneMaker(nullptr);
    CDBHelper::DeleteInstance();
    std::error_code ec;
    std::filesystem::remove(WideToUtf8(GetAppDataFolder()) + "/" + kHistoryDbFileName, ec);
    CDBHelper* db = CDBHelper::GetInstance();
    return db->Init() ? db : nullptr;
}

TEST(HistoryScreenshot, UnfoldedMediaManagerShowsNodesCountsAndRows)
{
    CFakeDesktop desktop;
    vxmtest::CTempDir out;
    CDBHelper* db = FreshHistory();
    ASSERT_NE(db, nullptr);
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

// A video converted from a source without sound lists no audio line, and
// its name with "&" shows whole.
TEST(HistoryScreenshot, AVideoWithoutSoundListsNoAudioLine)
{
    CFakeDesktop desktop;
    vxmtest::CTempDir out;
    CDBHelper* db = FreshHistory();
    ASSERT_NE(db, nullptr);
    CVXMSettings::GetInstance()->ShowMM = 1;
    CVXMMainFrameWnd* window = vxmtest::OpenMainWindow();
    ASSERT_NE(window, nullptr);
    auto* pane = dynamic_cast<CMainPaneUI*>(window->GetMainPane());
    ASSERT_NE(pane, nullptr);

    // The record a conversion of the file with the catalogue's MP4 profile leaves.
    const std::string source = out.File("Rock & Roll.mp4");
    ASSERT_TRUE(vxmtest::MakeVideoClip(source, 1.0, 160, 120, {"-an"}));
    IVXMMedia* media = CreateVXMMediaObject(nullptr);
    media->SetSourcePath(Utf8ToWide(source));
    ASSERT_GE(media->Probe(), 0);
    ASSERT_EQ(media->GetAudioTrackCount(), 0);
    dynamic_cast<CVXMMediaBase*>(media)->m_strOutputFile = Utf8ToWide(out.File("Rock & Roll_x264.mp4"));
    IProfileManager* catalogue = CMediaHandler::GetInstance()->GetProfileManager();
    ASSERT_NE(catalogue, nullptr);
    IProfileGroup* mp4 = catalogue->FindGroupByName(L"mp4");
    ASSERT_TRUE(mp4 && mp4->GetProfileCount() > 0);
    IProfile* profile = mp4->GetProfile(0);
    ASSERT_TRUE(db->AddConvertedRecord(catalogue, profile, mp4, media));
    media->Release();
    const std::wstring name = CDBHelper::HistoryProfileName(catalogue, profile);
    pane->AddConvertedEntry(name);

    CMediaManagerListUI* tree = pane->GetMediaManagerList();
    CMediaManagerElementUI* node = tree->FindChild(MEDIAMAN_PROFILE, name);
    ASSERT_NE(node, nullptr);
    tree->SelectItem(tree->GetItemIndex(node));
    vxmtest::PumpPending();
    ASSERT_EQ(pane->GetHistoryList()->GetCount(), 1);
    window->GetPaintManager()->UpdateLayout();
    CHistoryListItemUI* row = pane->GetHistoryList()->GetHistoryItem(0);
    EXPECT_TRUE(row->FindSubControl(L"ID_LAYOUT_MEDIA_INFO")->IsVisible());
    EXPECT_FALSE(row->FindSubControl(L"ID_LAYOUT_AUDIO_INFO")->IsVisible());
    EXPECT_EQ(PaintedTexts(row->FindSubControl(L"ID_LABEL_ITEM_SHORT_NAME")),
              std::vector<std::wstring>{L"Rock & Roll_x264.mp4"});
    const std::string file = std::string(VXM_SCREENSHOT_DIR) + "/history_video_only.png";
    EXPECT_TRUE(window->GetWidget()->grab().save(QString::fromStdString(file)));
    // In German today's conversion shows its time on the 24-hour clock.
    ASSERT_EQ(CLanguageManager::GetInstance()->SetLang(L"de"), L"de");
    tree->SelectItem(tree->GetItemIndex(tree->GetTopNode(MEDIAMAN_RECYCLE_BIN)));
    tree->SelectItem(tree->GetItemIndex(node));
    const std::wstring time = pane->GetHistoryList()->GetHistoryItem(0)->FindSubControl(L"ID_LABEL_CREATE_DATE")->GetText();
    EXPECT_TRUE(std::regex_match(time, std::wregex(L"([01][0-9]|2[0-3]):[0-5][0-9]"))) << WideToUtf8(time);
    CLanguageManager::GetInstance()->SetLang(L"en");
    window->DestroyWindow();
    vxmtest::PumpPending();
    CDBHelper::DeleteInstance();
}

}  // namespace
