// The DVD structure is read by the reader tool in a child process: a disc
// whose information files crash libdvdread, a reader that crashes, hangs or
// answers nonsense, all end as a refused disc while this process goes on;
// and a refused disc is never opened here for its video.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "VXMMediaExports.h"
#include "VXMMessages.h"
#include "dvd/DvdInfo.h"
#include "dvd/DvdInput.h"
#include "dvd/DvdStructure.h"
#include "dvd/MainMovie.h"
#include "dvd_fixture.h"
#include "platform/text.h"
#include "support/dvd_damage.h"
#include "support/test_media.h"

using dvdtest::TestDvd;

namespace {

std::mutex g_logMutex;
std::string g_log;

void LogA(const char* category, const char* format, ...)
{
    char text[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::lock_guard<std::mutex> lock(g_logMutex);
    g_log += std::string(category) + ": " + text + "\n";
}

void LogW(const char*, const wchar_t*, ...) {}

class DvdReader : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
#if defined(__SANITIZE_ADDRESS__)
        // A fault the sanitizer reports in the reader ends it by a signal,
        // as the fault itself does without the sanitizer.
        const char* given = std::getenv("ASAN_OPTIONS");
        std::string options = given ? given : "";
        options += options.empty() ? "abort_on_error=1" : ":abort_on_error=1";
        ::setenv("ASAN_OPTIONS", options.c_str(), 1);
#endif
    }
    void SetUp() override
    {
        g_log.clear();
        VXMMediaSetLogFunc(&LogA, &LogW);
    }
    void TearDown() override
    {
        VXMMediaSetLogFunc(nullptr, nullptr);
        SetDvdReaderForTesting(L"", std::chrono::milliseconds(0));
    }
    static std::string Log()
    {
        std::lock_guard<std::mutex> lock(g_logMutex);
        return g_log;
    }
    // A reader program of the test's own: a shell script.
    std::string Script(const std::string& body)
    {
        const std::string path = m_dir.File("reader.sh");
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        vxmtest::RunProgram({"chmod", "+x", path});
        return path;
    }
    vxmtest::CTempDir m_dir;
};

int OpenTitleInput(const std::string& disc, int title)
{
    LegacyInputRequest req;
    req.dvd = true;
    req.dvd_device = disc;
    req.title = title;
    AVFormatContext* ic = nullptr;
    const int error = open_dvd_title_input(req, AVIOInterruptCB{}, &ic);
    close_input_format(&ic);
    return error;
}

TEST_F(DvdReader, DiscsWhoseInformationFilesCrashTheParserAreRefused)
{
    ASSERT_FALSE(TestDvd().empty());
    for (const vxmtest::CDvdDamage& damage : vxmtest::DvdDamages()) {
        SCOPED_TRACE(damage.name);
        const std::string disc = m_dir.File("DAMAGED");
        ASSERT_TRUE(vxmtest::CopyDamagedDvd(TestDvd(), disc, damage));
        g_log.clear();

        dvd_info info;
        EXPECT_EQ(parse_dvd(info, disc.c_str(), 0), -1);
        EXPECT_TRUE(info.titles.empty());
        EXPECT_NE(Log().find("the DVD reader crashed"), std::string::npos) << Log();

        CDravel dravel;
        dravel.InitDravel();
        std::atomic<int> main{-1}, chapters{-1}, titleSet{1};
        const char* path = disc.c_str();
        EXPECT_EQ(dravel.FindTitleNrOfMainmovie(&path, 1024, &main, &chapters, &titleSet), -1);
        EXPECT_EQ(main.load(), -1);

        // The title input asks the reader first and opens nothing itself.
        EXPECT_LT(OpenTitleInput(disc, 1), 0);

        dvdtest::CNotifyWindow window;
        IVXMDVDFile* source = CreateVXMDVDFileObject();
        source->SetPath(Utf8ToWide(disc));
        source->Open(window.Get());
        ASSERT_TRUE(window.WaitFor(WM_VXM_DVD_PARSED));
        EXPECT_NE(window.Last(WM_VXM_DVD_PARSED), 0);
        EXPECT_EQ(source->GetTitleCount(), 0);
        source->Release();
    }
}

TEST_F(DvdReader, ADiscThatTurnsUnreadableIsNoLongerOpenedForItsVideo)
{
    ASSERT_FALSE(TestDvd().empty());
    const std::string disc = m_dir.File("DISC");
    std::error_code ec;
    std::filesystem::copy(TestDvd(), disc, std::filesystem::copy_options::recursive, ec);
    ASSERT_FALSE(ec);
    dvd_info info;
    ASSERT_EQ(parse_dvd(info, disc.c_str(), 0), 0);
    EXPECT_EQ(OpenTitleInput(disc, 2), 0);

    // The same path, now with a title set that crashes the parser.
    ASSERT_TRUE(vxmtest::CopyDamagedDvd(TestDvd(), disc, vxmtest::DvdDamages().back()));
    EXPECT_EQ(parse_dvd(info, disc.c_str(), 0), -1);
    EXPECT_LT(OpenTitleInput(disc, 2), 0);
    EXPECT_NE(Log().find("the DVD reader crashed"), std::string::npos) << Log();
}

TEST_F(DvdReader, AReaderThatFailsInAnyWayIsAFailedRead)
{
    ASSERT_FALSE(TestDvd().empty());
    struct Case {
        const char* body;
        const char* logged;
    };
    const Case cases[] = {
        {"kill -SEGV $$", "crashed (signal 11)"},
        {"exec sleep 60", "no answer within"},
        {"echo 'VXMDVD 1'; echo 'label %'; echo 'main 1'", "malformed answer"},
        {"printf 'VXMDVD 1\\nlabel %%\\nmain -1\\nend\\n'", "no title"},
        {"echo nonsense", "malformed answer"},
        {"exit 1", "exit code 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        SetDvdReaderForTesting(Utf8ToWide(Script(c.body)), std::chrono::milliseconds(1500));
        g_log.clear();
        dvd_info info;
        EXPECT_EQ(parse_dvd(info, TestDvd().c_str(), 0), -1);
        EXPECT_TRUE(info.titles.empty());
        EXPECT_NE(Log().find(c.logged), std::string::npos) << Log();
    }
    // No reader at all.
    SetDvdReaderForTesting(Utf8ToWide(m_dir.File("missing")), std::chrono::milliseconds(1500));
    dvd_info info;
    EXPECT_EQ(parse_dvd(info, TestDvd().c_str(), 0), -1);
}

TEST_F(DvdReader, AStoppedDetectionEndsTheReadAtOnce)
{
    ASSERT_FALSE(TestDvd().empty());
    const std::string started = m_dir.File("started");
    SetDvdReaderForTesting(Utf8ToWide(Script("touch '" + started + "'; exec sleep 60")), std::chrono::seconds(60));
    CDravel dravel;
    dravel.InitDravel();
    std::atomic<int> main{-1}, chapters{-1}, titleSet{1};
    const char* path = TestDvd().c_str();
    std::atomic<int> result{1};
    std::thread detection([&] { result = dravel.FindTitleNrOfMainmovie(&path, 1024, &main, &chapters, &titleSet); });
    while (!std::filesystem::exists(started) && result.load() == 1)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(std::filesystem::exists(started));
    dravel.SetFindEnd();
    detection.join();
    EXPECT_EQ(result.load(), -1);
    // At once: the stop ended the read, not the reader's own end a minute later.
    EXPECT_NE(Log().find("was stopped"), std::string::npos) << Log();
    EXPECT_NE(dravel.GetFindEnd(), 0);
    EXPECT_EQ(dravel.TakeStructure(), nullptr);
}

}  // namespace
