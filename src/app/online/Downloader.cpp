// The online downloader: one worker thread per download runs the download
// tool (yt-dlp) as a child process, first to analyse the address, then once
// per part to fetch it, and posts what happens to the main window.
#include "DownloadTool.h"
#include "VXMDownloader.h"

#include "VXMGlobal.h"
#include "platform/events.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/text.h"
#include "platform/thread.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <regex>

namespace fs = std::filesystem;

struct CFormatRequestTicket::CExchange {
    VXM_FORMAT_REQUEST request;
    CEvent answered{true, false};
    std::atomic<bool> accepted{false};
};


namespace {

const char kCategory[] = "VXMDownloader";
std::atomic<VXMLogFuncA> g_logA{nullptr};
std::atomic<VXMLogFuncW> g_logW{nullptr};

std::mutex g_toolLock;
std::wstring g_toolOverride;

template <class... A>
void Log(const char* format, A... args)
{
    if (VXMLogFuncA log = g_logA.load()) log(kCategory, format, args...);
}

// A stop asked for while the tool ran.
enum class ERun { Ok, Failed, Cancelled, NotStarted };

struct CRunResult {
    ERun state = ERun::Failed;
    int exitCode = -1;
    std::string output;       // standard output, when collected
    std::wstring lastError;   // the last "ERROR:" line (or the last line of standard error)
};

void TakeLines(std::string& pending, const std::function<void(const std::string&)>& onLine)
{
    size_t start = 0;
    for (size_t nl; (nl = pending.find('\n', start)) != std::string::npos; start = nl + 1)
        onLine(pending.substr(start, nl - start));
    pending.erase(0, start);
}

// Runs the tool until it ends or `stop` is set, or until `timeLimitMs` passed
// (then it is killed and the run failed). With `collect`, standard output is
// kept whole; else each line of it goes to onLine. Standard error only feeds
// the error text.
CRunResult RunTool(const std::vector<std::wstring>& args, CEvent& stop, bool collect,
                   const std::function<void(const std::string&)>& onLine, DWORD timeLimitMs = INFINITE)
{
    CRunResult result;
    CChildProcess child;
    CChildOptions options;
    if (!child.Start(args, options)) {
        Log("Cannot start %s: %s", WideToUtf8(args.front()).c_str(), child.LastError().c_str());
        result.state = ERun::NotStarted;
        result.lastError = Utf8ToWide(child.LastError());
        return result;
    }
    const auto started = std::chrono::steady_clock::now();
    auto outOfTime = [&] {
        return timeLimitMs != INFINITE &&
               std::chrono::steady_clock::now() - started >= std::chrono::milliseconds(timeLimitMs);
    };
    std::string lineBuffer, errorBuffer;
    auto onErrorLine = [&](const std::string& line) {
        std::wstring text;
        if (ParseErrorLine(line, text)) result.lastError = text;
        else if (result.lastError.empty() && !line.empty()) result.lastError = Utf8ToWide(line);
    };
    auto onOutLine = [&](const std::string& line) {
        std::wstring text;
        if (ParseErrorLine(line, text)) result.lastError = text;
        else if (onLine) onLine(line);
    };
    auto stopChild = [&](int signalWaitMs) {
        if (signalWaitMs > 0) child.Interrupt();
        if (signalWaitMs <= 0 || !child.Wait(static_cast<DWORD>(signalWaitMs))) {
            child.Kill();
            child.Wait(CChildProcess::INFINITE_WAIT);
        }
    };
    char buffer[8192];
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen) {
        if (stop.IsSet() || outOfTime()) break;
        if (outOpen) {
            const long n = child.ReadStdout(buffer, sizeof buffer, 50);
            if (n > 0) {
                if (collect) result.output.append(buffer, static_cast<size_t>(n));
                else {
                    lineBuffer.append(buffer, static_cast<size_t>(n));
                    TakeLines(lineBuffer, onOutLine);
                }
            } else if (n != CHILD_READ_TIMEOUT) {
                outOpen = false;
            }
        }
        if (errOpen) {
            const long n = child.ReadStderr(buffer, sizeof buffer, outOpen ? 0 : 50);
            if (n > 0) {
                errorBuffer.append(buffer, static_cast<size_t>(n));
                TakeLines(errorBuffer, onErrorLine);
            } else if (n != CHILD_READ_TIMEOUT) {
                errOpen = false;
            }
        }
    }
    if (stop.IsSet()) {
        stopChild(2000);
        result.state = ERun::Cancelled;
        return result;
    }
    if (!lineBuffer.empty()) onOutLine(lineBuffer);
    if (!errorBuffer.empty()) onErrorLine(errorBuffer);
    bool ended = false;
    while (!(ended = child.Wait(100, &result.exitCode)) && !outOfTime()) {
        if (stop.Wait(0) == WAIT_OBJECT_0) {
            stopChild(0);
            result.state = ERun::Cancelled;
            return result;
        }
    }
    if (!ended) {
        stopChild(0);
        Log("%s did not end within %u ms", WideToUtf8(args.front()).c_str(), static_cast<unsigned>(timeLimitMs));
        result.state = ERun::Failed;
        result.lastError = L"The download tool did not answer in time.";
        return result;
    }
    result.state = result.exitCode == 0 ? ERun::Ok : ERun::Failed;
    return result;
}

// How long "--version" may take: a tool that hangs is no tool.
constexpr DWORD kVersionTimeLimitMs = 10000;

int ToolVersion(const std::wstring& tool, CEvent& stop)
{
    if (tool.empty()) return 0;
    CRunResult run = RunTool({tool, L"--version"}, stop, true, nullptr, kVersionTimeLimitMs);
    return run.state == ERun::Ok ? ParseToolVersion(run.output) : 0;
}

struct CToolChoice {
    std::wstring path;
    int version = 0;
};

// Which download tool runs: the override, else the newer of the work
// folder's copy and the system's. Asking a tool its version runs it, so this
// happens on worker threads only, one probe at a time, and again only when
// the override or the work folder's copy changed.
class CToolProbe {
public:
    void SetWorkFolder(const std::wstring& folder)
    {
        std::lock_guard<std::mutex> lock(m_stateLock);
        m_workFolder = folder;
    }

    CToolChoice Resolve(CEvent& stop)
    {
        std::lock_guard<std::mutex> probing(m_probeLock);
        std::wstring workFolder;
        {
            std::lock_guard<std::mutex> lock(m_stateLock);
            workFolder = m_workFolder;
        }
        std::wstring forced;
        {
            std::lock_guard<std::mutex> lock(g_toolLock);
            forced = g_toolOverride;
        }
        std::wstring key = forced + L"|" + workFolder;
        std::error_code ec;
        const fs::path copy = PathFromWide(JoinPath(workFolder, L"yt-dlp"));
        if (!workFolder.empty() && fs::exists(copy, ec))
            key += L"|" + std::to_wstring(fs::last_write_time(copy, ec).time_since_epoch().count());
        {
            std::lock_guard<std::mutex> lock(m_stateLock);
            if (m_known && key == m_key) return m_choice;
        }
        const CToolChoice choice = Choose(forced, workFolder, stop);
        if (stop.IsSet()) return choice;  // cut short: asked again next time
        std::lock_guard<std::mutex> lock(m_stateLock);
        m_choice = choice;
        m_key = key;
        m_known = true;
        return choice;
    }

private:
    static CToolChoice Choose(const std::wstring& forced, const std::wstring& workFolder, CEvent& stop)
    {
        if (!forced.empty()) return {forced, ToolVersion(forced, stop)};
        CToolChoice best;
        std::vector<std::wstring> candidates;
        if (!workFolder.empty()) candidates.push_back(JoinPath(workFolder, L"yt-dlp"));
        candidates.push_back(FindProgramInPath(L"yt-dlp"));
        for (const std::wstring& candidate : candidates) {
            if (candidate.empty() || FindProgramInPath(candidate).empty()) continue;
            const int version = ToolVersion(candidate, stop);
            if (best.path.empty() || version > best.version) best = {candidate, version};
        }
        return best;
    }

    std::mutex m_probeLock;  // held through a probe
    std::mutex m_stateLock;  // held only to read or write the fields below
    std::wstring m_workFolder;
    CToolChoice m_choice;
    std::wstring m_key;
    bool m_known = false;
};

struct CJobConfig {
    std::wstring address;
    IVXMMedia* media = nullptr;
    std::wstring outputFolder;
    std::wstring thumbnailPath;
    int format = ONLINE_FORMAT_ASK;
    int flags = 0;
    int retries = 0;
    bool useTitle = true;
    CDownloadToolOptions tool;        // all but the tool's path, which the worker asks the probe for
    std::shared_ptr<CToolProbe> probe;
    HWND target = nullptr;
};

class CDownloadJob {
public:
    explicit CDownloadJob(CJobConfig config) : m_config(std::move(config))
    {
        m_record.media = m_config.media;
        m_record.pageUrl = m_config.address;
    }
    ~CDownloadJob() { m_thread.reset(); }  // stops and joins

    // A download of the same media that was stopped and is still ending: this
    // one starts when it has ended, so its reports come first.
    void Follow(std::unique_ptr<CDownloadJob> previous) { m_previous = std::move(previous); }

    bool Start(const CDownloadToolOptions& tool)
    {
        m_config.tool = tool;
        m_thread = std::make_unique<CMessageThread>();
        return m_thread->Start(
            [this](CMessageThread& thread) {
                m_previous.reset();  // waits for it
                Run(thread.StopEvent());
                m_finished = true;
            },
            [this](const std::string& what) {
                Log("The download of %s failed: %s", WideToUtf8(m_config.address).c_str(), what.c_str());
                m_record.errorText = L"The download failed: " + Utf8ToWide(what);
                Event(DOWNLOAD_EVENT_FAILED);
            });
    }
    void Cancel()
    {
        if (m_thread) m_thread->StopEvent().Set();
    }
    bool IsStarted() const { return m_thread != nullptr; }
    bool IsCancelled() const { return m_thread && m_thread->StopEvent().IsSet(); }
    bool IsFinished() const { return m_finished.load(); }

private:
    void Post(UINT message, WPARAM wParam)
    {
        auto copy = std::make_unique<VXM_DOWNLOAD_RECORD>(m_record);
        if (!PostMessagePayload(m_config.target, message, wParam, copy))
            Log("No window took message %u of %s", message, WideToUtf8(m_config.address).c_str());
    }
    void Event(EDownloadEvent event)
    {
        // The last word of a run: from here on the media may start a new one.
        if (event == DOWNLOAD_EVENT_ANALYSIS_FAILED || event == DOWNLOAD_EVENT_FAILED ||
            event == DOWNLOAD_EVENT_CANCELLED || event == DOWNLOAD_EVENT_TOOL_FAILED || event == DOWNLOAD_EVENT_ALL_DONE)
            m_finished = true;
        Post(WM_VXM_DOWNLOADER_EVENT, event);
    }

    void Run(CEvent& stop);
    // The format selector; empty when the download was cancelled.
    std::wstring ChooseFormat(const CAnalysis& analysis, CEvent& stop);
    ERun FetchPart(const CAnalysis& analysis, int index, const std::wstring& format, CEvent& stop);
    void CheckThumbnail();

    CJobConfig m_config;
    VXM_DOWNLOAD_RECORD m_record;  // the worker's own; messages carry copies
    std::unique_ptr<CDownloadJob> m_previous;
    std::unique_ptr<CMessageThread> m_thread;
    std::atomic<bool> m_finished{false};
    bool m_thumbnailPosted = false;
    int m_lastPermille = -1;
    DWORD m_lastStatusTick = 0;
};

void CDownloadJob::Run(CEvent& stop)
{
    Event(DOWNLOAD_EVENT_STARTED);
    m_config.tool.tool = m_config.probe ? m_config.probe->Resolve(stop).path : std::wstring();
    if (stop.IsSet()) return Event(DOWNLOAD_EVENT_CANCELLED);
    if (m_config.tool.tool.empty()) {
        m_record.errorText = L"The download tool (yt-dlp) is not installed.";
        Log("No download tool for %s", WideToUtf8(m_config.address).c_str());
        Event(DOWNLOAD_EVENT_ANALYSIS_FAILED);
        return;
    }
    Log("Analysing %s", WideToUtf8(m_config.address).c_str());
    CRunResult analysed = RunTool(BuildAnalysisArgs(m_config.tool, m_config.address), stop, true, nullptr);
    if (analysed.state == ERun::Cancelled) return Event(DOWNLOAD_EVENT_CANCELLED);
    CAnalysis analysis;
    std::wstring error;
    if (analysed.state != ERun::Ok || !ParseAnalysis(analysed.output, m_config.address, analysis, error)) {
        m_record.errorText = analysed.state == ERun::Ok ? error : analysed.lastError;
        if (m_record.errorText.empty()) m_record.errorText = error.empty() ? L"The analysis failed." : error;
        Log("Analysis of %s failed: %s", WideToUtf8(m_config.address).c_str(), WideToUtf8(m_record.errorText).c_str());
        Event(DOWNLOAD_EVENT_ANALYSIS_FAILED);
        return;
    }
    m_record.title = analysis.title;
    m_record.siteName = analysis.siteName;
    m_record.partCount = static_cast<int>(analysis.parts.size());
    // The records of the further parts, linked from the first.
    std::shared_ptr<const VXM_DOWNLOAD_RECORD> next;
    for (size_t i = analysis.parts.size(); i-- > 1;) {
        auto part = std::make_shared<VXM_DOWNLOAD_RECORD>();
        part->media = m_config.media;
        part->title = analysis.parts[i].title;
        part->siteName = analysis.siteName;
        part->pageUrl = analysis.parts[i].pageUrl;
        part->partCount = m_record.partCount;
        part->partIndex = static_cast<int>(i);
        part->next = next;
        next = part;
    }
    m_record.next = next;
    Event(DOWNLOAD_EVENT_ANALYSED);

    const std::wstring format = ChooseFormat(analysis, stop);
    if (format.empty()) return Event(DOWNLOAD_EVENT_CANCELLED);

    std::error_code ec;
    fs::create_directories(PathFromWide(m_config.outputFolder), ec);
    for (int i = 0; i < m_record.partCount; ++i) {
        const ERun state = FetchPart(analysis, i, format, stop);
        if (state == ERun::Cancelled) return Event(DOWNLOAD_EVENT_CANCELLED);
        if (state == ERun::NotStarted) return Event(DOWNLOAD_EVENT_TOOL_FAILED);
        if (state != ERun::Ok) return Event(DOWNLOAD_EVENT_FAILED);
        Event(DOWNLOAD_EVENT_FILE_DONE);
    }
    Event(DOWNLOAD_EVENT_ALL_DONE);
}

std::wstring CDownloadJob::ChooseFormat(const CAnalysis& analysis, CEvent& stop)
{
    const bool mp3 = (m_config.flags & DOWNLOAD_FLAG_MP3) != 0;
    if (mp3 || m_config.format != ONLINE_FORMAT_ASK || analysis.formats.size() < 2)
        return analysis.formats.size() == 1 && !mp3 ? Utf8ToWide(analysis.formats.front().formatId)
                                                   : FormatSelector(m_config.format, mp3);
    auto exchange = std::make_shared<CFormatRequestTicket::CExchange>();
    exchange->request.media = m_config.media;
    exchange->request.title = analysis.title;
    exchange->request.formats = analysis.formats;
    auto ticket = std::make_unique<CFormatRequestTicket>(exchange);
    if (!PostMessagePayload(m_config.target, WM_VXM_DOWNLOADER_SELECT_FORMAT, 0, ticket)) return std::wstring();
    WaitForAnyEvent({&exchange->answered, &stop}, INFINITE);
    if (stop.IsSet() || !exchange->accepted.load()) return std::wstring();
    const int chosen = exchange->request.chosen;
    if (chosen < 0 || chosen >= static_cast<int>(analysis.formats.size())) return std::wstring();
    Event(DOWNLOAD_EVENT_FORMAT_CHOSEN);
    return Utf8ToWide(analysis.formats[static_cast<size_t>(chosen)].formatId);
}

// The tool's unfinished pieces of a part ("<name>.mp4.part", "<name>.f137.mp4.ytdl",
// "<name>.mp4.part-Frag3") go when the part was stopped or failed.
void RemoveUnfinishedPieces(const std::wstring& outputBase)
{
    // After the name: a format id, the extension, the piece's own suffix; so
    // that "<name>.2.mp4.part" (another title) is not taken for one.
    static const std::regex piece(R"(^(f[^.]+\.)?[A-Za-z0-9]+\.(part|ytdl|part-Frag[0-9]+(\.part)?)$)");
    std::error_code ec;
    const fs::path base = PathFromWide(outputBase);
    const std::string prefix = base.filename().string() + ".";
    for (const auto& entry : fs::directory_iterator(base.parent_path(), ec)) {
        const std::string fileName = entry.path().filename().string();
        std::error_code removed;
        if (fileName.rfind(prefix, 0) == 0 && std::regex_match(fileName.substr(prefix.size()), piece))
            fs::remove(entry.path(), removed);
    }
}

void CDownloadJob::CheckThumbnail()
{
    if (m_thumbnailPosted || m_config.thumbnailPath.empty()) return;
    std::error_code ec;
    if (!fs::is_regular_file(PathFromWide(m_config.thumbnailPath), ec)) return;
    m_thumbnailPosted = true;
    m_record.thumbnailPath = m_config.thumbnailPath;
    Event(DOWNLOAD_EVENT_THUMBNAIL);
}

ERun CDownloadJob::FetchPart(const CAnalysis& analysis, int index, const std::wstring& format, CEvent& stop)
{
    const CAnalysedPart& part = analysis.parts[static_cast<size_t>(index)];
    const bool mp3 = (m_config.flags & DOWNLOAD_FLAG_MP3) != 0;
    const std::wstring name = DownloadFileName(m_record.partCount > 1 ? analysis.title : part.title, part.id,
                                               m_config.useTitle, index, m_record.partCount);
    CDownloadTask task;
    task.address = part.pageUrl;
    task.outputBase = JoinPath(m_config.outputFolder, name);
    task.format = format;
    task.mp3 = mp3;
    task.retries = m_config.retries;
    if (index == 0) task.thumbnailPath = m_config.thumbnailPath;

    m_record.partIndex = index;
    m_record.filePath.clear();
    m_record.errorText.clear();
    m_record.statusText = name;
    Post(WM_VXM_DOWNLOADER_STATUS, 0);

    const int attempts = 1 + (m_config.retries > 0 ? m_config.retries : 0);
    CRunResult run;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0) Log("Retry %d of %s", attempt, WideToUtf8(part.pageUrl).c_str());
        std::wstring file;
        run = RunTool(BuildDownloadArgs(m_config.tool, task), stop, false, [&](const std::string& line) {
            CProgressLine progress;
            std::wstring path;
            if (ParseFileLine(line, path)) {
                file = path;
            } else if (ParseProgressLine(line, progress)) {
                CheckThumbnail();
                const int permille = OverallPermille(progress, index, m_record.partCount);
                const std::wstring speed = SpeedText(progress.speed);
                if (!speed.empty() && GetTickCount() - m_lastStatusTick >= 1000) {
                    m_lastStatusTick = GetTickCount();
                    m_record.statusText = name + L"  (" + speed + L")";
                    Post(WM_VXM_DOWNLOADER_STATUS, 0);
                }
                if (permille != m_lastPermille) {
                    m_lastPermille = permille;
                    Post(WM_VXM_DOWNLOADER_PROGRESS, static_cast<WPARAM>(permille));
                }
            }
        });
        if (run.state == ERun::Cancelled || run.state == ERun::NotStarted) break;
        std::error_code ec;
        if (run.state == ERun::Ok && !file.empty() && fs::is_regular_file(PathFromWide(file), ec)) {
            m_record.filePath = file;
            break;
        }
        if (run.state == ERun::Ok) run.state = ERun::Failed;  // ended well but named no file
    }
    CheckThumbnail();
    if (run.state != ERun::Ok) RemoveUnfinishedPieces(task.outputBase);
    if (run.state == ERun::Cancelled) return run.state;
    if (run.state != ERun::Ok) {
        m_record.errorText = run.lastError.empty() ? L"The download failed." : run.lastError;
        Log("Download of %s failed: %s", WideToUtf8(part.pageUrl).c_str(), WideToUtf8(m_record.errorText).c_str());
        return run.state;
    }
    m_record.statusText = WideFromPath(PathFromWide(m_record.filePath).filename());
    Log("Downloaded %s", WideToUtf8(m_record.filePath).c_str());
    return ERun::Ok;
}

class CDownloader : public IVXMDownloader {
public:
    CDownloader(const std::wstring& outputFolder, HWND mainWindow) : m_outputFolder(outputFolder), m_target(mainWindow) {}

    int AddDownload(const std::wstring& address, IVXMMedia* media, const std::wstring& outputFolder,
                    const std::wstring& thumbnailPath, int format, int flags) override
    {
        if (address.empty() || !media) return 0;
        std::lock_guard<std::mutex> lock(m_lock);
        auto job = std::make_unique<CDownloadJob>(CJobConfig{
            .address = address, .media = media, .outputFolder = outputFolder.empty() ? m_outputFolder : outputFolder,
            .thumbnailPath = thumbnailPath, .format = format, .flags = flags, .retries = m_retries,
            .useTitle = m_useTitle, .tool = {}, .probe = m_probe, .target = m_target});
        auto found = m_jobs.find(media);
        if (found != m_jobs.end()) {
            CDownloadJob& current = *found->second;
            // One download per media: a queued or running one goes on.
            if (!current.IsStarted()) return 1;
            if (!current.IsFinished() && !current.IsCancelled()) return 0;
            // Stopped but still ending: the new one follows it.
            if (!current.IsFinished()) job->Follow(std::move(found->second));
            m_jobs.erase(found);
        }
        m_jobs[media] = std::move(job);
        return 1;
    }

    void CancelDownload(IVXMMedia* media) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        auto found = m_jobs.find(media);
        if (found == m_jobs.end()) return;
        if (found->second->IsStarted()) found->second->Cancel();
        else m_jobs.erase(found);  // never started: nothing to report
    }

    int StartDownloads() override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        std::erase_if(m_jobs, [](const auto& job) { return job.second->IsFinished(); });
        if (m_jobs.empty()) return 0;
        const CDownloadToolOptions tool = ToolOptions();
        int running = 0;
        for (auto& job : m_jobs)
            if (job.second->IsStarted() || job.second->Start(tool)) ++running;
        return running > 0 ? 1 : 0;
    }

    void Release() override { delete this; }
    void SetRetryTimes(int count) override { m_retries = count < 0 ? 0 : count; }
    void SetYTUser(const std::wstring& user) override { m_accounts[0].user = user; }
    void SetYTPasswd(const std::wstring& password) override { m_accounts[0].password = password; }
    void SetNicoUser(const std::wstring& user) override { m_accounts[1].user = user; }
    void SetNicoPasswd(const std::wstring& password) override { m_accounts[1].password = password; }
    void SetFaceBookUser(const std::wstring& user) override { m_accounts[2].user = user; }
    void SetFaceBookPasswd(const std::wstring& password) override { m_accounts[2].password = password; }
    void SetUseTitleAsFileName(int use) override { m_useTitle = use != 0; }
    void SetWorkFolder(const std::wstring& folder) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_workFolder = folder;
        m_probe->SetWorkFolder(folder);
    }
    void SetProxy(const std::wstring& server, const std::wstring& port) override
    {
        m_proxyServer = server;
        m_proxyPort = port;
    }
    // Runs the tool: never on the UI thread (the main window asks from its
    // version check's thread).
    int GetToolVersion() override
    {
        CEvent never(true, false);
        return m_probe->Resolve(never).version;
    }

private:
    ~CDownloader() override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        // Every download stops at once; then each is waited for.
        for (auto& job : m_jobs) job.second->Cancel();
        m_jobs.clear();
    }

    // The tool, the proxy and the accounts file as they are now.
    CDownloadToolOptions ToolOptions()
    {
        CDownloadToolOptions options;
        options.proxyServer = m_proxyServer;
        options.proxyPort = m_proxyPort;
        const std::string netrc = MakeNetrc({{"youtube", m_accounts[0].user, m_accounts[0].password},
                                             {"niconico", m_accounts[1].user, m_accounts[1].password},
                                             {"facebook", m_accounts[2].user, m_accounts[2].password}});
        const std::wstring path = JoinPath(m_workFolder.empty() ? GetTempFolder() : m_workFolder, L"accounts.netrc");
        std::error_code ec;
        if (netrc.empty()) fs::remove(PathFromWide(path), ec);
        else if (WritePrivateFile(path, netrc)) options.netrcPath = path;
        else Log("Cannot write the accounts file %s", WideToUtf8(path).c_str());
        return options;
    }

    struct CAccount {
        std::wstring user, password;
    };

    std::mutex m_lock;
    std::map<IVXMMedia*, std::unique_ptr<CDownloadJob>> m_jobs;
    std::wstring m_outputFolder;
    HWND m_target;
    int m_retries = 3;
    bool m_useTitle = true;
    CAccount m_accounts[3];
    std::wstring m_workFolder;
    std::wstring m_proxyServer, m_proxyPort;
    std::shared_ptr<CToolProbe> m_probe = std::make_shared<CToolProbe>();
};

}  // namespace

CFormatRequestTicket::CFormatRequestTicket(std::shared_ptr<CExchange> exchange) : m_exchange(std::move(exchange)) {}

CFormatRequestTicket::~CFormatRequestTicket()
{
    // Dropped unanswered: the download is cancelled.
    if (m_exchange) m_exchange->answered.Set();
}

VXM_FORMAT_REQUEST& CFormatRequestTicket::Request() { return m_exchange->request; }

void CFormatRequestTicket::Choose()
{
    if (m_exchange->answered.IsSet()) return;
    m_exchange->accepted = true;
    m_exchange->answered.Set();
}

IVXMDownloader* CreateVXMDownloader(const std::wstring& outputFolder, HWND mainWindow)
{
    return new CDownloader(outputFolder, mainWindow);
}

void VXMDownloaderSetLogFunc(VXMLogFuncA logA, VXMLogFuncW logW)
{
    g_logA.store(logA);
    g_logW.store(logW);
}

void VXMDownloaderSetToolPath(const std::wstring& path)
{
    std::lock_guard<std::mutex> lock(g_toolLock);
    g_toolOverride = path;
}
