// The program's start-up services on this system: SIGPIPE ignored (a closed
// pipe is an error result), libcurl's global state for the network, the Qt
// application for every UI service, the framework's loop.
#include "AppStartup.h"
#include "Log.h"
#include "MainFrameFactory.h"
#include "MediaHandler.h"
#include "MediaStopper.h"
#include "TagWriter.h"
#include "VXMDownloader.h"
#include "VXMMediaExports.h"
#include "VXMSettings.h"
#include "VXMStats.h"
#include "VXMUpdater.h"
#include "platform/environment.h"
#include "platform/signals.h"
#include "platform/system.h"
#include "ui/UILib.h"

#include <curl/curl.h>

#include <QMessageBox>
#include <QWidget>

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

namespace {

int CanShutdown()
{
    return 1;
}

// True when an X11 display of this machine is named and its socket exists,
// or the display is on another host (Qt finds out then).
bool XDisplayReachable(const std::string& display)
{
    if (display.empty()) return false;
    if (display[0] != ':') return true;
    std::string number = display.substr(1, display.find('.') - 1);
    std::error_code ec;
    return std::filesystem::exists("/tmp/.X11-unix/X" + number, ec);
}

// Qt ends the process when its platform cannot start; find out first.
bool CanShowWindows(std::wstring& error)
{
    std::string name = GetEnvironmentValue("QT_QPA_PLATFORM").value_or("");
    bool onScreen = name.empty() || name.rfind("xcb", 0) == 0 || name.rfind("wayland", 0) == 0;
    if (!onScreen) return true;  // offscreen, vnc and the like need no display
    if (IsEnvironmentSet("WAYLAND_DISPLAY") && name.rfind("xcb", 0) != 0) return true;
    std::optional<std::string> display = GetEnvironmentValue("DISPLAY");
    if (display && XDisplayReachable(*display)) return true;
    error = display && !display->empty()
                ? L"Vexmora Professional cannot reach the display \"" + std::wstring(display->begin(), display->end()) +
                      L"\". Start it on a desktop, or under a virtual display: xvfb-run -a VXMPro"
                : L"Vexmora Professional needs a graphical display and none was found (DISPLAY and WAYLAND_DISPLAY are not "
                  L"set). Start it on a desktop, or under a virtual display: xvfb-run -a VXMPro";
    return false;
}

void ShowErrorBox(HWND owner, const std::wstring& text, const std::wstring& caption)
{
    CWindowWnd* window = CWindowWnd::FromHandle(owner);
    QWidget* parent = window ? window->GetWidget() : nullptr;
    QMessageBox::critical(parent, QString::fromStdWString(caption), QString::fromStdWString(text));
}

class CProgramStartupServices : public IStartupServices {
public:
    void IgnoreBrokenPipes() override { IgnoreBrokenPipeSignal(); }
    void InitLog(const char* path) override { InitLogger(path); }
    void UninitLog() override { UninitLogger(); }
    int StartNetwork() override { return static_cast<int>(curl_global_init(CURL_GLOBAL_DEFAULT)); }
    void StopNetwork() override { curl_global_cleanup(); }
    int GetProcessorCount() override { return static_cast<int>(std::thread::hardware_concurrency()); }
    bool GetOSVersion(VXM_OS_VERSION& version) override
    {
        version = GetOSVersionInfo();
        return version.dwMajorVersion != 0 || !version.szCSDVersion.empty();
    }
    bool StartUI(std::wstring& error) override
    {
        if (!CanShowWindows(error)) return false;
        CPaintManagerUI::SetInstance(nullptr);
        SetProgramErrorBox(&ShowErrorBox);
        CGlobalUIHooks hooks;
        hooks.languageId = [] { return CLanguageManager::GetInstance()->GetLangID(); };
        hooks.translate = [](const std::wstring& key) { return CLanguageManager::GetInstance()->TranslateDictionary(key); };
        hooks.errorBox = [](const std::wstring& text, const std::wstring& caption) { ShowErrorBox(nullptr, text, caption); };
        SetGlobalUIHooks(std::move(hooks));
        return true;
    }
    void StopUI() override
    {
        SetGlobalUIHooks(CGlobalUIHooks());
        SetProgramErrorBox(nullptr);
        ShutdownUIApplication();
    }
    void RegisterEngine() override { RegisterMediaLibrary(); }
    void UnregisterEngine() override
    {
        // A tag write still running ends whole before the program goes.
        StopTagWriter();
        // Media still being stopped or released go before the engine does.
        StopMediaStopper();
        UnRegisterMediaLibrary();
    }
    void SetLocaleFile(const std::wstring& name) override { CLanguageManager::GetInstance()->SetLocaleFile(name); }
    void LoadSettings() override { CVXMSettings::GetInstance()->Load(); }
    void SetLanguage(const std::wstring& languageId) override { CLanguageManager::GetInstance()->SetLang(languageId); }
    std::wstring GetLanguageId() override { return CLanguageManager::GetInstance()->GetLangID(); }
    void StartStatistics(const char* user, const std::wstring& service) override
    {
        SetDefaultUser(user);
        SetSendActionService(service.c_str());
    }
    void StartUpdater(const char* appcast, const std::string& locale) override
    {
        win_sparkle_set_appcast_url(appcast);
        win_sparkle_init();
        win_sparkle_set_can_shutdown_callback(&CanShutdown);
        win_sparkle_set_shutdown_request_callback(&OnUpdaterShutdownRequest);
        win_sparkle_set_locale(locale.c_str());
    }
    void StopUpdater() override { win_sparkle_cleanup(); }
    void InitZoom(int designW, int designH, int refW, int refH) override
    {
        DuiInitParamsForZoom(designW, designH, refW, refH);
    }
    void SetLogCallbacks() override
    {
        VXMDownloaderSetLogFunc(&LogInfo, &LogInfoW);
        VXMMediaSetLogFunc(&LogInfo, &LogInfoW);
    }
    CWindowWnd* MakeMainWindow(const std::wstring& commandLineFile) override
    {
        return CreateMainFrameWnd(commandLineFile);
    }
    HWND ShowMainWindow(CWindowWnd* window, const std::wstring& title, int width, int height) override
    {
        HWND hwnd = window->Create(nullptr, title, WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, width, height);
        if (hwnd) window->ShowWindow(true);
        return hwnd;
    }
    int RunMessageLoop() override
    {
        CPaintManagerUI::MessageLoop();
        return 0;
    }
};

}  // namespace

IStartupServices& GetProgramStartupServices()
{
    static CProgramStartupServices services;
    return services;
}
