// Desktop services through their command-line programs.
#include "platform/desktop.h"
#include "platform/events.h"
#include "platform/process.h"
#include "platform/text.h"

#include <memory>
#include <mutex>

namespace {

std::mutex g_mutex;
std::vector<std::wstring> g_fileManager = {L"xdg-open"};
std::vector<std::wstring> g_fileSelector = {L"dbus-send",
                                            L"--session",
                                            L"--print-reply",
                                            L"--reply-timeout=1500",
                                            L"--dest=org.freedesktop.FileManager1",
                                            L"--type=method_call",
                                            L"/org/freedesktop/FileManager1",
                                            L"org.freedesktop.FileManager1.ShowItems"};
std::vector<std::wstring> g_powerOff = {L"systemctl", L"--no-ask-password", L"poweroff"};
std::vector<std::wstring> g_inhibit = {L"systemd-inhibit", L"--what=idle", L"--who=Vexmora Professional",
                                       L"--why=Playing a video", L"--mode=block", L"cat"};
int g_holds = 0;
std::unique_ptr<CChildProcess> g_inhibitor;

DWORD g_powerOffWaitMs = 30000;
constexpr DWORD kFileSelectorWaitMs = 2000;
constexpr DWORD kInhibitorStopMs = 2000;

std::wstring Widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

}  // namespace

bool OpenFolderInFileManager(const std::wstring& folder)
{
    std::vector<std::wstring> args;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        args = g_fileManager;
    }
    args.push_back(folder);
    return StartDetachedProcess(args);
}

std::wstring FileUriOfPath(const std::wstring& path)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::wstring uri = L"file://";
    for (unsigned char c : WideToUtf8(path)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '.' || c == '_' || c == '~' || c == '/';
        if (plain) {
            uri += static_cast<wchar_t>(c);
        } else {
            uri += L'%';
            uri += static_cast<wchar_t>(kHex[c >> 4]);
            uri += static_cast<wchar_t>(kHex[c & 15]);
        }
    }
    return uri;
}

bool ShowFileInFileManager(const std::wstring& file)
{
    std::vector<std::wstring> args;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        args = g_fileSelector;
    }
    args.push_back(L"array:string:" + FileUriOfPath(file));
    args.push_back(L"string:");
    CChildOptions options;
    options.stdoutMode = EChildStream::Null;
    options.stderrMode = EChildStream::Null;
    CChildProcess child;
    int code = -1;
    if (child.Start(args, options) && child.Wait(kFileSelectorWaitMs, &code) && code == 0) return true;
    const size_t slash = file.find_last_of(L'/');
    const std::wstring folder = slash == std::wstring::npos ? L"." : slash == 0 ? L"/" : file.substr(0, slash);
    return OpenFolderInFileManager(folder);
}

bool RequestPowerOff(std::wstring& error)
{
    std::vector<std::wstring> args;
    DWORD limit;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        args = g_powerOff;
        limit = g_powerOffWaitMs;
    }
    CChildOptions options;
    options.stdoutMode = EChildStream::Null;
    options.stderrMode = EChildStream::Pipe;
    CChildProcess child;
    if (!child.Start(args, options)) {
        error = Widen(child.LastError());
        return false;
    }
    // The answer is read within the time limit: a request that hangs must not
    // hold the caller for ever.
    std::string message;
    DWORD start = GetTickCount();
    char buffer[512];
    for (;;) {
        DWORD spent = GetTickCount() - start;
        if (spent >= limit) break;
        long n = child.ReadStderr(buffer, sizeof(buffer), limit - spent);
        if (n <= 0) break;
        if (message.size() < 4096) message.append(buffer, static_cast<size_t>(n));
    }
    DWORD spent = GetTickCount() - start;
    int code = -1;
    if (!child.Wait(spent >= limit ? 0 : limit - spent, &code)) {
        error = L"the power-off request did not answer";
        return false;
    }
    if (code != 0) {
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
        error = message.empty() ? L"the power-off request was refused (exit code " + std::to_wstring(code) + L")"
                                : Widen(message);
        return false;
    }
    return true;
}

void AcquireIdleInhibit()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_holds++ > 0) return;
    CChildOptions options;
    options.stdinMode = EChildStream::Pipe;
    options.stdoutMode = EChildStream::Null;
    options.stderrMode = EChildStream::Null;
    auto child = std::make_unique<CChildProcess>();
    // A desktop without an inhibitor service simply keeps its idle behaviour.
    if (child->Start(g_inhibit, options)) g_inhibitor = std::move(child);
}

void ReleaseIdleInhibit()
{
    std::unique_ptr<CChildProcess> child;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_holds == 0) return;
        if (--g_holds > 0) return;
        child = std::move(g_inhibitor);
    }
    if (!child) return;
    child->CloseStdin();  // the inhibitor ends with its input
    if (!child->Wait(kInhibitorStopMs)) child->Terminate();
    child->Wait(kInhibitorStopMs);
}

int GetIdleInhibitHolds()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_holds;
}

bool IsIdleInhibitorRunning()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_inhibitor && g_inhibitor->IsRunning();
}

void SetDesktopCommandForTesting(EDesktopCommand which, const std::vector<std::wstring>& args)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    switch (which) {
    case EDesktopCommand::FileManager: g_fileManager = args; break;
    case EDesktopCommand::FileSelector: g_fileSelector = args; break;
    case EDesktopCommand::PowerOff: g_powerOff = args; break;
    case EDesktopCommand::IdleInhibit: g_inhibit = args; break;
    }
}

void SetPowerOffWaitForTesting(DWORD ms)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_powerOffWaitMs = ms;
}
