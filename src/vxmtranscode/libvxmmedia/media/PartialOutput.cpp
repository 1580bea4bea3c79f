#include "PartialOutput.h"

#include "EngineLog.h"
#include "SplitCommandLine.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "platform/text.h"
#include "platform/paths.h"

#include <atomic>
#include <filesystem>
#include <fstream>

namespace {

constexpr const char* kLogCategory = "PartialOutput";
constexpr const wchar_t* kPrefix = L".vxmpart-";
// The longest file name the file systems we write to take (bytes).
constexpr std::size_t kMaxNameBytes = 255;

namespace fs = std::filesystem;

fs::path JournalFolder()
{
    return PathFromWide(GetUserDataFolder()) / "PartialOutputs";
}

// "<process>-<n>" of a temporary's name; empty for any other name.
std::string JournalKey(const std::wstring& partial)
{
    const std::string name = PathFromWide(partial).filename().string();
    const std::string prefix = WideToUtf8(kPrefix);
    if (name.rfind(prefix, 0) != 0)
        return {};
    const std::size_t first = name.find('-', prefix.size());
    const std::size_t second = first == std::string::npos ? first : name.find('-', first + 1);
    if (second == std::string::npos)
        return {};
    return name.substr(prefix.size(), second - prefix.size());
}

void RemoveJournalEntry(const std::wstring& partial)
{
    const std::string key = JournalKey(partial);
    if (key.empty())
        return;
    std::error_code ec;
    fs::remove(JournalFolder() / key, ec);
}

bool RemoveFile(const fs::path& path)
{
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(path, ec)))
        return false;
    if (fs::remove(path, ec))
        return true;
    LogMessageA(kLogCategory, "cannot delete \"%s\": %s", path.string().c_str(), ec.message().c_str());
    return false;
}

// Replaces the quoted argument `from` (as a path or a "file:" name) by `to`.
void ReplaceQuoted(std::wstring& line, const std::wstring& from, const std::wstring& to)
{
    for (const wchar_t* scheme : {L"", L"file:"}) {
        const std::wstring quotedFrom = QuoteArgument(scheme + from);
        const std::wstring quotedTo = QuoteArgument(scheme + to);
        for (std::size_t at = line.find(quotedFrom); at != std::wstring::npos;
             at = line.find(quotedFrom, at + quotedTo.size()))
            line.replace(at, quotedFrom.size(), quotedTo);
    }
}

}  // namespace

std::wstring MakePartialOutputPath(const std::wstring& output)
{
    static std::atomic<unsigned> counter{0};
    const fs::path path = PathFromWide(output);
    const std::string head = WideToUtf8(kPrefix) + std::to_string(GetCurrentProcessNumber()) + "-" +
                             std::to_string(++counter) + "-";
    std::string name = path.filename().string();
    if (head.size() + name.size() > kMaxNameBytes) {
        // Too long with the prefix: the extension alone keeps the format.
        const std::string ext = path.extension().string();
        name = ext.size() + head.size() < kMaxNameBytes ? "part" + ext : "part";
    }
    return WideFromPath((path.parent_path() / (head + name)));
}

std::wstring UsePartialOutput(VXM_JOB_QUEUE& queue, const std::wstring& output)
{
    if (output.empty())
        return {};
    bool written = false;
    for (const auto& step : queue)
        written = written || (step && step->strOutput == output);
    if (!written)
        return {};
    const std::wstring partial = MakePartialOutputPath(output);
    std::error_code ec;
    fs::create_directories(JournalFolder(), ec);
    {
        std::ofstream entry(JournalFolder() / JournalKey(partial), std::ios::binary | std::ios::trunc);
        entry << WideToUtf8(partial);
        if (!entry)
            LogMessageA(kLogCategory, "cannot record \"%s\" in the journal", WideToUtf8(partial).c_str());
    }
    for (const auto& step : queue) {
        if (!step)
            continue;
        if (step->strOutput == output)
            step->strOutput = partial;
        if (step->strInput == output)
            step->strInput = partial;
        ReplaceQuoted(step->strCmdLine, output, partial);
    }
    return partial;
}

bool FinishPartialOutput(const std::wstring& partial, const std::wstring& output)
{
    std::error_code ec;
    bool ok = true;
    if (fs::exists(PathFromWide(partial), ec)) {
        fs::rename(PathFromWide(partial), PathFromWide(output), ec);
        if (ec) {
            LogMessageA(kLogCategory, "cannot rename \"%s\" to \"%s\": %s", WideToUtf8(partial).c_str(),
                        WideToUtf8(output).c_str(), ec.message().c_str());
            RemoveFile(PathFromWide(partial));
            ok = false;
        }
    } else if (!fs::exists(PathFromWide(output), ec)) {
        LogMessageA(kLogCategory, "the output \"%s\" was not written", WideToUtf8(output).c_str());
        ok = false;
    }
    RemoveJournalEntry(partial);
    return ok;
}

void DropPartialOutput(const std::wstring& partial)
{
    RemoveFile(PathFromWide(partial));
    RemoveJournalEntry(partial);
}

int CleanStalePartialOutputs()
{
    std::error_code ec;
    const fs::path folder = JournalFolder();
    if (!fs::is_directory(folder, ec))
        return 0;
    int removed = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        const std::string key = entry.path().filename().string();
        const int pid = std::atoi(key.c_str());
        if (pid <= 0 || pid == GetCurrentProcessNumber() || IsProcessRunning(pid))
            continue;
        std::string partial;
        {
            std::ifstream in(entry.path(), std::ios::binary);
            std::getline(in, partial, '\0');
        }
        // Only a temporary of ours is ever removed.
        if (!partial.empty() && JournalKey(Utf8ToWide(partial)) == key && RemoveFile(partial)) {
            LogMessageA(kLogCategory, "removed the partial output \"%s\" of an ended run", partial.c_str());
            ++removed;
        }
        fs::remove(entry.path(), ec);
    }
    return removed;
}

std::wstring NameOutputIn(std::wstring message, const std::wstring& partial, const std::wstring& output)
{
    if (partial.empty())
        return message;
    for (std::size_t at = message.find(partial); at != std::wstring::npos; at = message.find(partial, at + output.size()))
        message.replace(at, partial.size(), output);
    return message;
}
