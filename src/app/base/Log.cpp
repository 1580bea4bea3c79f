// The program's log on log4cpp: one file appender on the root category.
#include "Log.h"
#include "VXMGlobal.h"
#include "platform/folders.h"
#include "platform/text.h"

#include <log4cpp/Category.hh>
#include <log4cpp/FileAppender.hh>
#include <log4cpp/LoggingEvent.hh>
#include <log4cpp/Priority.hh>

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <system_error>

namespace {

constexpr std::uintmax_t kMaxLogSize = 0x100000;
constexpr size_t kMaxNarrowChars = 1024;
constexpr size_t kMaxWideChars = 1023;

// One lock around every write: lines of many threads never interleave, and
// init and shut-down never race a writer.
std::mutex& LogMutex()
{
    static std::mutex mutex;
    return mutex;
}

void WriteLine(const char* category, log4cpp::Priority::Value priority, const std::string& text)
{
    std::string name = category ? category : "main";
    std::lock_guard<std::mutex> lock(LogMutex());
    log4cpp::Category::getInstance(name).log(priority, text);
}

// A file we can append to; the check keeps log4cpp away from paths it cannot open.
bool CanAppend(const std::filesystem::path& path)
{
    std::ofstream probe(path, std::ios::app | std::ios::binary);
    return probe.is_open();
}

void LogNarrow(const char* category, log4cpp::Priority::Value priority, const char* format, va_list args)
{
    if (!format) return;
    char buffer[kMaxNarrowChars + 1];
    int n = std::vsnprintf(buffer, sizeof(buffer), format, args);
    if (n < 0) buffer[0] = '\0';
    WriteLine(category, priority, buffer);
}

void LogWide(const char* category, log4cpp::Priority::Value priority, const wchar_t* format, va_list args)
{
    if (!format) return;
    std::wstring text = FormatWV(format, args);
    if (text.size() > kMaxWideChars) text.resize(kMaxWideChars);
    WriteLine(category, priority, WideToUtf8(text));
}

}  // namespace

std::string log4cpp::TTCLayout::format(const LoggingEvent& event)
{
    std::time_t seconds = event.timeStamp.getSeconds();
    std::tm local{};
    char when[128] = "";
    if (localtime_r(&seconds, &local)) std::strftime(when, sizeof(when), "%m-%d-%y %H:%M:%S, %p", &local);

    std::string line;
    line.reserve(64 + event.categoryName.size() + event.message.size());
    line += when;
    line += " [";
    line += event.threadName;
    line += "] ";
    line += Priority::getPriorityName(event.priority);
    line += ' ';
    line += event.categoryName;
    line += " <";
    line += event.ndc;
    line += "> - ";
    line += event.message;
    line += '\n';
    return line;
}

std::wstring GetDefaultLogPath()
{
    return JoinPath(GetAppDataFolder(), L"vxm.log");
}

void InitLogger(const char* path)
{
    SetProgramLocale();
    std::string file = (path && *path) ? std::string(path) : WideToUtf8(GetDefaultLogPath());

    bool truncated = false;
    {
        std::lock_guard<std::mutex> lock(LogMutex());
        log4cpp::Category& root = log4cpp::Category::getRoot();
        root.removeAllAppenders();

        std::error_code ec;
        std::filesystem::path logPath(file);
        std::uintmax_t size = std::filesystem::file_size(logPath, ec);
        if (!ec && size > kMaxLogSize) truncated = std::filesystem::remove(logPath, ec) && !ec;

        // The log names the user's files: the user's alone.
        if (!file.empty() && CanAppend(logPath) && MakePrivateFile(Utf8ToWide(file))) {
            auto* appender = new log4cpp::FileAppender("default", file, true, 0600);
            appender->setLayout(new log4cpp::TTCLayout());
            root.addAppender(appender);  // the category owns it
        }
        root.setPriority(log4cpp::Priority::INFO);
    }

    LogInfo("main", "%s", std::string(75, '-').c_str());
    LogInfo("main", "Logger initialized.");
    if (truncated) LogInfo("main", "Log file size exceeds 1M limit, truncated.");
}

void UninitLogger()
{
    LogInfo("main", "Logger uninitialized.");
    std::lock_guard<std::mutex> lock(LogMutex());
    log4cpp::Category::getRoot().removeAllAppenders();
    log4cpp::Category::shutdown();
}

void LogInfo(const char* category, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    LogNarrow(category, log4cpp::Priority::INFO, format, args);
    va_end(args);
}

void LogError(const char* category, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    LogNarrow(category, log4cpp::Priority::ERROR, format, args);
    va_end(args);
}

void LogInfoW(const char* category, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    LogWide(category, log4cpp::Priority::INFO, format, args);
    va_end(args);
}

void LogErrorW(const char* category, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    LogWide(category, log4cpp::Priority::ERROR, format, args);
    va_end(args);
}
