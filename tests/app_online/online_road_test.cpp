// Online addresses in the program, against the fake download tool: an
// address pasted with Ctrl+V becomes an online row that analyses, asks for a
// format, downloads with a moving progress bar, lands in the output folder,
// is recorded in the history and, as convert-all asked, converts.
#include "DBHelper.h"
#include "MainFrameDialogs.h"
#include "MainPaneMaker.h"
#include "MainPaneUI.h"
#include "MediaManagerListUI.h"
#include "MediaHandler.h"
#include "MediaListUI.h"
#include "OnlineMediaListItemUI.h"
#include "VXMDownloader.h"
#include "VXMMainFrameWnd.h"
#include "VXMSettings.h"
#include "platform/text.h"
#include "support/main_window_environment.h"
#include "support/test_media.h"
#include "ui/UILib.h"
#include "FakeDesktop.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

namespace {

[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment();

using vxmtest::PumpPending;
using vxmtest::PumpUntil;

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// The program's main window with the fake tool in place of yt-dlp.
class COnlineFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("VXM_FAKE_YTDLP_DIR", m_control.Path().c_str(), 1);
        VXMDownloaderSetToolPath(Utf8ToWide(std::string(VXM_SOURCE_DIR) + "/tests/support/fake_ytdlp.py"));
        WriteFile(m_control.File("analysis.json"),
                  R"({"id":"42","title":"A Clip","extractor_key":"Vimeo","webpage_url":"https://vimeo.com/42","formats":[)"
                  R"({"format_id":"18","ext":"mp4","format_note":"360p","vcodec":"avc1","acodec":"mp4a","filesize":1000},)"
                  R"({"format_id":"22","ext":"mp4","format_note":"720p","vcodec":"avc1","acodec":"mp4a","filesize":2000}]})");
        WriteFile(m_control.File("media"), vxmtest::GetTestMedia().mp4);
        WriteFile(m_control.File("mode"), "slow");
        SetMainPaneMaker(nullptr);
        CVXMSettings* settings = CVXMSettings::GetInstance();
        settings->OutputFolder = Utf8ToWide(m_out.Path());
        settings->OnlineFMT = ONLINE_FORMAT_ASK;
        settings->RetryTimes = 0;
        settings->SimConversionTasks = 1;
        settings->UseNVidiaCUDA = 0;
        settings->ShutdownFlag = 0;
        settings->PreviewHTML5 = 0;
        settings->MonitorClipboard = 0;
        m_dialogs.chooseFormat = [this](HWND, VXM_FORMAT_REQUEST& request) {
            m_asked.push_back(request.title);
            request.chosen = 1;
            return 0;
        };
        SetMainFrameDialogs(&m_dialogs);
        m_window = new CVXMMainFrameWnd(L"");
        m_hwnd = m_window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655);
        ASSERT_NE(m_hwnd, nullptr);
        m_window->ShowWindow(true);
        m_pane = dynamic_cast<CMainPaneUI*>(m_window->GetMainPane());
        ASSERT_NE(m_pane, nullptr);
        m_list = m_pane->GetMediaList();
        ASSERT_NE(m_list, nullptr);
    }
    void TearDown() override
    {
        if (m_window) m_window->DestroyWindow();
        PumpPending();
        SetMainFrameDialogs(nullptr);
        VXMDownloaderSetToolPath(L"");
    }

    // Whether an online row is still listed. Asked by kind, not by the row's
    // address: a removed row's memory may already hold the file row that
    // replaced it.
    bool OnlineRowListed() const
    {
        for (int i = 0; i < m_list->GetCount(); ++i)
            if (CMediaListItemUI* row = m_list->GetMediaItem(i); row && row->IsOnlineItem()) return true;
        return false;
    }

    void PressCtrlV()
    {
        QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16"));
        QApplication::sendEvent(m_window->GetWidget(), &paste);
    }

    CFakeDesktop m_desktop;
    vxmtest::CTempDir m_control, m_out;
    CMainFrameDialogs m_dialogs;
    std::vector<std::wstring> m_asked;
    CVXMMainFrameWnd* m_window = nullptr;
    HWND m_hwnd = nullptr;
    CMainPaneUI* m_pane = nullptr;
    CMediaListUI* m_list = nullptr;
};

TEST_F(COnlineFixture, APastedAddressDownloadsIsRecordedAndConvertsAsAsked)
{
    m_desktop.clipboard.SetText(L"https://vimeo.com/42\n");
    PressCtrlV();
    ASSERT_TRUE(PumpUntil([&] { return m_list->GetCount() == 1; }));
    auto* online = dynamic_cast<COnlineMediaListItemUI*>(m_list->GetMediaItem(0));
    ASSERT_NE(online, nullptr);
    EXPECT_EQ(online->GetMedia()->GetSourcePath(), L"https://vimeo.com/42");

    // Convert all while the address is still on its way.
    CControlUI* convert = m_window->GetPaintManager()->FindControl(L"ID_BTN_CONVERT");
    ASSERT_NE(convert, nullptr);
    m_window->GetPaintManager()->SendNotify(convert, L"click");
    EXPECT_TRUE(online->IsConvertAfterDownload());

    // The progress bar moves while the file comes in.
    auto* progress = dynamic_cast<CProgressUI*>(
        m_window->GetPaintManager()->FindSubControlByName(online, L"ID_PROGRESS_ITEM_CONVERT"));
    ASSERT_NE(progress, nullptr);
    std::set<int> seen;
    bool barShown = false;
    CMediaListItemUI* fileRow = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] {
            if (OnlineRowListed()) {
                if (progress->GetValue() > 0) seen.insert(progress->GetValue());
                CControlUI* bar = m_window->GetPaintManager()->FindSubControlByName(online, L"ID_CONTAINER_ITEM_CONVERT");
                barShown |= bar && bar->IsVisible() && progress->GetValue() > 0;
                return false;
            }
            fileRow = m_list->GetCount() == 1 ? m_list->GetMediaItem(0) : nullptr;
            return fileRow != nullptr;
        }));
    EXPECT_GE(seen.size(), 3u);
    EXPECT_TRUE(barShown);
    EXPECT_EQ(m_asked, std::vector<std::wstring>{L"A Clip"});

    // The file is in the output folder and replaced the online row.
    const std::string downloaded = m_out.File("A Clip.mp4");
    EXPECT_TRUE(std::filesystem::exists(downloaded));
    EXPECT_FALSE(fileRow->IsOnlineItem());
    EXPECT_EQ(fileRow->GetMedia()->GetSourcePath(), Utf8ToWide(downloaded));
    // The chosen format reached the tool.
    std::ifstream calls(m_control.File("calls.log"));
    std::string analysis, download;
    std::getline(calls, analysis);
    std::getline(calls, download);
    EXPECT_NE(download.find(R"("-f", "22")"), std::string::npos) << download;

    // The download is in the history.
    CDBHelper* db = CDBHelper::GetInstance();
    EXPECT_EQ(db->GetDownloadedCount(L"Vimeo"), 1);
    ASSERT_TRUE(db->GetDownloadedRecords(L"Vimeo"));
    VXM_HISTORY_RECORD record;
    ASSERT_TRUE(db->ReadDownloadedRecord(record));
    EXPECT_EQ(record.firstPath, L"https://vimeo.com/42");
    EXPECT_EQ(record.secondPath, Utf8ToWide(downloaded));
    // The media manager counts it under its site without a restart.
    CMediaManagerListUI* tree = m_pane->GetMediaManagerList();
    ASSERT_NE(tree, nullptr);
    CMediaManagerElementUI* site = tree->FindChild(MEDIAMAN_SITE, L"Vimeo");
    ASSERT_NE(site, nullptr);
    EXPECT_EQ(site->GetRecordCount(), 1);

    // Convert-all reached the online row, so the downloaded file converts.
    ASSERT_TRUE(PumpUntil([&] { return fileRow->GetStatus() == ITEM_STATUS_DONE || fileRow->GetStatus() == ITEM_STATUS_FAILED; }));
    EXPECT_EQ(fileRow->GetStatus(), ITEM_STATUS_DONE);
    const std::wstring output = fileRow->GetMedia()->GetOutputPath();
    EXPECT_FALSE(output.empty());
    EXPECT_TRUE(std::filesystem::exists(WideToUtf8(output)));
}

TEST_F(COnlineFixture, APlaylistShowsItsPartFromTheDownloadersOwnTextsAndEachFileJoinsItsSiteAtOnce)
{
    std::string entries;
    for (const char* id : {"p1", "p2"})
        entries += std::string(entries.empty() ? "" : ",") + R"({"id":")" + id + R"(","title":"Episode )" + id +
                   R"(","webpage_url":"https://vimeo.com/)" + id + R"(","formats":[)" +
                   R"({"format_id":"18","ext":"mp4","format_note":"360p","vcodec":"avc1","acodec":"mp4a"}]})";
    WriteFile(m_control.File("analysis.json"),
              R"({"_type":"playlist","title":"Series","extractor_key":"Vimeo","entries":[)" + entries + "]}");
    CDBHelper* db = CDBHelper::GetInstance();
    const int before = db->GetDownloadedCount(L"Vimeo");  // earlier tests' downloads
    m_desktop.clipboard.SetText(L"https://vimeo.com/series\n");
    PressCtrlV();
    ASSERT_TRUE(PumpUntil([&] { return m_list->GetCount() == 1; }));
    auto* online = dynamic_cast<COnlineMediaListItemUI*>(m_list->GetMediaItem(0));
    ASSERT_NE(online, nullptr);
    CPaintManagerUI* pm = m_window->GetPaintManager();
    CControlUI* name = pm->FindSubControlByName(online, L"ID_LABEL_ITEM_SHORT_NAME");
    ASSERT_NE(name, nullptr);
    // The second part on its way: the name label says so, and the first
    // part's file already counts under its site in the media manager.
    ASSERT_TRUE(PumpUntil([&] { return !OnlineRowListed() || name->GetText() == L"Series - Part 2"; }));
    ASSERT_TRUE(OnlineRowListed()) << "the row went before its second part showed";
    EXPECT_EQ(online->GetMedia()->GetOutputName(), L"Episode p2 - #2 of 2");
    CMediaManagerListUI* tree = m_pane->GetMediaManagerList();
    ASSERT_NE(tree, nullptr);
    CMediaManagerElementUI* site = tree->FindChild(MEDIAMAN_SITE, L"Vimeo");
    ASSERT_NE(site, nullptr);
    EXPECT_EQ(site->GetRecordCount(), before + 1);
    EXPECT_EQ(site->GetParentNode(), tree->GetTopNode(MEDIAMAN_DOWNLOADED));
    ASSERT_TRUE(PumpUntil([&] { return !OnlineRowListed(); }));
    EXPECT_EQ(site->GetRecordCount(), before + 2);
    EXPECT_TRUE(std::filesystem::exists(m_out.File("Series - part2.mp4")));
}

TEST_F(COnlineFixture, AFailedDownloadShowsTheToolsReasonAsItsTooltip)
{
    WriteFile(m_control.File("mode"), "fail-download-9");
    m_desktop.clipboard.SetText(L"https://vimeo.com/42\n");
    PressCtrlV();
    ASSERT_TRUE(PumpUntil([&] { return m_list->GetCount() == 1; }));
    auto* online = dynamic_cast<COnlineMediaListItemUI*>(m_list->GetMediaItem(0));
    ASSERT_NE(online, nullptr);
    CControlUI* status = m_window->GetPaintManager()->FindSubControlByName(online, L"ID_LABEL_DOWNLOAD_STATUS");
    ASSERT_NE(status, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return status->GetText() == L"Download video file failed."; }));
    EXPECT_EQ(status->GetToolTip(), L"unable to download video data: HTTP Error 503");
}

TEST_F(COnlineFixture, OnlineRowsKeepTheirDownloadFlagAndShowTheDownloadersReports)
{
    std::vector<int> flags;
    m_list->SetDownloader([&](IVXMMedia*, int flag) {
        flags.push_back(flag);
        return true;
    },
                          [](IVXMMedia*) {});
    // The MP3 form's flag 4 reaches the download as flag 1.
    IVXMMedia* media = CreateVXMMediaObject(nullptr);
    media->SetSourcePath(L"https://vimeo.com/7");
    m_pane->AddMedia(media, -1, 1 | 4);
    IVXMMedia* plain = CreateVXMMediaObject(nullptr);
    plain->SetSourcePath(L"https://vimeo.com/8");
    m_pane->AddMedia(plain, -1, 1);
    EXPECT_EQ(flags, (std::vector<int>{DOWNLOAD_FLAG_MP3, 0}));
    auto* row = dynamic_cast<COnlineMediaListItemUI*>(m_list->FindItemByMedia(media));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->GetDownloadFlag(), DOWNLOAD_FLAG_MP3);
    CPaintManagerUI* pm = m_window->GetPaintManager();
    auto label = [&](const wchar_t* name) { return pm->FindSubControlByName(row, name)->GetText(); };

    VXM_DOWNLOAD_RECORD record;
    record.media = media;
    m_list->OnDownloadStarted(record);
    EXPECT_TRUE(pm->FindSubControlByName(row, L"ID_CIRCULAR_PROGRESS")->IsVisible());
    EXPECT_EQ(label(L"ID_LABEL_DOWNLOAD_STATUS"), L"Analyzing video URL...");

    // A failed analysis shows the tool's error after the text.
    record.errorText = L"Unsupported URL";
    m_list->OnDownloadFinished(record, false);
    EXPECT_FALSE(pm->FindSubControlByName(row, L"ID_CIRCULAR_PROGRESS")->IsVisible());
    EXPECT_EQ(label(L"ID_LABEL_DOWNLOAD_STATUS"), L"Analyzing failed, Unsupported URL");

    // Three parts, the second loading: named after the second part.
    record.title = L"Series";
    m_list->OnDownloadFinished(record, true);
    auto third = std::make_shared<VXM_DOWNLOAD_RECORD>();
    third->title = L"Third";
    auto second = std::make_shared<VXM_DOWNLOAD_RECORD>();
    second->title = L"Second";
    second->next = third;
    record.next = second;
    record.partCount = 3;
    record.partIndex = 1;
    record.statusText = L"Series - part2.mp4";
    m_list->SetDownloadStatus(0, record);
    EXPECT_EQ(media->GetOutputName(), L"Second - #2 of 3");
    EXPECT_EQ(label(L"ID_LABEL_DOWNLOAD_STATUS"),
              L"Analyzing successfully, start to download video file, please wait... : Series - part2.mp4");

    // The part number of the file name shows in the name label; a status
    // without one leaves it.
    m_list->OnDownloadProgress(record, 400);
    EXPECT_EQ(label(L"ID_LABEL_ITEM_SHORT_NAME"), L"Series - Part 2");
    EXPECT_EQ(row->GetToolTip(), L"Series - part2.mp4");
    record.statusText = L"Series (1.5 MiB/s)";
    m_list->OnDownloadProgress(record, 500);
    EXPECT_EQ(label(L"ID_LABEL_ITEM_SHORT_NAME"), L"Series - Part 2");
    EXPECT_EQ(row->GetPartText(), L"2");

    // A record whose media no list holds changes nothing.
    VXM_DOWNLOAD_RECORD stranger;
    int key = 0;
    stranger.media = reinterpret_cast<IVXMMedia*>(&key);
    EXPECT_EQ(m_list->ResetDownloadItem(stranger, true, true), -1);
    EXPECT_EQ(m_list->ResetDownloadItem(record, true, true), 0);
    EXPECT_EQ(m_list->GetCount(), 1);
}

}  // namespace
