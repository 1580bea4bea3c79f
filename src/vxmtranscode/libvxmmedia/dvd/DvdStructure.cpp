#include "DvdStructure.h"

#include <map>
#include <mutex>
#include <vector>

#include "DvdAnswer.h"
#include "EngineLog.h"
#include "VXMUtils.h"
#include "platform/module.h"
#include "platform/process.h"
#include "platform/text.h"

namespace {

constexpr const char* kLogCategory = "DvdStructure";
constexpr const wchar_t* kReaderName = L"vxmdvdinfo";
// A drive may need to spin up and seek through a scratched disc.
constexpr std::chrono::milliseconds kReadLimit{60000};
constexpr DWORD kPollMs = 50;
constexpr size_t kKeptErrorBytes = 2048;

std::mutex g_lock;
std::map<std::string, std::shared_ptr<const dvd_info>> g_known;
std::wstring g_testProgram;
std::chrono::milliseconds g_testLimit{0};

const char g_here = 0;

// The tool beside the engine ("gnu" folder of the engine's own file), else
// where the other tools are found.
std::wstring ReaderProgram()
{
    {
        std::lock_guard<std::mutex> lock(g_lock);
        if (!g_testProgram.empty())
            return g_testProgram;
    }
    const std::wstring folder = GetModuleFolder(&g_here);
    if (!folder.empty()) {
        const std::wstring beside = FindProgramInPath(folder + L"/gnu/" + kReaderName);
        if (!beside.empty())
            return beside;
    }
    return FindToolPath(kReaderName);
}

std::chrono::milliseconds ReadLimit()
{
    std::lock_guard<std::mutex> lock(g_lock);
    return g_testLimit.count() > 0 ? g_testLimit : kReadLimit;
}

// What the child left: its standard output and the end of its standard error.
struct CChildAnswer {
    std::string output;
    std::string errors;
    std::string failure;  // empty when the child answered in time and exited with 0
    bool stopped = false;
};

void KeepErrors(std::string& errors, const char* data, long size)
{
    errors.append(data, static_cast<size_t>(size));
    if (errors.size() > kKeptErrorBytes)
        errors.erase(0, errors.size() - kKeptErrorBytes);
}

CChildAnswer RunReader(const std::string& path, const std::atomic<bool>* stop)
{
    CChildAnswer answer;
    CChildProcess child;
    if (!child.Start({ReaderProgram(), Utf8ToWide(path)})) {
        answer.failure = "cannot start the DVD reader: " + child.LastError();
        return answer;
    }
    const auto deadline = std::chrono::steady_clock::now() + ReadLimit();
    char buffer[16384];
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen) {
        if (stop && stop->load()) {
            answer.stopped = true;
            answer.failure = "stopped";
            return answer;  // the object kills and reaps the child
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            answer.failure = "no answer within " + std::to_string(ReadLimit().count() / 1000) + " s";
            return answer;
        }
        if (outOpen) {
            const long n = child.ReadStdout(buffer, sizeof buffer, kPollMs);
            if (n > 0)
                answer.output.append(buffer, static_cast<size_t>(n));
            else if (n != CHILD_READ_TIMEOUT)
                outOpen = false;
            if (answer.output.size() > kDvdAnswerMaxBytes) {
                answer.failure = "an answer beyond " + std::to_string(kDvdAnswerMaxBytes) + " bytes";
                return answer;
            }
        }
        if (errOpen) {
            const long n = child.ReadStderr(buffer, sizeof buffer, outOpen ? 0 : kPollMs);
            if (n > 0)
                KeepErrors(answer.errors, buffer, n);
            else if (n != CHILD_READ_TIMEOUT)
                errOpen = false;
        }
    }
    int exitCode = -1;
    while (!child.Wait(kPollMs, &exitCode)) {
        if ((stop && stop->load()) || std::chrono::steady_clock::now() >= deadline) {
            answer.failure = "the DVD reader did not end";
            return answer;
        }
    }
    if (child.GetTermSignal() != 0)
        answer.failure = "the DVD reader crashed (signal " + std::to_string(child.GetTermSignal()) + ")";
    else if (exitCode != 0)
        answer.failure = "no readable DVD (exit code " + std::to_string(exitCode) + ")";
    return answer;
}

void Remember(const std::string& path, std::shared_ptr<const dvd_info> info)
{
    std::lock_guard<std::mutex> lock(g_lock);
    if (info)
        g_known[path] = std::move(info);
    else
        g_known.erase(path);
}

}  // namespace

int ReadDvdStructure(const std::string& path, dvd_info& info, const std::atomic<bool>* stop)
{
    info = dvd_info();
    if (path.empty())
        return -1;
    CChildAnswer answer = RunReader(path, stop);
    if (answer.stopped) {
        LogMessageA(kLogCategory, "the read of \"%s\" was stopped", path.c_str());
        return -1;
    }
    std::string failure = answer.failure;
    dvd_info read;
    std::string error;
    if (failure.empty() && !ReadDvdAnswer(answer.output, read, &error))
        failure = "a malformed answer (" + error + ")";
    if (failure.empty() && read.titles.empty())
        failure = "no title";
    if (!failure.empty()) {
        while (!answer.errors.empty() && answer.errors.back() == '\n')
            answer.errors.pop_back();
        LogMessageA(kLogCategory, "\"%s\" cannot be read: %s%s%s", path.c_str(), failure.c_str(),
                    answer.errors.empty() ? "" : "; the reader said: ", answer.errors.c_str());
        Remember(path, nullptr);
        return -1;
    }
    auto known = std::make_shared<const dvd_info>(read);
    Remember(path, known);
    info = std::move(read);
    return 0;
}

std::shared_ptr<const dvd_info> KnownDvdStructure(const std::string& path)
{
    {
        std::lock_guard<std::mutex> lock(g_lock);
        auto it = g_known.find(path);
        if (it != g_known.end())
            return it->second;
    }
    dvd_info info;
    if (ReadDvdStructure(path, info) != 0)
        return nullptr;
    return std::make_shared<const dvd_info>(std::move(info));
}

void SetDvdReaderForTesting(const std::wstring& program, std::chrono::milliseconds limit)
{
    std::lock_guard<std::mutex> lock(g_lock);
    g_testProgram = program;
    g_testLimit = limit;
}

int parse_dvd(dvd_info& info, const char* path, int)
{
    return ReadDvdStructure(path ? path : "", info);
}
