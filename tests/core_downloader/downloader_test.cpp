// The downloader against a fake download tool (tests/support/fake_ytdlp.py):
// the events a window receives, failures, retries, cancels, the chosen
// format, parts, MP3 and what the tool's argument lists hold.
#include "DownloadTool.h"
#include "VXMDownloader.h"

#include "platform/events.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "support/private_home.h"
#include "support/test_media.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

[[maybe_unused]] const bool g_home = vxmtest::RegisterPrivateHome();

std::string FakeTool() { return std::string(VXM_SOURCE_DIR) + "/tests/support/fake_ytdlp.py"; }

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string Format(const std::string& id, const std::string& note, const std::string& vcodec, const std::string& acodec,
                   double size)
{
    std::ostringstream out;
    out.precision(17);
    out << R"({"format_id":")" << id << R"(","ext":"mp4","format_note":")" << note << R"(","resolution":"640x360",)"
        << R"("vcodec":")" << vcodec << R"(","acodec":")" << acodec << R"(","filesize":)" << size << "}";
    return out.str();
}

std::string Video(const std::string& id, const std::string& title, const std::string& formats)
{
    return R"({"id":")" + id + R"(","title":")" + title + R"(","extractor_key":"Vimeo","webpage_url":"https://vimeo.com/)" +
           id + R"(","formats":[)" + formats + "]}";
}

std::string ThreeFormats()
{
    return Format("18", "360p", "avc1", "mp4a", 1000) + "," + Format("22", "720p", "avc1", "mp4a", 2000) + "," +
           Format("37", "1080p", "avc1", "mp4a", 5e9);
}

struct CReceived {
    UINT message = 0;
    WPARAM wParam = 0;
    std::shared_ptr<VXM_DOWNLOAD_RECORD> record;
};

// A window that keeps what the downloader posts and answers format questions.
class CDownloadFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("VXM_FAKE_YTDLP_DIR", m_control.Path().c_str(), 1);
        VXMDownloaderSetToolPath(Utf8ToWide(FakeTool()));
        m_window = std::make_unique<CMessageWindow>([this](HWND, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
            if (msg == WM_VXM_DOWNLOADER_SELECT_FORMAT) {
                std::unique_ptr<CFormatRequestTicket> ticket(reinterpret_cast<CFormatRequestTicket*>(l));
                m_requests.push_back(ticket->Request());
                if (m_answer >= 0) {
                    ticket->Request().chosen = m_answer;
                    ticket->Choose();
                } else if (m_answer == -2) {
                    m_pending = std::move(ticket);  // left open
                }
                return 0;
            }
            CReceived received{msg, w, std::shared_ptr<VXM_DOWNLOAD_RECORD>(reinterpret_cast<VXM_DOWNLOAD_RECORD*>(l))};
            m_received.push_back(received);
            return 0;
        });
        m_downloader = CreateVXMDownloader(Utf8ToWide(m_out.Path()), m_window->Get());
        m_downloader->SetWorkFolder(Utf8ToWide(m_control.Path()) + L"/");
        m_downloader->SetRetryTimes(0);
    }
    void TearDown() override
    {
        m_pending.reset();
        if (m_downloader) m_downloader->Release();
        VXMDownloaderSetToolPath(L"");
    }

    void Control(const std::string& name, const std::string& text) { WriteFile(m_control.File(name), text); }

    bool Start(int format = ONLINE_FORMAT_BEST, int flags = 0, const std::wstring& address = L"https://vimeo.com/1")
    {
        if (!m_downloader->AddDownload(address, Media(), L"", m_thumbnail, format, flags)) return false;
        return m_downloader->StartDownloads() != 0;
    }

    // Pumps until an event of one of the kinds arrived after the first `skip`
    // events (the test's time-out is the only limit).
    bool WaitForEvent(std::initializer_list<int> kinds, size_t skip = 0)
    {
        return Pump([&] {
            const std::vector<int> events = Events();
            for (size_t i = skip; i < events.size(); ++i)
                if (std::find(kinds.begin(), kinds.end(), events[i]) != kinds.end()) return true;
            return false;
        });
    }
    bool WaitForRequest()
    {
        return Pump([&] { return !m_requests.empty(); });
    }
    bool Pump(const std::function<bool()>& done)
    {
        while (!done()) {
            MSG msg;
            if (GetMessageTimeout(&msg, 10)) DispatchMessage(&msg);
        }
        return true;
    }

    std::vector<int> Events() const
    {
        std::vector<int> events;
        for (const CReceived& r : m_received)
            if (r.message == WM_VXM_DOWNLOADER_EVENT) events.push_back(static_cast<int>(r.wParam));
        return events;
    }
    const CReceived* Last(int event) const
    {
        for (auto it = m_received.rbegin(); it != m_received.rend(); ++it)
            if (it->message == WM_VXM_DOWNLOADER_EVENT && static_cast<int>(it->wParam) == event) return &*it;
        return nullptr;
    }
    std::vector<std::vector<std::string>> Calls() const
    {
        std::vector<std::vector<std::string>> calls;
        std::ifstream in(m_control.File("calls.log"));
        for (std::string line; std::getline(in, line);) {
            Json::Value list;
            std::istringstream(line) >> list;
            std::vector<std::string> args;
            for (const Json::Value& a : list) args.push_back(a.asString());
            calls.push_back(args);
        }
        return calls;
    }
    static std::string After(const std::vector<std::string>& args, const std::string& name)
    {
        for (size_t i = 0; i + 1 < args.size(); ++i)
            if (args[i] == name) return args[i + 1];
        return std::string();
    }
    IVXMMedia* Media() { return reinterpret_cast<IVXMMedia*>(&m_mediaKey); }

    vxmtest::CTempDir m_control, m_out, m_thumbs;
    std::wstring m_thumbnail = Utf8ToWide(m_thumbs.File("thumb.png"));
    std::unique_ptr<CMessageWindow> m_window;
    IVXMDownloader* m_downloader = nullptr;
    std::vector<CReceived> m_received;
    std::vector<VXM_FORMAT_REQUEST> m_requests;
    std::unique_ptr<CFormatRequestTicket> m_pending;
    int m_answer = 0;
    int m_mediaKey = 0;
};

TEST_F(CDownloadFixture, ADownloadReportsStartAnalysisThumbnailProgressFileAndEnd)
{
    Control("analysis.json", Video("1", "A Clip", ThreeFormats()));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForEvent({DOWNLOAD_EVENT_ALL_DONE, DOWNLOAD_EVENT_FAILED, DOWNLOAD_EVENT_ANALYSIS_FAILED}));

    std::vector<int> events = Events();
    EXPECT_EQ(events, (std::vector<int>{DOWNLOAD_EVENT_STARTED, DOWNLOAD_EVENT_ANALYSED, DOWNLOAD_EVENT_THUMBNAIL,
                                        DOWNLOAD_EVENT_FILE_DONE, DOWNLOAD_EVENT_ALL_DONE}));
    // Progress between the analysis and the file, rising, ending at 1000.
    int last = -1, progressCount = 0;
    bool sawStatus = false;
    for (const CReceived& r : m_received) {
        if (r.message == WM_VXM_DOWNLOADER_STATUS) sawStatus = true;
        if (r.message != WM_VXM_DOWNLOADER_PROGRESS) continue;
        EXPECT_GT(static_cast<int>(r.wParam), last);
        last = static_cast<int>(r.wParam);
        ++progressCount;
        EXPECT_EQ(r.record->media, Media());
    }
    EXPECT_GE(progressCount, 3);
    EXPECT_EQ(last, 1000);
    EXPECT_TRUE(sawStatus);

    const CReceived* file = Last(DOWNLOAD_EVENT_FILE_DONE);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->record->title, L"A Clip");
    EXPECT_EQ(file->record->siteName, L"Vimeo");
    EXPECT_EQ(file->record->pageUrl, L"https://vimeo.com/1");
    EXPECT_EQ(file->record->partCount, 1);
    EXPECT_EQ(file->record->filePath, Utf8ToWide(m_out.File("A Clip.mp4")));
    EXPECT_TRUE(fs::exists(m_out.File("A Clip.mp4")));
    EXPECT_EQ(Last(DOWNLOAD_EVENT_THUMBNAIL)->record->thumbnailPath, m_thumbnail);
    EXPECT_TRUE(fs::exists(WideToUtf8(m_thumbnail)));

    // Analysis, then one download; the address always right after "--".
    auto calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0][calls[0].size() - 3], "-J");
    for (const auto& call : calls) {
        ASSERT_GE(call.size(), 2u);
        EXPECT_EQ(call[call.size() - 2], "--");
        EXPECT_EQ(call.back(), "https://vimeo.com/1");
    }
    EXPECT_EQ(After(calls[1], "-o"), m_out.File("A Clip") + ".%(ext)s");
}

TEST_F(CDownloadFixture, AnAddressTheToolRefusesFailsTheAnalysisWithTheToolsError)
{
    Control("mode", "fail-analysis");
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForEvent({DOWNLOAD_EVENT_ANALYSIS_FAILED, DOWNLOAD_EVENT_ALL_DONE}));
    EXPECT_EQ(Events(), (std::vector<int>{DOWNLOAD_EVENT_STARTED, DOWNLOAD_EVENT_ANALYSIS_FAILED}));
    EXPECT_EQ(Last(DOWNLOAD_EVENT_ANALYSIS_FAILED)->record->errorText, L"Unsupported URL: https://vimeo.com/1");
}

TEST_F(CDownloadFixture, AnAnalysisWithoutFormatsIsAFailedAnalysisAndAsksNothing)
{
    Control("analysis.json", Video("1", "Empty", ""));
    ASSERT_TRUE(Start(ONLINE_FORMAT_ASK));
    ASSERT_TRUE(WaitForEvent({DOWNLOAD_EVENT_ANALYSIS_FAILED, DOWNLOAD_EVENT_ALL_DONE}));
    EXPECT_EQ(Events().back(), DOWNLOAD_EVENT_ANALYSIS_FAILED);
    EXPECT_TRUE(m_requests.empty());
    EXPECT_EQ(Calls().size(), 1u);
}

TEST_F(CDownloadFixture, AFailingDownloadIsRetriedAndThenSucceeds)
{
    Control("analysis.json", Video("1", "Clip", ThreeFormats()));
    Control("mode", "fail-download-2");
    m_downloader->SetRetryTimes(2);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForEvent({DOWNLOAD_EVENT_ALL_DONE, DOWNLOAD_EVENT_FAILED}));
    EXPECT_EQ(Events().back(), DOWNLOAD_EVENT_ALL_DONE);
    EXPECT_EQ(Calls().size(), 4u);  // the analysis and three runs
    EXPECT_EQ(After(Calls()[1], "--retries"), "2");
}

TEST_F(CDownloadFixture, ADownloadThatKeepsFailingEndsFailedWithTheToolsError)
{
    Control("analysis.json", Video("1", "Clip", ThreeFormats()));
    Control("mode", "fail-download-9");
    m_downloader->SetRetryTimes(1);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForEvent({DOWNLOAD_EVENT_ALL_DONE, DOWNLOAD_EVENT_FAILED}));
    EXPECT_EQ(Events().back(), DOWNLOAD_EVENT_FAILED);
    EXPECT_EQ(Last(DOWNLOAD_EVENT_FAILED)->record->errorText, L"unable to download video data: HTTP Error 503");
    EXPECT_EQ(Calls().size(), 3u);
    EXPECT_EQ(Last(DOWNLOAD_EVENT_FILE_DONE), nullptr);
}

TEST_F(CDownloadFixture, ACancelDuringTheTransferEndsCancelledAndLeavesNoPartialFile)
{
    Control("analysis.json", Video("1", "Clip", ThreeFormats()));
    Control("mode", "hang-download");
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Pump([&] { return fs::exists(m_out.File("Clip.mp4.part")); }));
    m_downloader->CancelDownload(Media());
    ASSERT_TRUE(WaitForEvent({DOWNLOAD_EVENT_CANCELLED, DOWNLOAD_EVENT_ALL_DONE, DOWNLOAD_EVENT_FAILED}));
    EXPECT_EQ(Events().back(), DOWNLOAD_EVENT_CANCELLED);
    EXPECT_FALSE(fs::exists(m_out.File("Clip.mp4.part")));
    EXPECT_FALSE(fs::exists(m_out.File("Clip.mp4")));
}

TEST_F(CDownloadFixture, ACancelWhileTheFormatQuestionIsOpenEndsCancelled)
{
    Control("analysis.json", Video("1", "Clip", ThreeFormats()));
    m_answer = -2;  // the question stays open
    ASSERT_TRUE(Start(ONLINE_FORMAT_ASK));
    ASSERT_TRUE(WaitForRequest());
    m_downloader->CancelDownload(Media());
    ASSERT_TRUE(WaitForEvent({DOWNLOAD_EVENT_CANCELLED, DOWNLOAD_EVENT_ALL_DONE}));
    EXPECT_EQ(Events().back(), DOWNLOAD_EVENT_CANCELLED);
    EXPECT_EQ(Calls().size(), 1u);  // nothing was fetched
    // An answer after the cancel changes nothing.
    m_pending->Request().chosen = 0;
    m_pending->Choose();
}

TEST_F(CDownloadFixture, AQuestionDroppedUnansweredCancelsTheDownload)
{
    Control("analysis.json", Video("1", "Clip", ThreeFormats()));
    m_answer = -1;  // the ticket is dropped
    ASSERT_TRUE(Start(ONLINE_FORMAT_ASK));
    ASSERT_TRUE(WaitForEvent({DOWNLOAD_EVENT_CANCELLED, DOWNLOAD_EVENT_ALL_DONE}));
    EXPECT_EQ(Events().back(), DOWNLOAD_EVENT_CANCELLED);
}

TEST_F(CDownloadFixture, TheChosenFormatReachesTheTool)
{
    Control("analysis.json", Video("1", "Clip", ThreeFormats() + "," + Format("140", "", "none", "mp4a", 10)));
    m_answer = 2;
    ASSERT_TRUE(Start(ONLINE_FORMAT_ASK));
    ASSERT_TRUE(WaitForEvent({DOWNLOAD_EVENT_ALL_DONE, DOWNLOAD_EVENT_FAILED, DOWNLOAD_EVENT_CANCELLED}));
    ASSERT_EQ(m_requests.size(), 1u);
    // Only the formats with picture and sound are offered, sizes over 4 GiB intact.
    const VXM_FORMAT_REQUEST& request = m_requests.front();
    EXPECT_EQ(request.title, L"Clip");
    ASSERT_EQ(request.formats.size(), 3u);
    EXPECT_EQ(request.formats[2].quality, "1080p");
    EXPECT_EQ(request.formats[2].size, 5000000000ull);
    EXPECT_EQ(request.formats[0].mediaType, L"video/mp4");
    EXPECT_EQ(After(Calls().back(), "-f"), "37");
    EXPECT_EQ(Events().back(), DOWNLOAD_EVENT_ALL_DONE);
}

TEST_F(CDownloadFixture, APlaylistDownloadsAsLinkedParts)
{
    const std::string entries = Video("a", "First", ThreeFormats()) + "," + Video("b", "Second", ThreeFormats()) + "," +
                                Video("c", "Third", ThreeFormats());
    Control("analysis.json", R"({"_type":"playlist","title":"Series","extractor_key":"Vimeo","entries":[)" + entries + "]}");
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForEvent({DOWNLOAD_EVENT_ALL_DONE, DOWNLOAD_EVENT_FAILED}));
    std::vector<const CReceived*> files;
    for (const CReceived& r : m_received)
        if (r.message == WM_VXM_DOWNLOADER_EVENT && r.wParam == DOWNLOAD_EVENT_FILE_DONE) files.push_back(&r);
    ASSERT_EQ(files.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const VXM_DOWNLOAD_RECORD& record = *files[static_cast<size_t>(i)]->record;
        EXPECT_EQ(record.partIndex, i);
        EXPECT_EQ(record.partCount, 3);
        EXPECT_EQ(record.title, L"Series");
        EXPECT_EQ(record.filePath, Utf8ToWide(m_out.File("Series - part" + std::to_string(i + 1) + ".mp4")));
    }
    // Following the links from the first record reaches each part's own title.
    const VXM_DOWNLOAD_RECORD& head = *files[2]->record;
    ASSERT_TRUE(head.next && head.next->next);
    EXPECT_EQ(head.next->title, L"Second");
    EXPECT_EQ(head.next->next->title, L"Third");
    EXPECT_EQ(head.next->next->next, nullptr);
    // Each part is fetched from its own address.
    auto calls = Calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[2].back(), "https://vimeo.com/b");
    EXPECT_EQ(Events().back(), DOWNLOAD_EVENT_ALL_DONE);
}

TEST_F(CDownloadFixture, Mp3ModeExtractsTheSoundWithoutAskingForAFormat)
{
    Control("analysis.json", Video("1", "Song", ThreeFormats()));
    ASSERT_TRUE(Start(ONLINE_FORMAT_ASK, DOWNLOAD_FLAG_MP3));
    ASSERT_TRUE(WaitForEvent({DOWNLOAD_EVENT_ALL_DONE, DOWNLOAD_EVENT_FAILED}));
    EXPECT_TRUE(m_requests.empty());
    const auto download = Calls().back();
    EXPECT_EQ(After(download, "-x"), "--audio-format");
    EXPECT_EQ(After(download, "--audio-format"), "mp3");
    EXPECT_EQ(After(download, "-f"), "bestaudio/best");
    EXPECT_EQ(Last(DOWNLOAD_EVENT_FILE_DONE)->record->filePath, Utf8ToWide(m_out.File("Song.mp3")));
}

TEST_F(CDownloadFixture, AccountsReachTheToolInAPrivateFileNeverInTheArguments)
{
    Control("analysis.json", Video("1", "Clip", ThreeFormats()));
    m_downloader->SetYTUser(L"someone");
    m_downloader->SetYTPasswd(L"s3cret pass");
    m_downloader->SetNicoUser(L"nico");
    m_downloader->SetNicoPasswd(L"nicopw");
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForEvent({DOWNLOAD_EVENT_ALL_DONE, DOWNLOAD_EVENT_FAILED}));
    for (const auto& call : Calls())
        for (const std::string& arg : call) {
            EXPECT_EQ(arg.find("s3cret"), std::string::npos);
            EXPECT_EQ(arg.find("nicopw"), std::string::npos);
            EXPECT_EQ(arg.find("someone"), std::string::npos);
        }
    const std::string netrc = After(Calls().front(), "--netrc-location");
    ASSERT_FALSE(netrc.empty());
    struct stat info {};
    ASSERT_EQ(stat(netrc.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    std::ifstream in(netrc);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("machine youtube login someone password \"s3cret pass\""), std::string::npos);
    EXPECT_NE(text.find("machine niconico login nico password nicopw"), std::string::npos);
}

TEST_F(CDownloadFixture, TheToolVersionIsReadFromTheTool)
{
    Control("version", "2024.11.18");
    EXPECT_EQ(m_downloader->GetToolVersion(), 20241118);
    VXMDownloaderSetToolPath(L"/nonexistent/yt-dlp");
    EXPECT_EQ(m_downloader->GetToolVersion(), 0);
}

// Titles as servers send them, through the fake tool that reads the output
// template as yt-dlp does: each ends in a file under a name that no
// character of the title turned into a template, a variable or a second line.
TEST_F(CDownloadFixture, AnyTitleEndsInARecordedFileUnderASafeName)
{
    const std::wstring cjk(150, L'\u6771');
    const struct {
        std::wstring title;
        std::wstring name;
    } cases[] = {
        {L"a\nb", L"a_b.mp4"},
        {L"x%(id)s", L"x%(id)s.mp4"},
        {L"50% off %(", L"50% off %(.mp4"},
        {L"Caf\u00e9", L"Caf\u00e9.mp4"},
        {L"$HOME and ${HOME}", L"\uFF04HOME and \uFF04{HOME}.mp4"},
        {cjk, std::wstring(58, L'\u6771') + L".mp4"},  // 174 bytes of UTF-8
    };
    for (const auto& c : cases) {
        Json::Value video;
        video["id"] = "v1";
        video["title"] = WideToUtf8(c.title);
        video["extractor_key"] = "Vimeo";
        Json::Value format;
        format["format_id"] = "18";
        format["ext"] = "mp4";
        video["formats"].append(format);
        Control("analysis.json", Json::FastWriter().write(video));
        const size_t before = Events().size();
        ASSERT_TRUE(Start());
        ASSERT_TRUE(WaitForEvent({DOWNLOAD_EVENT_ALL_DONE, DOWNLOAD_EVENT_FAILED, DOWNLOAD_EVENT_ANALYSIS_FAILED}, before));
        ASSERT_EQ(Events().back(), DOWNLOAD_EVENT_ALL_DONE) << WideToUtf8(c.title);
        const std::wstring path = Last(DOWNLOAD_EVENT_FILE_DONE)->record->filePath;
        EXPECT_EQ(path, Utf8ToWide(m_out.Path()) + L"/" + c.name);
        EXPECT_TRUE(fs::is_regular_file(WideToUtf8(path))) << WideToUtf8(path);
        EXPECT_EQ(Last(DOWNLOAD_EVENT_FILE_DONE)->record->title, c.title);
    }
    // Nothing but the downloads landed in the output folder.
    EXPECT_EQ(static_cast<size_t>(std::distance(fs::directory_iterator(m_out.Path()), fs::directory_iterator())),
              std::size(cases));
}

TEST_F(CDownloadFixture, NumbersBeyondTheirRangeAreIgnoredAndTheDownloadGoesOn)
{
    Control("analysis.json", Video("1", "Tall", R"({"format_id":"18","ext":"mp4","height":3e9,"filesize":1e300},)"
                                                R"({"format_id":"22","ext":"mp4","height":-5,"filesize_approx":12345.5},)"
                                                R"({"format_id":"37","ext":"mp4","height":1080,"filesize":"big"})"));
    Control("mode", "huge-progress");
    m_answer = 0;
    ASSERT_TRUE(Start(ONLINE_FORMAT_ASK));
    ASSERT_TRUE(WaitForEvent({DOWNLOAD_EVENT_ALL_DONE, DOWNLOAD_EVENT_FAILED, DOWNLOAD_EVENT_ANALYSIS_FAILED}));
    EXPECT_EQ(Events().back(), DOWNLOAD_EVENT_ALL_DONE);
    ASSERT_EQ(m_requests.size(), 1u);
    const auto& formats = m_requests.front().formats;
    ASSERT_EQ(formats.size(), 3u);
    EXPECT_EQ(formats[0].quality, "");  // a height of 3e9 is none
    EXPECT_EQ(formats[0].size, 0u);
    EXPECT_EQ(formats[1].quality, "");
    EXPECT_EQ(formats[1].size, 12345u);
    EXPECT_EQ(formats[2].quality, "1080p");
    for (const CReceived& r : m_received) {
        if (r.message == WM_VXM_DOWNLOADER_PROGRESS) {
            EXPECT_LE(r.wParam, 1000u);
        }
    }
}

TEST_F(CDownloadFixture, AnAnalysisDeeperThanAnyVideoIsAFailedAnalysisWithItsReason)
{
    Control("analysis.json", std::string(5000, '[') + std::string(5000, ']'));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForEvent({DOWNLOAD_EVENT_ANALYSIS_FAILED, DOWNLOAD_EVENT_ALL_DONE}));
    EXPECT_EQ(Events().back(), DOWNLOAD_EVENT_ANALYSIS_FAILED);
    const std::wstring reason = Last(DOWNLOAD_EVENT_ANALYSIS_FAILED)->record->errorText;
    EXPECT_EQ(reason.rfind(L"The download tool's analysis cannot be read: ", 0), 0u) << WideToUtf8(reason);
    EXPECT_EQ(Calls().size(), 1u);
}

TEST_F(CDownloadFixture, AFailedDownloadLeavesNoPiecesAndKeepsTheToolsReason)
{
    Control("analysis.json", Video("1", "Clip", ThreeFormats()));
    Control("mode", "fail-with-pieces");
    WriteFile(m_out.File("Clip.2.mp4.part"), "another title's piece");
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForEvent({DOWNLOAD_EVENT_ALL_DONE, DOWNLOAD_EVENT_FAILED}));
    EXPECT_EQ(Events().back(), DOWNLOAD_EVENT_FAILED);
    EXPECT_EQ(Last(DOWNLOAD_EVENT_FAILED)->record->errorText, L"fragment 2 not found, unable to continue");
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(m_out.Path())) left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"Clip.2.mp4.part"});
}

TEST_F(CDownloadFixture, ADownloadStartedAgainRightAfterAStopRunsAfterTheStoppedOne)
{
    Control("analysis.json", Video("1", "Clip", ThreeFormats()));
    Control("mode", "hang-download");
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Pump([&] { return fs::exists(m_out.File("Clip.mp4.part")); }));
    Control("mode", "");
    m_downloader->CancelDownload(Media());
    EXPECT_TRUE(Start());  // at once: the stopped one may still be ending
    ASSERT_TRUE(WaitForEvent({DOWNLOAD_EVENT_ALL_DONE, DOWNLOAD_EVENT_FAILED}));
    const std::vector<int> events = Events();
    const auto cancelled = std::find(events.begin(), events.end(), DOWNLOAD_EVENT_CANCELLED);
    ASSERT_NE(cancelled, events.end());
    EXPECT_EQ(std::count(cancelled, events.end(), DOWNLOAD_EVENT_STARTED), 1);  // the new one, after
    EXPECT_EQ(events.back(), DOWNLOAD_EVENT_ALL_DONE);
    EXPECT_TRUE(fs::exists(m_out.File("Clip.mp4")));
}

TEST_F(CDownloadFixture, StartingDoesNotWaitForTheToolsVersion)
{
    Control("analysis.json", Video("1", "Clip", ThreeFormats()));
    Control("mode", "hang-version");
    // The tool answers "--version" only when released; starting returns before.
    ASSERT_TRUE(Start());
    Control("release", "");
    ASSERT_TRUE(WaitForEvent({DOWNLOAD_EVENT_ALL_DONE, DOWNLOAD_EVENT_FAILED, DOWNLOAD_EVENT_ANALYSIS_FAILED}));
    EXPECT_EQ(Events().back(), DOWNLOAD_EVENT_ALL_DONE);
}

TEST_F(CDownloadFixture, AToolThatNeverTellsItsVersionHasNone)
{
    Control("mode", "hang-version");
    EXPECT_EQ(m_downloader->GetToolVersion(), 0);  // after the probe's time limit
}

TEST_F(CDownloadFixture, TheAccountsFileIsReplacedWholeAndGoesWithTheLastAccount)
{
    Control("analysis.json", Video("1", "Clip", ThreeFormats()));
    const std::string netrc = m_control.File("accounts.netrc");
    auto run = [&] {
        const size_t before = Events().size();
        ASSERT_TRUE(Start());
        ASSERT_TRUE(WaitForEvent({DOWNLOAD_EVENT_ALL_DONE, DOWNLOAD_EVENT_FAILED}, before));
    };
    m_downloader->SetYTUser(L"someone");
    m_downloader->SetYTPasswd(L"first");
    run();
    struct stat first {};
    ASSERT_EQ(stat(netrc.c_str(), &first), 0);
    m_downloader->SetYTPasswd(L"second");
    run();
    struct stat second {};
    ASSERT_EQ(stat(netrc.c_str(), &second), 0);
    // A new file renamed into place: a reader of the old one read it whole.
    EXPECT_NE(first.st_ino, second.st_ino);
    EXPECT_EQ(second.st_mode & 0777, 0600u);
    std::ifstream in(netrc);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "machine youtube login someone password second\n");
    m_downloader->SetYTUser(L"");
    run();
    EXPECT_FALSE(fs::exists(netrc));
    EXPECT_EQ(After(Calls().back(), "--netrc-location"), "");
}

TEST(DownloadTool, ArgumentListsPutTheAddressAfterADoubleDash)
{
    CDownloadToolOptions options;
    options.tool = L"yt-dlp";
    options.proxyServer = L"proxy.local";
    options.proxyPort = L"3128";
    auto analysis = BuildAnalysisArgs(options, L"-https://evil");
    ASSERT_GE(analysis.size(), 3u);
    EXPECT_EQ(analysis[analysis.size() - 2], L"--");
    EXPECT_EQ(analysis.back(), L"-https://evil");
    CDownloadTask task;
    task.address = L"--exec=rm";
    task.outputBase = L"/out/x";
    task.format = L"22";
    auto download = BuildDownloadArgs(options, task);
    EXPECT_EQ(download[download.size() - 2], L"--");
    EXPECT_EQ(download.back(), L"--exec=rm");
    EXPECT_NE(std::find(download.begin(), download.end(), L"http://proxy.local:3128"), download.end());
}

TEST(DownloadTool, ProgressIsSpreadOverThePartsWithoutDividingByZero)
{
    CProgressLine line;
    ASSERT_TRUE(ParseProgressLine("[vxm-progress] 6000000000 NA 12000000000 1048576\n", line));
    EXPECT_EQ(line.total, 12000000000ull);
    EXPECT_EQ(OverallPermille(line, 0, 1), 500);
    EXPECT_EQ(OverallPermille(line, 1, 2), 750);
    ASSERT_TRUE(ParseProgressLine("[vxm-progress] 100 NA NA NA", line));
    EXPECT_EQ(line.total, 0u);
    EXPECT_EQ(OverallPermille(line, 0, 0), 0);
    EXPECT_FALSE(ParseProgressLine("[download]  50.0% of 10MiB", line));
    // Numbers past any size are clamped, never cast out of range.
    ASSERT_TRUE(ParseProgressLine("[vxm-progress] 1e300 1e300 NA 1e300", line));
    EXPECT_EQ(line.done, line.total);
    EXPECT_EQ(line.speed, 0);
    EXPECT_EQ(OverallPermille(line, 0, 1), 1000);
    ASSERT_TRUE(ParseProgressLine("[vxm-progress] 40000000000000000 80000000000000000 NA NA", line));
    EXPECT_EQ(OverallPermille(line, 0, 1), 500);
    // The finished file is a JSON string: a line feed or quote in it is data.
    std::wstring path;
    ASSERT_TRUE(ParseFileLine(R"([vxm-file] "/out/a\nb \"q\" \u6771\ud83c\udfac.mp4")", path));
    EXPECT_EQ(path, L"/out/a\nb \"q\" \u6771\U0001F3AC.mp4");
    ASSERT_TRUE(ParseFileLine(R"([vxm-file] "/out/\udcff.mp4")", path));
    EXPECT_EQ(WideToUtf8(path), "/out/\xff.mp4");  // a byte of a name that is no UTF-8
    EXPECT_FALSE(ParseFileLine(R"([vxm-file] "/out/a.mp4)", path));
    EXPECT_FALSE(ParseFileLine("[vxm-file] /out/a.mp4", path));
    EXPECT_EQ(SpeedText(1572864), L"1.5 MiB/s");
    EXPECT_EQ(ParseToolVersion("2023.03.04\n"), 20230304);
    EXPECT_EQ(ParseToolVersion("garbage"), 0);
}

}  // namespace
