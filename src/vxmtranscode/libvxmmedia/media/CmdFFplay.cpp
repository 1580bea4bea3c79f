#include "CmdFFplay.h"
#include "tool_log.h"

#include "EngineLog.h"
#include "RunnerHooks.h"
#include "VXMMediaBase.h"
#include "VXMMessages.h"
#include "cmdutils.h"
#include "platform/messages.h"
#include "platform/text.h"

#include <cerrno>
#include <cwctype>

namespace {

constexpr const char* kLogCategory = "CCmdFFplay";
constexpr DWORD kCloseWaitMs = 1000;

std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

std::wstring FolderOf(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"/\\");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

}  // namespace

std::mutex& ConvertRunnerLock()
{
    static std::mutex lock;
    return lock;
}

std::vector<std::wstring> JobProcessArguments(const std::wstring& commandLine)
{
    VXM_COMMAND_ARGS line = SplitJobCommandLine(commandLine);
    std::vector<std::wstring>& args = line.args;
    if (!line.bInterpreter || args.empty())
        return args;

    const std::wstring command = Lower(args[0]);
    std::vector<std::wstring> files(args.begin() + 1, args.end());
    std::vector<std::wstring> out;
    if (command == L"del" || command == L"erase") {
        out = {L"rm", L"-f", L"--"};
        out.insert(out.end(), files.begin(), files.end());
    } else if ((command == L"ren" || command == L"rename") && files.size() == 2) {
        // The new name stays in the folder of the file renamed; an existing
        // file of that name is never replaced.
        std::wstring target = files[1];
        if (target.find_first_of(L"/\\") == std::wstring::npos)
            target = FolderOf(files[0]) + target;
        out = {L"mv", L"-n", L"--", files[0], target};
    } else if (command == L"copy" && files.size() == 2) {
        out = {L"cp", L"-f", L"--", files[0], files[1]};
    } else if (command == L"move" && files.size() == 2) {
        out = {L"mv", L"-f", L"--", files[0], files[1]};
    } else {
        out = std::move(args);  // a tool run through the interpreter
    }
    return out;
}

CCmdFFplay::CCmdFFplay() = default;

CCmdFFplay::~CCmdFFplay()
{
    Close();
}

int CCmdFFplay::Open(const std::wstring& commandLine, int jobType)
{
    if (m_hWatchThread)
        Close();  // the watcher of an earlier run must not wait for this lock
    std::lock_guard<std::mutex> openLock(m_openLock);
    ClearLastErrorLine();  // the error of this step, not of one before
    if (!LaunchJob(jobType, commandLine)) {
        int error = errno ? errno : EINVAL;
        ReportOpenError(error);
        Close();
        errno = error;
        return 0;
    }
    // An in-process step's worker tells the monitor of its end itself.
    if (m_nMode != 2 || InProcess(jobType))
        return 1;
    auto watcher = std::make_unique<CMessageThread>();
    if (!watcher->Start([this](CMessageThread&) { WatchThread(); }, [this](const std::string& what) { WatchFailed(what); })) {
        ReportOpenError(EAGAIN);
        Close();
        return 0;
    }
    m_nWatchThreadId = watcher->GetThreadId();
    m_hWatchThread = std::move(watcher);
    return 1;
}

int CCmdFFplay::LaunchJob(int jobType, const std::wstring& commandLine)
{
    std::lock_guard<std::mutex> lock(m_workerLock);
    m_nJobType = jobType;
    m_pWorkerThread.reset();
    m_pWorkerDone.reset();
    m_hChildProcess.reset();
    m_nWorkerId = 0;
    m_dwExitCode = 0;
    if (m_bStopRequested.load()) {
        LogMessageA(kLogCategory, "a stopped run starts no further step");
        errno = ECANCELED;
        return 0;
    }
    if (m_nMode == 2)
        m_dCurrentTime = 0.0;

    if (InProcess(jobType)) {
        m_strCommandLine = commandLine;
        m_pWorkerDone = std::make_unique<CEvent>(true, false);
        auto worker = std::make_unique<CMessageThread>();
        if (!worker->Start([this, jobType](CMessageThread&) { WorkerThread(jobType); },
                           [this](const std::string& what) { WorkerFailed(what); })) {
            LogMessageA(kLogCategory, "the worker thread of a job of type %d cannot start", jobType);
            m_pWorkerDone.reset();
            errno = EAGAIN;
            return 0;
        }
        m_nWorkerId = worker->GetThreadId();
        m_pWorkerThread = std::move(worker);
        return 1;
    }

    std::vector<std::wstring> args = JobProcessArguments(commandLine);
    if (args.empty()) {
        LogMessageA(kLogCategory, "a job of type %d has no program to start", jobType);
        errno = EINVAL;
        return 0;
    }
    CChildOptions options;
    options.stdinMode = EChildStream::Null;
    options.stdoutMode = EChildStream::Null;
    // A conversion step's watcher reads what the tool says on its error
    // stream; nothing else would read it, so other runs drop it.
    options.stderrMode = m_nMode == 2 ? EChildStream::Pipe : EChildStream::Null;
    auto child = std::make_unique<CChildProcess>();
    if (!child->Start(args, options)) {
        LogMessageA(kLogCategory, "cannot start \"%s\": %s", WideToUtf8(args[0]).c_str(), child->LastError().c_str());
        errno = ENOENT;
        return 0;
    }
    m_nWorkerId = static_cast<DWORD>(child->GetPid());
    m_hChildProcess = std::move(child);
    return 1;
}

int CCmdFFplay::RunHere(int jobType, const std::wstring& commandLine)
{
    {
        std::lock_guard<std::mutex> lock(m_workerLock);
        if (jobType != JOB_TYPE_FFMPEG || m_pWorkerThread || m_hChildProcess) {
            errno = EINVAL;
            return 0;
        }
        if (m_bStopRequested.load()) {
            LogMessageA(kLogCategory, "a stopped run starts no further step");
            errno = ECANCELED;
            return 0;
        }
        m_nJobType = jobType;
        m_dwExitCode = 0;
        m_strCommandLine = commandLine;
        m_pWorkerDone = std::make_unique<CEvent>(true, false);
    }
    try {
        CToolLogScope logScope(this);
        RunThread();
    } catch (const std::exception& e) {
        WorkerFailed(e.what());
        return 1;
    }
    std::lock_guard<std::mutex> lock(m_workerLock);
    m_pWorkerDone->Set();
    return 1;
}

void CCmdFFplay::WorkerThread(int jobType)
{
    CToolLogScope logScope(this);  // the run's error lines are kept here
    int code = 0;
    if (jobType == JOB_TYPE_FFMPEG) {
        RunThread();
        code = GetExitCode();
    } else {
        int (*entry)(CCmdFFplay*) = jobType == JOB_TYPE_WMV ? g_RunnerHooks.pfnWmvJoin : g_RunnerHooks.pfnApeEncode;
        if (entry) {
            code = entry(this);
        } else {
            LogMessageA(kLogCategory, "%s step cannot run: it is not built in",
                        jobType == JOB_TYPE_WMV ? "WMV join" : "APE encoding");
            code = VXM_EXIT_TOOL_MISSING;
        }
        SetExitCode(code);
    }
    WorkerDone();
}

void CCmdFFplay::WorkerDone()
{
    {
        std::lock_guard<std::mutex> lock(m_workerLock);
        if (m_pWorkerDone)
            m_pWorkerDone->Set();
    }
    if (m_nMode == 2)
        PostStepEnd(StepResult());
}

int CCmdFFplay::StepResult() const
{
    return m_bStopRequested.load() || received_sigterm.load() == -1 ? -1 : GetExitCode();
}

void CCmdFFplay::RunThread()
{
    void* line = const_cast<wchar_t*>(m_strCommandLine.c_str());
    if (m_nMode == 1) {
        if (g_RunnerHooks.pfnPlay) {
            SetExitCode(g_RunnerHooks.pfnPlay(line, this) != 0 ? 1 : 0);
        } else {
            LogMessageA(kLogCategory, "the player cannot run: it is not built in");
            SetExitCode(VXM_EXIT_TOOL_MISSING);
        }
    } else if (m_nMode == 2) {
        if (!g_RunnerHooks.pfnTranscode) {
            LogMessageA(kLogCategory, "the transcoder cannot run: it is not built in");
            SetExitCode(VXM_EXIT_TOOL_MISSING);
            return;
        }
        exit_code = 0;
        int result = run_tool_guarded(this, [this, line](CToolContext*) {
            return g_RunnerHooks.pfnTranscode(line, this);
        });
        SetExitCode(exit_code != 0 ? exit_code : result);
    } else {
        if (!g_RunnerHooks.pfnProbe) {
            LogMessageA(kLogCategory, "the probe cannot run: it is not built in");
            SetExitCode(VXM_EXIT_TOOL_MISSING);
            return;
        }
        SetExitCode(g_RunnerHooks.pfnProbe(line, m_pMedia));
    }
}

bool CCmdFFplay::WaitWorkerEnd(DWORD ms)
{
    CEvent* done = nullptr;
    CChildProcess* child = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_workerLock);
        done = m_pWorkerDone.get();
        child = m_hChildProcess.get();
    }
    // The pointers stay valid: only Close replaces them, after the watcher
    // has been joined and with no other waiter left.
    if (done)
        return done->Wait(ms) == WAIT_OBJECT_0;
    if (child)
        return child->Wait(ms);
    return true;
}

void CCmdFFplay::WatchThread()
{
    m_bWatching = 1;
    CChildProcess* child = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_workerLock);
        child = m_hChildProcess.get();  // replaced only by Close, after this thread ended
    }
    CToolErrorStream errors(*this);
    bool reading = child && child->StderrFd() >= 0;
    const DWORD poll = static_cast<DWORD>(m_nWatchPollMs > 0 ? m_nWatchPollMs : 100);
    for (;;) {
        if (reading) {
            char buffer[1024];
            const long n = child->ReadStderr(buffer, sizeof(buffer), poll);
            if (n > 0)
                errors.Add(buffer, static_cast<size_t>(n));
            else if (n != CHILD_READ_TIMEOUT)
                reading = false;  // the tool closed it
            if (WaitWorkerEnd(0))
                break;
        } else if (WaitWorkerEnd(poll)) {
            break;
        }
        // A child step that did not end on SIGINT is killed with its group.
        if (m_bStopRequested.load() && GetTickCount64() - m_nStopTick.load() >= kChildStopTimeoutMs) {
            std::lock_guard<std::mutex> lock(m_workerLock);
            if (m_hChildProcess)
                m_hChildProcess->Kill();
        }
    }
    // What the tool wrote before it ended.
    for (char buffer[1024]; reading;) {
        const long n = child->ReadStderr(buffer, sizeof(buffer), 0);
        reading = n > 0;
        if (reading)
            errors.Add(buffer, static_cast<size_t>(n));
    }
    errors.Finish();
    {
        std::lock_guard<std::mutex> lock(m_workerLock);
        if (m_hChildProcess)
            SetExitCode(m_hChildProcess->GetExitCode());
    }
    PostStepEnd(StepResult());
}

void CCmdFFplay::PostStepEnd(int result)
{
    { std::lock_guard<std::mutex> openDone(m_openLock); }
    std::lock_guard<std::mutex> lock(ConvertRunnerLock());
    if (m_pMedia && m_pMedia->m_pConvertRunner == this && m_pMedia->m_nMonitorThreadId != 0)
        PostThreadMessage(m_pMedia->m_nMonitorThreadId, WM_VXM_JOB_FINISHED, static_cast<WPARAM>(result),
                          reinterpret_cast<LPARAM>(this));
}

void CCmdFFplay::WorkerFailed(const std::string& what)
{
    LogMessageA(kLogCategory, "a job step of type %d failed: %s", m_nJobType, what.c_str());
    SetExitCode(1);
    WorkerDone();
}

void CCmdFFplay::WatchFailed(const std::string& what)
{
    // The step cannot be followed any more: it is ended and counts as failed.
    LogMessageA(kLogCategory, "the watch of a job step failed: %s", what.c_str());
    {
        std::lock_guard<std::mutex> lock(m_workerLock);
        received_sigterm = 1;
        m_nKillFlag = 1;
        if (m_hChildProcess)
            m_hChildProcess->Kill();
    }
    WaitWorkerEnd(INFINITE);
    PostStepEnd(1);
}

bool CCmdFFplay::IsDvdTitleMedia() const
{
    return m_pMedia && m_pMedia->m_nMediaKind == 1;
}

std::string CCmdFFplay::CdDrivePath() const
{
    return m_pMedia && m_pMedia->m_nMediaKind == 2 ? WideToUtf8(m_pMedia->m_strCDDrive) : std::string();
}

void CCmdFFplay::OnOutputOpened(int)
{
    if (!m_pMedia || !m_hNotifyWnd)
        return;
    std::lock_guard<std::mutex> lock(ConvertRunnerLock());
    if (m_pMedia->m_bReleasing || (m_pMedia->m_pConvertRunner != this && m_pMedia->m_pThumbnailRunner != this))
        return;
    PostMessage(m_hNotifyWnd, WM_VXM_OUTPUT_OPENED, 0, reinterpret_cast<LPARAM>(dynamic_cast<IVXMMedia*>(m_pMedia)));
}

double CCmdFFplay::GetPosition() const
{
    double position = 0.0;
    if (m_nMode == 2) {
        int kind = m_pCurrentJob ? m_pCurrentJob->nPassKind : PASS_PLAIN;
        if (kind == PASS_JOIN || kind == PASS_MUX)
            return 0.0;
        position = m_dCurrentTime.load();
    } else {
        position = m_dCurrentTime.load();  // the player keeps its clock here
    }
    return position < 0.0 ? 0.0 : position;
}

void CCmdFFplay::RequestStop()
{
    std::lock_guard<std::mutex> lock(m_workerLock);
    if (!m_bStopRequested.exchange(true))
        m_nStopTick = GetTickCount64();
    received_sigterm = -1;
    m_nKillFlag = 1;
    if (m_nMode == 1 && g_RunnerHooks.pfnRequestPlayerQuit)
        g_RunnerHooks.pfnRequestPlayerQuit(this);
    if (m_hChildProcess)
        m_hChildProcess->Interrupt();
}

bool CCmdFFplay::WaitWorker(DWORD ms)
{
    return WaitWorkerEnd(ms);
}

bool CCmdFFplay::WaitPlayerStart(DWORD ms)
{
    const INT64 deadline = static_cast<INT64>(GetTickCount64()) + ms;
    while (!m_bPlayerStarted.load()) {
        if (WaitWorkerEnd(10))
            return m_bPlayerStarted.load() || GetExitCode() == 0;
        if (static_cast<INT64>(GetTickCount64()) >= deadline)
            return true;
    }
    return true;
}

bool CCmdFFplay::IsWorkerRunning() const
{
    std::lock_guard<std::mutex> lock(m_workerLock);
    if (m_pWorkerDone)
        return !m_pWorkerDone->IsSet();
    if (m_hChildProcess)
        return m_hChildProcess->IsRunning();
    return false;
}

void CCmdFFplay::RequestSnapshot(int value)
{
    m_nSnapshotArg = value;
    m_bSnapshotRequest = 1;
}

void CCmdFFplay::Close()
{
    if (m_hWatchThread) {
        if (m_hWatchThread->GetThreadId() == GetCurrentThreadId()) {
            // The watcher cannot wait for itself; the next Close joins it.
        } else {
            if (!m_hWatchThread->Join(kCloseWaitMs)) {
                // The watcher waits for the worker: end the work, then join.
                RequestStop();
                m_hWatchThread->Join();
            }
            m_hWatchThread.reset();
            m_nWatchThreadId = 0;
        }
    }
    if (m_hWatchThread)
        return;

    // A run on another caller's thread: it ends first (a stop ends it soon).
    CEvent* runHere = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_workerLock);
        if (!m_pWorkerThread && !m_hChildProcess && m_pWorkerDone && !m_pWorkerDone->IsSet())
            runHere = m_pWorkerDone.get();
    }
    if (runHere)
        runHere->Wait(INFINITE);

    std::unique_ptr<CMessageThread> worker;
    std::unique_ptr<CChildProcess> child;
    std::unique_ptr<CEvent> done;
    {
        std::lock_guard<std::mutex> lock(m_workerLock);
        worker = std::move(m_pWorkerThread);
        child = std::move(m_hChildProcess);
        done = std::move(m_pWorkerDone);
    }
    if (worker) {
        // A worker whose end is set has only to return.
        const bool ending = done && done->IsSet();
        if (!worker->Join(ending ? INFINITE : kCloseWaitMs)) {
            LogMessageA(kLogCategory, "the worker did not end within %u ms: asking it to stop", kCloseWaitMs);
            received_sigterm = -1;
            m_nKillFlag = 1;
            if (m_nMode == 1 && g_RunnerHooks.pfnRequestPlayerQuit)
                g_RunnerHooks.pfnRequestPlayerQuit(this);
            worker->Join();
        }
    }
    if (child) {
        int code = 0;
        if (!child->Wait(kCloseWaitMs, &code)) {
            LogMessageA(kLogCategory, "child process %d did not end within %u ms: killing it", child->GetPid(),
                        kCloseWaitMs);
            child->Kill();
            child->Wait(CChildProcess::INFINITE_WAIT, &code);
        }
        SetExitCode(code);
    }
    m_nWorkerId = 0;
    m_nWatchThreadId = 0;
}
