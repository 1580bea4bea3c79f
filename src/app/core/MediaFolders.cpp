#include "MediaFolders.h"

#include "Log.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "platform/paths.h"
#include "platform/thread.h"

#include <cctype>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <list>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace {

// What one probe found; shared by the probe thread and the caller.
struct CProbeState {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool listable = false;
};

// Probe threads that outlived their wait. Each ends on its own (the listing
// returns or fails); ended ones are joined at the next probe, the rest when
// the program ends.
class CProbeThreads {
public:
    ~CProbeThreads()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto& probe : m_pending)
            if (probe.thread.joinable()) probe.thread.join();
    }
    void Keep(std::thread thread, std::shared_ptr<CProbeState> state)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending.push_back(CPending{std::move(thread), std::move(state)});
    }
    void JoinEnded()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto it = m_pending.begin(); it != m_pending.end();) {
            bool ended;
            {
                std::lock_guard<std::mutex> stateLock(it->state->mutex);
                ended = it->state->finished;
            }
            if (!ended) {
                ++it;
                continue;
            }
            it->thread.join();
            it = m_pending.erase(it);
        }
    }
    int Count()
    {
        JoinEnded();
        std::lock_guard<std::mutex> lock(m_mutex);
        return static_cast<int>(m_pending.size());
    }

private:
    struct CPending {
        std::thread thread;
        std::shared_ptr<CProbeState> state;
    };
    std::mutex m_mutex;
    std::list<CPending> m_pending;
};

CProbeThreads& ProbeThreads()
{
    static CProbeThreads threads;
    return threads;
}

std::wstring VideosFolder()
{
    std::wstring videos = GetUserVideosFolder();
    if (videos.empty()) return std::wstring();
    std::error_code ec;
    fs::create_directories(PathFromWide(videos), ec);
    return fs::is_directory(PathFromWide(videos), ec) ? videos : std::wstring();
}

std::wstring Normalised(std::wstring path)
{
    for (auto& c : path)
        if (c == L'\\') c = L'/';
    while (path.size() > 1 && path.back() == L'/') path.pop_back();
    return path;
}

// `inner` is `outer` or lies inside it.
bool Within(const std::wstring& inner, const std::wstring& outer)
{
    if (inner.size() < outer.size() || inner.compare(0, outer.size(), outer) != 0) return false;
    return inner.size() == outer.size() || outer == L"/" || inner[outer.size()] == L'/';
}

// VIDEO_TS (the folder's own name, `own`), or VIDEO_TS, BDMV or AACS inside
// it, in any case.
bool IsDiscEntryName(const std::string& name, bool own)
{
    auto same = [&name](const char* marker) {
        if (name.size() != std::strlen(marker)) return false;
        for (size_t i = 0; i < name.size(); ++i)
            if (std::toupper(static_cast<unsigned char>(name[i])) != marker[i]) return false;
        return true;
    };
    return same("VIDEO_TS") || (!own && (same("BDMV") || same("AACS")));
}

}  // namespace

std::vector<std::wstring> ListFolderFiles(const std::wstring& folder)
{
    bool mayBeDisc = false;
    return ListFolderFiles(folder, mayBeDisc);
}

std::vector<std::wstring> ListFolderFiles(const std::wstring& folder, bool& mayBeDisc)
{
    std::vector<std::wstring> files;
    const fs::path base = PathFromWide(Normalised(folder));
    mayBeDisc = IsDiscEntryName(base.filename().native(), true);
    std::error_code ec;
    fs::directory_iterator it(base, fs::directory_options::skip_permission_denied, ec);
    if (ec) {
        LogInfoW("CVXMMainFrameWnd", L"Cannot list the folder %s", folder.c_str());
        return files;
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        if (!mayBeDisc) mayBeDisc = IsDiscEntryName(it->path().filename().native(), false);
        std::error_code entryError;
        // Follows a link; a broken or looping link, a pipe or a device is no regular file.
        if (!it->is_regular_file(entryError) || entryError) continue;
        files.push_back(WideFromPath(it->path()));
    }
    return files;
}

std::wstring ProbeDefaultMediaFolder(const std::wstring& folder, std::chrono::milliseconds wait)
{
    return ProbeDefaultMediaFolder(folder, wait, [](const std::wstring& path) {
        std::error_code ec;
        fs::directory_iterator it(PathFromWide(path), ec);
        return !ec;
    });
}

std::wstring ProbeDefaultMediaFolder(const std::wstring& folder, std::chrono::milliseconds wait,
                                     std::function<bool(const std::wstring&)> listable)
{
    ProbeThreads().JoinEnded();
    if (folder.empty()) return VideosFolder();
    auto state = std::make_shared<CProbeState>();
    std::thread probe([state, folder, listable = std::move(listable)] {
        bool ok = false;
        std::string what;
        if (!RunCatching([&] { ok = listable(folder); }, what))
            LogErrorW("CVXMMainFrameWnd", L"The folder %s could not be probed: %S", folder.c_str(), what.c_str());
        std::lock_guard<std::mutex> lock(state->mutex);
        state->listable = ok;
        state->finished = true;
        state->done.notify_all();
    });
    bool finished, found;
    {
        std::unique_lock<std::mutex> lock(state->mutex);
        finished = state->done.wait_for(lock, wait, [&] { return state->finished; });
        found = state->listable;
    }
    if (finished) {
        probe.join();
        if (found) return folder;
    } else {
        LogInfoW("CVXMMainFrameWnd", L"The folder %s did not answer in time", folder.c_str());
        ProbeThreads().Keep(std::move(probe), state);
    }
    return VideosFolder();
}

int PendingFolderProbes() { return ProbeThreads().Count(); }

bool IsPathOfRow(const std::wstring& rowPath, const std::wstring& path)
{
    if (rowPath.empty() || path.empty()) return false;
    const std::wstring row = Normalised(rowPath);
    const std::wstring given = Normalised(path);
    return Within(row, given) || Within(given, row);
}
