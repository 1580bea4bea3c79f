// File downloads and the download tool's update against a server on
// 127.0.0.1 (tests/support/fake_update_server.py), plain and https with a
// certificate made for the test.
#include "HttpDownload.h"
#include "IniFile.h"
#include "Log.h"
#include "ModuleUpdate.h"

#include "platform/messages.h"
#include "platform/process.h"
#include "platform/text.h"
#include "platform/thread.h"
#include "support/private_home.h"
#include "support/test_media.h"
#include "support/update_server.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

[[maybe_unused]] const bool g_home = vxmtest::RegisterPrivateHome();

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct CHttpTest : ::testing::Test {
    vxmtest::CTempDir served, out;
    std::wstring Target(const std::string& name = "file.bin") const { return Utf8ToWide(out.File(name)); }
};

TEST_F(CHttpTest, AServerThatAnswers404FiveTimesCreatesNoFile)
{
    vxmtest::CUpdateServer server(served.Path());
    EXPECT_FALSE(CCheckUpdateDlg::GetFile(nullptr, nullptr, server.Url("/missing"), Target()));
    EXPECT_FALSE(fs::exists(out.File("file.bin")));
    EXPECT_EQ(ReadFile(served.File("heads.log")), "HEAD\nHEAD\nHEAD\nHEAD\nHEAD\n");
}

TEST_F(CHttpTest, TheSizeCapHoldsAtItsBoundaryAndWithoutALength)
{
    vxmtest::CUpdateServer server(served.Path());
    EXPECT_TRUE(CCheckUpdateDlg::GetFile(nullptr, nullptr, server.Url("/size/10485760"), Target()));
    EXPECT_EQ(fs::file_size(out.File("file.bin")), 10485760u);
    EXPECT_FALSE(CCheckUpdateDlg::GetFile(nullptr, nullptr, server.Url("/size/10485761"), Target("over.bin")));
    EXPECT_FALSE(fs::exists(out.File("over.bin")));
    EXPECT_FALSE(CCheckUpdateDlg::GetFile(nullptr, nullptr, server.Url("/nolength/10485761"), Target("stream.bin")));
    EXPECT_FALSE(fs::exists(out.File("stream.bin")));
    EXPECT_TRUE(CCheckUpdateDlg::GetFile(nullptr, nullptr, server.Url("/nolength/5000"), Target("small.bin")));
    EXPECT_EQ(fs::file_size(out.File("small.bin")), 5000u);
}

TEST_F(CHttpTest, ABodyShorterThanItsLengthFailsAndLeavesNoFile)
{
    vxmtest::CUpdateServer server(served.Path());
    EXPECT_FALSE(CCheckUpdateDlg::GetFile(nullptr, nullptr, server.Url("/truncated"), Target()));
    EXPECT_FALSE(fs::exists(out.File("file.bin")));
}

TEST_F(CHttpTest, ProgressRisesToTheAnnouncedSize)
{
    vxmtest::CUpdateServer server(served.Path());
    std::vector<WPARAM> sizes, progress;
    CMessageWindow window([&](HWND, UINT msg, WPARAM w, LPARAM) -> LRESULT {
        if (msg == WM_VXM_UPDATE_DOWNLOAD_SIZE) sizes.push_back(w);
        if (msg == WM_VXM_UPDATE_DOWNLOAD_PROGRESS) progress.push_back(w);
        return 0;
    });
    ASSERT_TRUE(CCheckUpdateDlg::GetFile(window.Get(), nullptr, server.Url("/size/300000"), Target()));
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
    EXPECT_EQ(sizes, std::vector<WPARAM>{300000});
    ASSERT_FALSE(progress.empty());
    for (size_t i = 1; i < progress.size(); ++i) EXPECT_GT(progress[i], progress[i - 1]);
    EXPECT_EQ(progress.back(), 300000u);
}

TEST_F(CHttpTest, TheToolComesOnlyOverHttpsAndReplacesTheOldOne)
{
    WriteFile(served.File("yt-dlp"), "#!/bin/sh\necho 2099.01.01\n");
    {
        vxmtest::CUpdateServer plain(served.Path());
        SetUpdateServer(plain.Base());
        WriteFile(WideToUtf8(ModuleToolPath()), "old tool");
        EXPECT_FALSE(DownloadModule(nullptr, nullptr, {}));
        EXPECT_EQ(ReadFile(WideToUtf8(ModuleToolPath())), "old tool");
    }
    vxmtest::CUpdateServer secure(served.Path(), true);
    SetUpdateServer(secure.Base());
    ASSERT_TRUE(DownloadModule(nullptr, nullptr, {}));
    EXPECT_EQ(ReadFile(WideToUtf8(ModuleToolPath())), "#!/bin/sh\necho 2099.01.01\n");
    struct stat info {};
    ASSERT_EQ(stat(WideToUtf8(ModuleToolPath()).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);
    EXPECT_FALSE(fs::exists(WideToUtf8(ModuleToolPath()) + ".module"));
}

TEST_F(CHttpTest, ACancelDuringAStalledTransferEndsAndKeepsTheOldTool)
{
    WriteFile(served.File("stall"), "");
    vxmtest::CUpdateServer secure(served.Path(), true);
    SetUpdateServer(secure.Base());
    WriteFile(WideToUtf8(ModuleToolPath()), "old tool");
    CEvent cancel(true, false), started(true, false);
    std::atomic<int> result{-1};
    CMessageThread worker;
    ASSERT_TRUE(worker.Start([&](CMessageThread&) {
        started.Set();
        result = DownloadModule(nullptr, &cancel, {}) ? 1 : 0;
    }, nullptr));
    started.Wait();
    Sleep(500);  // the transfer is under way and stalls
    EXPECT_EQ(result.load(), -1);
    cancel.Set();
    ASSERT_TRUE(worker.Join(INFINITE));
    EXPECT_EQ(result.load(), 0);
    EXPECT_EQ(ReadFile(WideToUtf8(ModuleToolPath())), "old tool");
    EXPECT_FALSE(fs::exists(WideToUtf8(ModuleToolPath()) + ".module"));
}

TEST_F(CHttpTest, OnlyANewerToolVersionIsOffered)
{
    WriteFile(served.File("ver_youtube-dl.ini"), "[General]\nversion=20991231\n");
    vxmtest::CUpdateServer server(served.Path());
    SetUpdateServer(server.Base());
    std::vector<std::pair<WPARAM, LPARAM>> offers;
    CMessageWindow window([&](HWND, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == WM_VXM_MODULE_UPDATE_AVAILABLE) offers.emplace_back(w, l);
        return 0;
    });
    for (int installed : {20230304, 20991231}) {
        CModuleVersionCheck check;
        ASSERT_TRUE(check.Start([installed] { return installed; }, window.Get(), {}));
        ASSERT_TRUE(check.Join(INFINITE));
        EXPECT_EQ(check.GetOfferedVersion(), 20991231);
    }
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
    ASSERT_EQ(offers.size(), 1u);
    EXPECT_EQ(offers[0].first, 20230304u);
    EXPECT_EQ(offers[0].second, 20991231);
    EXPECT_EQ(ReadIniInt(ModuleVersionFilePath(), L"general", L"VERSION", 0), 20991231);
    EXPECT_EQ(ReadIniInt(ModuleVersionFilePath(), L"General", L"missing", 7), 7);
}

// A default route is no connection: the log calls the connection available
// only once the update server answered.
TEST_F(CHttpTest, TheLogCallsTheConnectionAvailableOnlyWhenTheServerAnswers)
{
    const std::string log = out.File("vxm.log");
    InitLogger(log.c_str());
    WriteFile(served.File("ver_youtube-dl.ini"), "[General]\nversion=20230304\n");
    vxmtest::CUpdateServer server(served.Path());
    const std::string available = "Internet connection available, checking module version...";
    for (const std::wstring& address : {std::wstring(L"http://127.0.0.1:9"), server.Base()}) {
        SetUpdateServer(address);
        CModuleVersionCheck check;
        ASSERT_TRUE(check.Start([] { return 20230304; }, nullptr, {}));
        ASSERT_TRUE(check.Join(INFINITE));
        const bool answered = ReadFile(log).find(available) != std::string::npos;
        EXPECT_EQ(answered, address == server.Base()) << WideToUtf8(address) << ReadFile(log);
        if (!answered) {
            EXPECT_NE(ReadFile(log).find("No Internet connection to the update server"), std::string::npos);
        }
    }
    UninitLogger();
}

}  // namespace
