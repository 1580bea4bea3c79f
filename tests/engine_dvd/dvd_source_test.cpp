// Opening a DVD source: the detection, the watchdog and the parse thread
// end in one parse message, after which the titles are there.
#include <gtest/gtest.h>

#include <fstream>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <thread>

#include "VXMDVDFile.h"
#include "VXMDVDTitle.h"
#include "VXMMediaExports.h"
#include "VXMMessages.h"
#include "dvd_fixture.h"
#include "platform/text.h"
#include "support/test_media.h"

using dvdtest::CNotifyWindow;
using dvdtest::TestDvd;

namespace {

// What the engine logs while the object lives.
class CEngineLog {
public:
    CEngineLog()
    {
        {
            std::lock_guard<std::mutex> lock(Mutex());
            Kept().clear();
        }
        VXMMediaSetLogFunc(&Add, &Ignore);
    }
    ~CEngineLog() { VXMMediaSetLogFunc(nullptr, nullptr); }
    std::string Text() const
    {
        std::lock_guard<std::mutex> lock(Mutex());
        return Kept();
    }

private:
    static std::mutex& Mutex()
    {
        static std::mutex mutex;
        return mutex;
    }
    static std::string& Kept()
    {
        static std::string text;
        return text;
    }
    static void Add(const char* category, const char* format, ...)
    {
        char text[2048];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        std::lock_guard<std::mutex> lock(Mutex());
        Kept() += std::string(category) + ": " + text + "\n";
    }
    static void Ignore(const char*, const wchar_t*, ...) {}
};

// A source opened on the test DVD, its parse message handled.
struct COpenedDvd {
    COpenedDvd()
    {
        source->SetPath(Utf8ToWide(TestDvd()));
        EXPECT_EQ(source->Open(window.Get()), 0);
        parsed = window.WaitFor(WM_VXM_DVD_PARSED);
    }
    ~COpenedDvd()
    {
        for (IVXMDVDTitle* title : handedOut)
            title->Release();
        source->Release();
    }
    IVXMDVDTitle* Title(unsigned index)
    {
        IVXMDVDTitle* title = source->GetTitleAt(index);
        if (title && std::find(handedOut.begin(), handedOut.end(), title) == handedOut.end())
            handedOut.push_back(title);
        return title;
    }

    CNotifyWindow window;
    IVXMDVDFile* source = CreateVXMDVDFileObject();
    bool parsed = false;
    std::vector<IVXMDVDTitle*> handedOut;
};

TEST(DvdSource, OpenFindsBothTitlesWithChaptersTracksAndLengths)
{
    ASSERT_FALSE(TestDvd().empty());
    COpenedDvd dvd;
    ASSERT_TRUE(dvd.parsed);
    EXPECT_EQ(dvd.window.Last(WM_VXM_DVD_PARSED), 0);
    EXPECT_EQ(dvd.window.Count(WM_VXM_DVD_PARSED), 1);
    ASSERT_EQ(dvd.source->GetTitleCount(), 2);

    IVXMDVDTitle* one = dvd.Title(0);
    IVXMDVDTitle* two = dvd.Title(1);
    ASSERT_NE(one, nullptr);
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(dvd.source->GetTitleAt(2), nullptr);
    EXPECT_EQ(one->GetMediaKind(), 1);
    EXPECT_EQ(WideToUtf8(one->GetSourcePath()), "dvdnav://1");
    EXPECT_EQ(WideToUtf8(two->GetSourceTitle()), "2");
    EXPECT_EQ(WideToUtf8(one->GetDiscPath()), TestDvd());
    EXPECT_EQ(WideToUtf8(one->GetDiscName()), "MY_DISC");
    EXPECT_EQ(WideToUtf8(one->GetVideoStandard()), "PAL");
    EXPECT_EQ(one->GetTitleInfoA(), 1);
    EXPECT_EQ(two->GetTitleInfoA(), 2);

    EXPECT_NEAR(one->GetDuration() / 1000.0, dvdtest::kTitle1Seconds, 0.5);
    EXPECT_NEAR(two->GetDuration() / 1000.0, dvdtest::kTitle2Seconds, 0.5);
    EXPECT_EQ(one->GetChapterCount(), 2);
    EXPECT_EQ(two->GetChapterCount(), 3);
    ASSERT_NE(two->GetChapterAt(2), nullptr);
    EXPECT_NEAR(two->GetChapterAt(2)->GetStartTime(), 2.0, 0.5);
    EXPECT_EQ(two->GetChapterAt(3), nullptr);
    EXPECT_GE(two->GetCellCount(), 1);
    EXPECT_EQ(one->GetAngleCount(), 1);

    ASSERT_EQ(one->GetAudioTrackCount(), 1);
    ASSERT_EQ(two->GetAudioTrackCount(), 2);
    EXPECT_EQ(WideToUtf8(two->GetAudioTrackAt(1)->GetLanguage()), "de");
    EXPECT_EQ(WideToUtf8(two->GetAudioTrackAt(0)->GetCodecName()), "AC3");
    EXPECT_EQ(WideToUtf8(two->GetAudioTrackAt(1)->GetDisplayName()), "129 - de AC3");
    ASSERT_NE(two->GetAudioTrack(), nullptr);
    EXPECT_EQ(two->GetAudioTrack()->GetId(), 0x80);
    ASSERT_NE(one->GetVideoStream(), nullptr);
    EXPECT_EQ(WideToUtf8(one->GetVideoStream()->GetCodecName()), "mpeg2Video");
    EXPECT_DOUBLE_EQ(one->GetVideoStream()->GetFrameRate(), 25.0);
}

TEST(DvdSource, TheLongerTitleIsTheMainTitle)
{
    ASSERT_FALSE(TestDvd().empty());
    COpenedDvd dvd;
    ASSERT_TRUE(dvd.parsed);
    EXPECT_EQ(dvd.source->GetMainTitleInfo(), 2);
    EXPECT_EQ(dvd.Title(0)->IsMainTitle(), 0);
    EXPECT_EQ(dvd.Title(1)->IsMainTitle(), 1);
}

TEST(DvdSource, TitlesAreFoundByTheirNumbers)
{
    ASSERT_FALSE(TestDvd().empty());
    COpenedDvd dvd;
    ASSERT_TRUE(dvd.parsed);
    IVXMDVDTitle* one = dvd.Title(0);
    IVXMDVDTitle* two = dvd.Title(1);
    EXPECT_EQ(dvd.source->GetTitleByNumber(1), one);
    EXPECT_EQ(dvd.source->GetTitleByNumber(2), two);
    EXPECT_EQ(dvd.source->GetTitleByNumber(0), nullptr);
    EXPECT_EQ(dvd.source->GetTitleByNumber(3), nullptr);
}

TEST(DvdSource, ACancelledDetectionStillGivesTheTitlesAndTheLongestAsMain)
{
    ASSERT_FALSE(TestDvd().empty());
    CNotifyWindow window;
    IVXMDVDFile* source = CreateVXMDVDFileObject();
    source->SetPath(Utf8ToWide(TestDvd()));
    source->CancelOpen();
    EXPECT_EQ(source->Open(window.Get()), 0);
    ASSERT_TRUE(window.WaitFor(WM_VXM_DVD_PARSED));
    EXPECT_EQ(source->GetTitleCount(), 2);
    EXPECT_EQ(source->GetMainTitleInfo(), 2);
    source->Release();  // titles never handed out go with the source
}

TEST(DvdSource, AFolderThatIsNotADvdFailsCleanlyAndQuickly)
{
    vxmtest::CTempDir dir;
    std::ofstream(dir.File("notes.txt")) << "not a disc\n";
    CNotifyWindow window;
    IVXMDVDFile* source = CreateVXMDVDFileObject();
    source->SetPath(Utf8ToWide(dir.Path()));
    CEngineLog log;
    EXPECT_EQ(source->Open(window.Get()), 0);
    ASSERT_TRUE(window.WaitFor(WM_VXM_DVD_PARSED));
    // Quickly: the reader said at once that this is no disc; no time limit ended the detection or the read.
    EXPECT_NE(log.Text().find("no readable DVD (exit code"), std::string::npos) << log.Text();
    EXPECT_EQ(log.Text().find("took too long"), std::string::npos) << log.Text();
    EXPECT_EQ(log.Text().find("no answer within"), std::string::npos) << log.Text();
    EXPECT_NE(window.Last(WM_VXM_DVD_PARSED), 0);
    EXPECT_EQ(source->GetTitleCount(), 0);
    EXPECT_EQ(source->GetTitleAt(0), nullptr);
    EXPECT_EQ(source->GetMainTitleInfo(), -1);
    source->Release();
}

TEST(DvdSource, AnUnreadablePathReturnsAtOnceWithoutAMessage)
{
    vxmtest::CTempDir dir;
    CNotifyWindow window;
    IVXMDVDFile* source = CreateVXMDVDFileObject();
    source->SetPath(Utf8ToWide(dir.File("no such disc")));
    EXPECT_EQ(source->Open(window.Get()), 0);
    EXPECT_EQ(source->GetTitleCount(), -1);
    source->Release();
    PumpThreadMessages();
    EXPECT_EQ(window.Count(WM_VXM_DVD_PARSED), 0);
}

TEST(DvdSource, OpenReturnsOnceTheReportIsHandledAndLeavesNothingRunning)
{
    ASSERT_FALSE(TestDvd().empty());
    CNotifyWindow window;
    IVXMDVDFile* source = CreateVXMDVDFileObject();
    source->SetPath(Utf8ToWide(TestDvd()));
    EXPECT_EQ(source->Open(window.Get()), 0);
    EXPECT_EQ(window.Count(WM_VXM_DVD_PARSED), 1);
    source->Release();
    PumpThreadMessages();  // nothing of the source is left to post
    EXPECT_EQ(window.Count(WM_VXM_DVD_PARSED), 1);
}

TEST(DvdSource, OpenOnAWorkerThreadReportsToTheWindowsThread)
{
    ASSERT_FALSE(TestDvd().empty());
    CNotifyWindow window;
    IVXMDVDFile* source = CreateVXMDVDFileObject();
    source->SetPath(Utf8ToWide(TestDvd()));
    const HWND target = window.Get();
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        source->Open(target);
        returned = true;
    });
    EXPECT_TRUE(window.WaitFor(WM_VXM_DVD_PARSED));
    worker.join();
    EXPECT_TRUE(returned.load());
    EXPECT_EQ(window.Last(WM_VXM_DVD_PARSED), 0);
    EXPECT_EQ(source->GetTitleCount(), 2);
    source->Release();
}

TEST(DvdSource, TheWindowMayReleaseTheSourceWhileHandlingTheReport)
{
    ASSERT_FALSE(TestDvd().empty());
    CNotifyWindow window;
    IVXMDVDFile* source = CreateVXMDVDFileObject();
    int titles = -2;
    IVXMDVDTitle* kept = nullptr;
    window.m_onMessage = [&](UINT msg, WPARAM, LPARAM) {
        if (msg != WM_VXM_DVD_PARSED || !source)
            return;
        titles = source->GetTitleCount();
        kept = source->GetTitleAt(1);
        source->Release();
        source = nullptr;
    };
    source->SetPath(Utf8ToWide(TestDvd()));
    EXPECT_EQ(source->Open(window.Get()), 0);
    ASSERT_TRUE(window.WaitFor(WM_VXM_DVD_PARSED));
    EXPECT_EQ(titles, 2);
    ASSERT_NE(kept, nullptr);
    // A title handed out outlives its source.
    EXPECT_EQ(kept->GetChapterCount(), 3);
    kept->Release();
}

}  // namespace
