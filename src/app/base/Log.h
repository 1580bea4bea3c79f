// The program's log "vxm.log" on log4cpp, and the line layout it uses.
//
// Every function may be called from any thread. Nothing here reports a
// failure: a log that cannot be opened drops its lines.
#pragma once
#include <log4cpp/Layout.hh>
#include <string>

namespace log4cpp {
// "<time> [<thread>] <PRIORITY> <category> <<ndc>> - <message>\n"
class TTCLayout : public Layout {
public:
    ~TTCLayout() override = default;
    std::string format(const LoggingEvent& event) override;
};
}  // namespace log4cpp

// Opens the log on `path` (UTF-8). A file over 1 MiB is deleted first. A null
// or empty path falls back to GetDefaultLogPath(); a file that cannot be
// opened leaves the logger without a destination (lines are dropped).
// Calling it again closes the previous log first. Also sets the process
// locale (SetProgramLocale) so the line times look the same everywhere.
void InitLogger(const char* path);
// "Logger uninitialized.", then every appender is closed.
void UninitLogger();
// <per-user data folder>/vxm.log
std::wstring GetDefaultLogPath();

// Category null = "main". Narrow text is cut at 1024 bytes, wide text at
// 1023 characters; the formatted text is written as is (never a format again).
// LogInfo and LogInfoW have the shapes of the engine's log callbacks.
void LogInfo(const char* category, const char* format, ...) __attribute__((format(printf, 2, 3)));
void LogError(const char* category, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Wide formats follow the Windows runtime's conventions (see FormatW in platform/text.h).
void LogInfoW(const char* category, const wchar_t* format, ...);
void LogErrorW(const char* category, const wchar_t* format, ...);

// The engine's callback types (VXMMediaSetLogFunc takes LogInfo and LogInfoW).
using VXMLogFuncA = void (*)(const char* category, const char* format, ...);
using VXMLogFuncW = void (*)(const char* category, const wchar_t* format, ...);
