// Start-up in order, the UI loop, shut-down in reverse order. Every exit
// path takes down what was started and closes the log last.
#include "AppStartup.h"
#include "Log.h"
#include "VXMSettings.h"
#include "VXMStats.h"
#include "VXMUpdater.h"
#include "platform/messages.h"
#include "platform/signals.h"
#include "platform/text.h"

#include <atomic>
#include <cstdio>

namespace {

constexpr const char* kAppcastUrl = "https://update.kestrane-soft.com/vxmpro/appcast.xml";
constexpr int kDesignWidth = 1024;
constexpr int kDesignHeight = 655;
constexpr int kReferenceWidth = 1920;
constexpr int kReferenceHeight = 1080;
constexpr int kStartupAction = 30;

std::atomic<HWND> g_mainWindow{nullptr};
std::atomic<int> g_processorCount{1};

// The statistics user label; none in this build.
std::string StatisticsUser()
{
    return std::string();
}

void LogVersion(const VXM_OS_VERSION& v)
{
    LogInfo("main", "System Version Information:");
    LogInfo("main", "\tMajor Version = %d", static_cast<int>(v.dwMajorVersion));
    LogInfo("main", "\tMinor Version = %d", static_cast<int>(v.dwMinorVersion));
    LogInfo("main", "\tBuild Number = %d", static_cast<int>(v.dwBuildNumber));
    LogInfo("main", "\tPlatform Id = %d", static_cast<int>(v.dwPlatformId));
    std::string release = WideToUtf8(v.szCSDVersion);
    if (release.size() > 127) release.resize(127);
    LogInfo("main", "\tVersion  = %s", release.c_str());
    if (!v.szSystemName.empty()) LogInfo("main", "\t%s", WideToUtf8(v.szSystemName).c_str());
}

// What has been started, so that any exit takes it down in reverse order.
class CStartedSteps {
public:
    explicit CStartedSteps(IStartupServices& services) : m_services(services) {}
    ~CStartedSteps() { TakeDown(); }

    bool log = false, network = false, ui = false, engine = false, updater = false;

    void TakeDown()
    {
        if (updater) m_services.StopUpdater();
        if (engine) m_services.UnregisterEngine();
        if (ui) m_services.StopUI();
        if (network) m_services.StopNetwork();
        if (log) m_services.UninitLog();
        updater = engine = ui = network = log = false;
    }

private:
    IStartupServices& m_services;
};

}  // namespace

HWND GetMainWindowHandle()
{
    return g_mainWindow.load();
}

void SetMainWindowHandle(HWND hwnd)
{
    g_mainWindow.store(hwnd);
}

int GetNumberOfProcessors()
{
    return g_processorCount.load();
}

void SendUsageAction(int action, int value)
{
    CVXMSettings* settings = CVXMSettings::GetInstance();
    if (settings->UseSendAction == 0) return;
    std::string user = StatisticsUser();
    SendStatsAction(action, user.empty() ? nullptr : user.c_str(), value);
}

void OnUpdaterShutdownRequest()
{
    // A handle, not the window object: a post to a window that is already
    // gone fails harmlessly.
    if (HWND hwnd = g_mainWindow.load()) PostMessage(hwnd, WM_CLOSE, 0, 0);
}

int RunProgram(IStartupServices& services, const std::wstring& commandLineFile)
{
    CStartedSteps started(services);

    services.IgnoreBrokenPipes();
    services.InitLog(WideToUtf8(GetDefaultLogPath()).c_str());
    started.log = true;

    int networkError = services.StartNetwork();
    if (networkError != 0) {
        LogError("main", "curl_global_init failed with error: 0x%x\n", static_cast<unsigned>(networkError));
        return VXM_EXIT_FAILED;
    }
    started.network = true;

    int processors = services.GetProcessorCount();
    g_processorCount.store(processors > 0 ? processors : 1);

    VXM_OS_VERSION version;
    if (services.GetOSVersion(version)) LogVersion(version);

    std::wstring uiError;
    if (!services.StartUI(uiError)) {
        LogErrorW("main", L"The user interface could not start: %s", uiError.c_str());
        std::fprintf(stderr, "%s\n", WideToUtf8(uiError).c_str());
        return VXM_EXIT_FAILED;
    }
    started.ui = true;

    services.RegisterEngine();
    started.engine = true;
    services.SetLocaleFile(L"pro");

    services.LoadSettings();
    CVXMSettings* settings = CVXMSettings::GetInstance();
    services.SetLanguage(settings->LangID);

    std::string user = StatisticsUser();
    services.StartStatistics(user.empty() ? nullptr : user.c_str(), settings->SendActionSerVice);

    LogInfo("main", "win_sparkle_init.");
    services.StartUpdater(kAppcastUrl, WideToUtf8(services.GetLanguageId()));
    started.updater = true;

    services.InitZoom(kDesignWidth, kDesignHeight, kReferenceWidth, kReferenceHeight);
    services.SetLogCallbacks();

    CWindowWnd* window = services.MakeMainWindow(commandLineFile);
    if (!window) {
        LogError("main", "The main window could not be made.");
        return VXM_EXIT_FAILED;
    }
    HWND hwnd = services.ShowMainWindow(window, VXM_PRODUCT_NAME, kDesignWidth, kDesignHeight);
    if (!hwnd) {
        LogError("main", "The main window could not be created.");
        return VXM_EXIT_FAILED;
    }
    SetMainWindowHandle(hwnd);
    SendUsageAction(kStartupAction, 0);

    // A request to end the process closes the window the way the user does.
    CTerminationWatch termination;
    if (!termination.Start([](int signal) {
            if (HWND main = g_mainWindow.load()) PostMessage(main, WM_VXM_TERMINATE, static_cast<WPARAM>(signal), 0);
        }))
        LogError("main", "The end-of-process signals could not be watched.");

    services.RunMessageLoop();
    termination.Stop();

    // The main window has ended itself; nothing may reach it any more.
    SetMainWindowHandle(nullptr);
    started.TakeDown();
    return VXM_EXIT_OK;
}
