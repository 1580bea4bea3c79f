// The program's start-up and shut-down: the process-wide services come up in
// a fixed order, the main window runs the UI loop, and the services go down in
// reverse order. Every step goes through IStartupServices so that tests can
// watch the order and make steps fail.
#pragma once
#include "VXMGlobal.h"
#include "platform/types.h"

#include <string>

class CWindowWnd;

constexpr int VXM_EXIT_OK = 0;
constexpr int VXM_EXIT_FAILED = 1;

class IStartupServices {
public:
    virtual ~IStartupServices() = default;

    virtual void IgnoreBrokenPipes() = 0;
    virtual void InitLog(const char* path) = 0;
    virtual void UninitLog() = 0;
    // 0 when the network library is up, else its error code.
    virtual int StartNetwork() = 0;
    virtual void StopNetwork() = 0;
    virtual int GetProcessorCount() = 0;
    virtual bool GetOSVersion(VXM_OS_VERSION& version) = 0;
    // The UI toolkit and the framework's instance. False (with a reason) when
    // there is no display to show windows on.
    virtual bool StartUI(std::wstring& error) = 0;
    virtual void StopUI() = 0;
    virtual void RegisterEngine() = 0;
    virtual void UnregisterEngine() = 0;
    virtual void SetLocaleFile(const std::wstring& name) = 0;
    virtual void LoadSettings() = 0;
    virtual void SetLanguage(const std::wstring& languageId) = 0;
    virtual std::wstring GetLanguageId() = 0;
    virtual void StartStatistics(const char* user, const std::wstring& service) = 0;
    virtual void StartUpdater(const char* appcast, const std::string& locale) = 0;
    virtual void StopUpdater() = 0;
    virtual void InitZoom(int designW, int designH, int refW, int refH) = 0;
    virtual void SetLogCallbacks() = 0;
    // The main window object (not yet created), or null.
    virtual CWindowWnd* MakeMainWindow(const std::wstring& commandLineFile) = 0;
    // Creates and shows it; its handle, or null when it could not be created
    // (the window object is gone then).
    virtual HWND ShowMainWindow(CWindowWnd* window, const std::wstring& title, int width, int height) = 0;
    // Runs the UI loop until the main window has quit it.
    virtual int RunMessageLoop() = 0;
};

// The real services of this program.
IStartupServices& GetProgramStartupServices();

// Runs the whole program; returns the process exit code.
int RunProgram(IStartupServices& services, const std::wstring& commandLineFile);

// Sends one usage-statistics action when the user allowed it (UseSendAction).
void SendUsageAction(int action, int value);
// The update framework's shut-down request (any thread): asks the main window to close.
void OnUpdaterShutdownRequest();

// Posted to the main window when the process is asked to end (SIGTERM,
// SIGINT; wParam the signal): it ends as a closed window does, without asking.
constexpr UINT WM_VXM_TERMINATE = 5128;

// The main window's handle while the UI loop runs, else null.
HWND GetMainWindowHandle();
void SetMainWindowHandle(HWND hwnd);
// Processor count found at start-up (1 before).
int GetNumberOfProcessors();
