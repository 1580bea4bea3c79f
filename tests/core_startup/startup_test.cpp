// Start-up order, shut-down in reverse, and what every failure path leaves:
// the exit code, the services taken down and the log closed last.
#include "AppStartup.h"
#include "Log.h"
#include "VXMSettings.h"
#include "VXMStats.h"
#include "VXMUpdater.h"
#include "platform/folders.h"
#include "platform/messages.h"
#include "support/test_media.h"
#include "ui/UILib.h"

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& text)
{
    for (const auto& line : lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

class CDummyWindow : public CWindowWnd {
public:
    std::wstring GetWindowClassName() const override { return L"Dummy"; }
};

// Notes every step; the log is real (in a temporary file).
class CRecordingServices : public IStartupServices {
public:
    explicit CRecordingServices(std::string logPath) : m_logPath(std::move(logPath)) {}

    std::vector<std::string> calls;
    int networkError = 0;
    bool uiStarts = true;
    bool makesWindow = true;
    bool createsWindow = true;
    std::string givenLogPath;
    std::wstring language;
    std::wstring commandLineFile;
    std::string locale;

    void IgnoreBrokenPipes() override { calls.push_back("IgnoreBrokenPipes"); }
    void InitLog(const char* path) override
    {
        calls.push_back("InitLog");
        givenLogPath = path ? path : "";
        InitLogger(m_logPath.c_str());
    }
    void UninitLog() override
    {
        calls.push_back("UninitLog");
        UninitLogger();
    }
    int StartNetwork() override
    {
        calls.push_back("StartNetwork");
        return networkError;
    }
    void StopNetwork() override { calls.push_back("StopNetwork"); }
    int GetProcessorCount() override
    {
        calls.push_back("GetProcessorCount");
        return 6;
    }
    bool GetOSVersion(VXM_OS_VERSION& version) override
    {
        calls.push_back("GetOSVersion");
        version.dwMajorVersion = 6;
        version.dwMinorVersion = 1;
        version.dwBuildNumber = 7;
        version.szCSDVersion = L"6.1.7-test";
        version.szSystemName = L"Linux";
        return true;
    }
    bool StartUI(std::wstring& error) override
    {
        calls.push_back("StartUI");
        if (!uiStarts) error = L"no display";
        return uiStarts;
    }
    void StopUI() override { calls.push_back("StopUI"); }
    void RegisterEngine() override { calls.push_back("RegisterEngine"); }
    void UnregisterEngine() override { calls.push_back("UnregisterEngine"); }
    void SetLocaleFile(const std::wstring& name) override { calls.push_back("SetLocaleFile " + Narrow(name)); }
    void LoadSettings() override { calls.push_back("LoadSettings"); }
    void SetLanguage(const std::wstring& id) override
    {
        calls.push_back("SetLanguage " + Narrow(id));
        language = id;
    }
    std::wstring GetLanguageId() override { return L"de"; }
    void StartStatistics(const char*, const std::wstring&) override { calls.push_back("StartStatistics"); }
    void StartUpdater(const char*, const std::string& loc) override
    {
        calls.push_back("StartUpdater");
        locale = loc;
    }
    void StopUpdater() override { calls.push_back("StopUpdater"); }
    void InitZoom(int w, int h, int rw, int rh) override
    {
        calls.push_back("InitZoom " + std::to_string(w) + "x" + std::to_string(h) + " " + std::to_string(rw) + "x" +
                        std::to_string(rh));
    }
    void SetLogCallbacks() override { calls.push_back("SetLogCallbacks"); }
    CWindowWnd* MakeMainWindow(const std::wstring& file) override
    {
        calls.push_back("MakeMainWindow");
        commandLineFile = file;
        return makesWindow ? &m_window : nullptr;
    }
    HWND ShowMainWindow(CWindowWnd*, const std::wstring& title, int w, int h) override
    {
        calls.push_back("ShowMainWindow " + Narrow(title) + " " + std::to_string(w) + "x" + std::to_string(h));
        return createsWindow ? m_handle.Get() : nullptr;
    }
    int RunMessageLoop() override
    {
        calls.push_back("RunMessageLoop");
        windowDuringLoop = GetMainWindowHandle();
        return 0;
    }

    HWND windowDuringLoop = nullptr;
    HWND Handle() const { return m_handle.Get(); }

private:
    static std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

    std::string m_logPath;
    CDummyWindow m_window;
    CMessageWindow m_handle{[](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; }};
};

class CStartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearRecordedStatsActions();
        CVXMSettings::GetInstance()->UseSendAction = 0;
        CVXMSettings::GetInstance()->LangID = L"fr";
    }
    void TearDown() override { CVXMSettings::GetInstance()->UseSendAction = 0; }

    std::string LogPath() const { return m_dir.File("vxm.log"); }

    vxmtest::CTempDir m_dir;
};

const std::vector<std::string> kStartup = {
    "IgnoreBrokenPipes", "InitLog", "StartNetwork", "GetProcessorCount", "GetOSVersion", "StartUI", "RegisterEngine",
    "SetLocaleFile pro", "LoadSettings", "SetLanguage fr", "StartStatistics", "StartUpdater",
    "InitZoom 1024x655 1920x1080", "SetLogCallbacks", "MakeMainWindow",
    "ShowMainWindow Vexmora Professional 1024x655"};
const std::vector<std::string> kShutdown = {"StopUpdater", "UnregisterEngine", "StopUI", "StopNetwork", "UninitLog"};

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(CStartupTest, ServicesComeUpInOrderAndGoDownInReverseWithTheLogLast)
{
    CRecordingServices services(LogPath());
    EXPECT_EQ(RunProgram(services, L"/films/a.mkv"), 0);
    EXPECT_EQ(services.calls, Join(Join(kStartup, {"RunMessageLoop"}), kShutdown));
    EXPECT_EQ(services.commandLineFile, L"/films/a.mkv");
    EXPECT_EQ(services.locale, "de");
    EXPECT_EQ(services.windowDuringLoop, services.Handle());
    EXPECT_EQ(GetMainWindowHandle(), nullptr);
    EXPECT_EQ(GetNumberOfProcessors(), 6);
    EXPECT_NE(services.givenLogPath.find("/vxm.log"), std::string::npos);

    auto lines = ReadLines(LogPath());
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("INFO main <> - Logger uninitialized."), std::string::npos);
    EXPECT_TRUE(Contains(lines, "INFO main <> - \tMajor Version = 6"));
    EXPECT_TRUE(Contains(lines, "INFO main <> - \tVersion  = 6.1.7-test"));
    EXPECT_TRUE(Contains(lines, "INFO main <> - win_sparkle_init."));
}

TEST_F(CStartupTest, ANetworkFailureExitsWithOneAndLogsOnlyTheFailure)
{
    CRecordingServices services(LogPath());
    services.networkError = 2;
    EXPECT_EQ(RunProgram(services, L""), 1);
    EXPECT_EQ(services.calls, (std::vector<std::string>{"IgnoreBrokenPipes", "InitLog", "StartNetwork", "UninitLog"}));
    auto lines = ReadLines(LogPath());
    EXPECT_TRUE(Contains(lines, "ERROR main <> - curl_global_init failed with error: 0x2"));
    EXPECT_FALSE(Contains(lines, "Major Version"));
    EXPECT_NE(lines.back().find("Logger uninitialized."), std::string::npos);
}

TEST_F(CStartupTest, NoDisplayExitsWithOneAfterUndoingTheNetworkAndClosingTheLog)
{
    CRecordingServices services(LogPath());
    services.uiStarts = false;
    EXPECT_EQ(RunProgram(services, L""), 1);
    EXPECT_EQ(services.calls, (std::vector<std::string>{"IgnoreBrokenPipes", "InitLog", "StartNetwork",
                                                        "GetProcessorCount", "GetOSVersion", "StartUI", "StopNetwork",
                                                        "UninitLog"}));
    auto lines = ReadLines(LogPath());
    EXPECT_TRUE(Contains(lines, "ERROR main <> - The user interface could not start: no display"));
    EXPECT_NE(lines.back().find("Logger uninitialized."), std::string::npos);
}

TEST_F(CStartupTest, AMainWindowThatIsNotMadeTakesEverythingDown)
{
    CRecordingServices services(LogPath());
    services.makesWindow = false;
    EXPECT_EQ(RunProgram(services, L""), 1);
    std::vector<std::string> expected(kStartup.begin(), kStartup.end() - 1);
    EXPECT_EQ(services.calls, Join(expected, kShutdown));
    EXPECT_NE(ReadLines(LogPath()).back().find("Logger uninitialized."), std::string::npos);
}

TEST_F(CStartupTest, AMainWindowThatCannotBeCreatedRunsNoLoop)
{
    CRecordingServices services(LogPath());
    services.createsWindow = false;
    EXPECT_EQ(RunProgram(services, L""), 1);
    EXPECT_EQ(services.calls, Join(kStartup, kShutdown));
    EXPECT_EQ(GetMainWindowHandle(), nullptr);
}

// ---- usage statistics -------------------------------------------------------

TEST_F(CStartupTest, WithStatisticsOffNoActionIsSentNotEvenAtStartUp)
{
    CRecordingServices services(LogPath());
    RunProgram(services, L"");
    SendUsageAction(32, 60);
    EXPECT_TRUE(GetRecordedStatsActions().empty());
}

TEST_F(CStartupTest, WithStatisticsOnTheStartUpActionIsSentOnceTheWindowShows)
{
    CVXMSettings::GetInstance()->UseSendAction = 1;
    CRecordingServices services(LogPath());
    RunProgram(services, L"");
    auto actions = GetRecordedStatsActions();
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].action, 30);
    EXPECT_EQ(actions[0].value, 0);
}

TEST_F(CStartupTest, StatisticsAreOffByDefault)
{
    CVXMSettings fresh;
    EXPECT_EQ(fresh.UseSendAction, 0);
}

// ---- the updater's shut-down request ----------------------------------------------

TEST_F(CStartupTest, TheUpdatersShutdownRequestClosesTheMainWindowFromItsOwnThread)
{
    int closes = 0;
    DWORD handledOn = 0;
    CMessageWindow window([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_CLOSE) {
            ++closes;
            handledOn = GetCurrentThreadId();
        }
        return 0;
    });
    SetMainWindowHandle(window.Get());
    win_sparkle_init();
    win_sparkle_set_can_shutdown_callback([] { return 1; });
    win_sparkle_set_shutdown_request_callback(&OnUpdaterShutdownRequest);
    bool requested = false;
    std::thread updater([&] { requested = win_sparkle_request_shutdown(); });
    updater.join();
    EXPECT_TRUE(requested);
    EXPECT_EQ(closes, 0);  // posted, not run on the updater's thread
    PumpThreadMessages();
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(handledOn, GetCurrentThreadId());
    win_sparkle_cleanup();
    SetMainWindowHandle(nullptr);
}

TEST_F(CStartupTest, AShutdownRequestAfterTheWindowIsGoneDoesNothing)
{
    HWND gone;
    {
        CMessageWindow window([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
        gone = window.Get();
    }
    SetMainWindowHandle(gone);
    std::thread updater([] { OnUpdaterShutdownRequest(); });
    updater.join();
    SetMainWindowHandle(nullptr);
    std::thread late([] { OnUpdaterShutdownRequest(); });
    late.join();
    EXPECT_TRUE(PumpThreadMessages());
}

// ---- the real program ------------------------------------------------------------------

// The program's own services, with the log in a temporary file, the
// catalogue and skin from the source tree, and the window closed by an
// update framework's shut-down request once the loop runs.
class CRealProgram : public IStartupServices {
public:
    explicit CRealProgram(std::string log) : m_log(std::move(log)) {}
    IStartupServices& real = GetProgramStartupServices();
    bool closedByRequest = false;

    void IgnoreBrokenPipes() override { real.IgnoreBrokenPipes(); }
    void InitLog(const char*) override { real.InitLog(m_log.c_str()); }
    void UninitLog() override { real.UninitLog(); }
    int StartNetwork() override { return real.StartNetwork(); }
    void StopNetwork() override { real.StopNetwork(); }
    int GetProcessorCount() override { return real.GetProcessorCount(); }
    bool GetOSVersion(VXM_OS_VERSION& v) override { return real.GetOSVersion(v); }
    bool StartUI(std::wstring& error) override { return real.StartUI(error); }
    void StopUI() override { real.StopUI(); }
    void RegisterEngine() override { real.RegisterEngine(); }
    void UnregisterEngine() override { real.UnregisterEngine(); }
    void SetLocaleFile(const std::wstring& n) override { real.SetLocaleFile(n); }
    void LoadSettings() override { real.LoadSettings(); }
    void SetLanguage(const std::wstring& id) override
    {
        real.SetLanguage(id);
        language = real.GetLanguageId();
    }
    std::wstring language;
    std::wstring GetLanguageId() override { return real.GetLanguageId(); }
    void StartStatistics(const char* u, const std::wstring& s) override { real.StartStatistics(u, s); }
    void StartUpdater(const char* a, const std::string& l) override { real.StartUpdater(a, l); }
    void StopUpdater() override { real.StopUpdater(); }
    void InitZoom(int a, int b, int c, int d) override { real.InitZoom(a, b, c, d); }
    void SetLogCallbacks() override { real.SetLogCallbacks(); }
    CWindowWnd* MakeMainWindow(const std::wstring& f) override { return real.MakeMainWindow(f); }
    HWND ShowMainWindow(CWindowWnd* w, const std::wstring& t, int cx, int cy) override
    {
        CPaintManagerUI::SetResourcePath(std::wstring(VXM_SOURCE_DIR, VXM_SOURCE_DIR + sizeof(VXM_SOURCE_DIR) - 1) +
                                         L"/skin");
        HWND hwnd = real.ShowMainWindow(w, t, cx, cy);
        shownSize = hwnd ? CWindowWnd::FromHandle(hwnd)->GetClientRect() : RECT{};
        return hwnd;
    }
    int RunMessageLoop() override
    {
        if (endBySignal) {
            // The process is asked to end, as a logout or `kill` does.
            std::thread killer([] { ::kill(::getpid(), SIGTERM); });
            int code = real.RunMessageLoop();
            killer.join();
            return code;
        }
        std::thread updater([this] { closedByRequest = win_sparkle_request_shutdown(); });
        int code = real.RunMessageLoop();
        updater.join();
        return code;
    }
    RECT shownSize{};
    bool endBySignal = false;

private:
    std::string m_log;
};

TEST_F(CStartupTest, TheProgramOpensItsWindowAndClosesCleanlyOnRequest)
{
    SetProgramFolderForTesting(std::wstring(VXM_SOURCE_DIR, VXM_SOURCE_DIR + sizeof(VXM_SOURCE_DIR) - 1));
    CRealProgram program(LogPath());
    EXPECT_EQ(RunProgram(program, L""), 0);
    EXPECT_TRUE(program.closedByRequest);
    EXPECT_GT(program.shownSize.right - program.shownSize.left, 0);
    auto lines = ReadLines(LogPath());
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("Logger uninitialized."), std::string::npos);
    EXPECT_FALSE(Contains(lines, "Load profiles from file"));
    EXPECT_FALSE(Contains(lines, "catalogue could not be loaded"));
    EXPECT_FALSE(program.language.empty());
    SetProgramFolderForTesting(L"");
}

TEST_F(CStartupTest, TheProgramEndsOnSIGTERMAsAClosedWindowDoesAndGivesTheSignalBack)
{
    SetProgramFolderForTesting(std::wstring(VXM_SOURCE_DIR, VXM_SOURCE_DIR + sizeof(VXM_SOURCE_DIR) - 1));
    CRealProgram program(LogPath());
    program.endBySignal = true;
    EXPECT_EQ(RunProgram(program, L""), 0);
    auto lines = ReadLines(LogPath());
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(Contains(lines, "Ending on signal 15"));
    EXPECT_NE(lines.back().find("Logger uninitialized."), std::string::npos);
    struct sigaction now {};
    ASSERT_EQ(::sigaction(SIGTERM, nullptr, &now), 0);
    EXPECT_EQ(now.sa_handler, SIG_DFL) << "the process's own handling is back once the program ended";
    SetProgramFolderForTesting(L"");
}

}  // namespace
