// The job runner of a media object: runs one thing at a time, a probe, the
// preview player or one step of a conversion. In-process runs (transcoder,
// player, probe, WMV join, APE encoding) go on a worker thread; every other
// step is a child process started from its command line. The runner is also
// the tool context of an in-process run, so two runs never share tool state.
// In a conversion (mode 2) the conversion's monitor thread hears of each
// step's end: from the worker of an in-process step, and from the watcher
// thread of a child step, which also reads what the tool says.
#pragma once
#include "JobCommand.h"
#include "Redirector.h"
#include "ThreadShare.h"
#include "ffmpeg_state.h"
#include "platform/types.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

class CVXMMediaBase;

// Guards the media objects' conversion-runner fields (m_pConvertRunner and
// the monitor thread id) between the program's thread, the monitor threads,
// the watchers and the workers. Never held while waiting for a thread.
std::mutex& ConvertRunnerLock();

class CCmdFFplay : public CRedirector, public CToolContext {
public:
    CCmdFFplay();
    ~CCmdFFplay() override;

    // In-process runs have no redirected output.
    void WriteStdOut(const char*) override {}
    void WriteStdError(const char*) override {}
    // Joins the watcher (never from itself) and ends the worker: a worker
    // thread still running after 1000 ms is asked to stop and then joined; a
    // child process still running is killed (its group) and reaped.
    void Close() override;

    // The tool run's questions about the media it belongs to.
    bool IsDvdTitleMedia() const override;
    std::string CdDrivePath() const override;
    // Tells the notify window, when this run is its media's current runner.
    void OnOutputOpened(int outputIndex) override;

    // Launches the run; in mode 2 also the watcher of a child step. 1 on success, 0 on
    // failure (the runner is closed again).
    int Open(const std::wstring& commandLine, int jobType);
    // Starts the worker for the job type. 1 or 0.
    int LaunchJob(int jobType, const std::wstring& commandLine);
    // Runs an in-process job (JOB_TYPE_FFMPEG) on the calling thread, as the
    // worker would; the runner counts as running meanwhile, and Close waits
    // for the end. 1 when it ran (its exit code is kept), 0 when refused.
    int RunHere(int jobType, const std::wstring& commandLine);

    // Seconds of output of the current run (0 for join and mux steps).
    double GetPosition() const;
    // Asks the run to stop: the player quits, the transcoder and the WMV and
    // APE steps see their stop words, a child process gets SIGINT (and
    // SIGKILL from the watcher when it is still there a second later). A
    // later launch on this runner is refused.
    void RequestStop();
    bool IsStopRequested() const { return m_bStopRequested.load(); }
    // True when the worker ended within the time (or there is none).
    bool WaitWorker(DWORD ms);
    // True while the worker thread or child process of the run is running.
    bool IsWorkerRunning() const;
    void SetExitCode(int code) { m_dwExitCode = static_cast<DWORD>(code); }
    int GetExitCode() const { return static_cast<int>(m_dwExitCode.load()); }
    void RequestSnapshot(int value);
    // The player has opened its input and shows (or sounds) it.
    void SetPlayerStarted() { m_bPlayerStarted = true; }
    bool IsPlayerStarted() const { return m_bPlayerStarted.load(); }
    // The player has played to its end or stopped; its worker may still be
    // closing when its end is heard.
    void SetPlayerEnded() { m_bPlayerEnded = true; }
    bool IsPlayerEnded() const { return m_bPlayerEnded.load(); }
    // Waits until the player plays (true) or its worker ended (false, the
    // player failed when the exit code is not 0); true as well when the time
    // ran out with the player still starting.
    bool WaitPlayerStart(DWORD ms);

    int m_nReserved0 = 0;
    int m_nReserved1 = 1;
    std::unique_ptr<CMessageThread> m_hWatchThread;
    std::atomic<DWORD> m_nWatchThreadId{0};
    int m_nWatchPollMs = 100;
    std::atomic<DWORD> m_nWorkerId{0};   // thread id of the worker, or pid of the child
    int m_nMode = 0;                     // 0 probe, 1 play, 2 transcode
    CVXMMediaBase* m_pMedia = nullptr;
    HWND m_hNotifyWnd = nullptr;
    float m_fProgressCount = 0.0f;
    std::atomic<int> m_bSnapshotRequest{0};
    int m_nSnapshotArg = 1;
    std::atomic<int> m_bWatching{0};
    VXM_JOB_QUEUE m_vecJobQueue;         // steps not yet started
    VXM_JOB_QUEUE m_vecDoneJobs;         // a copy of each started step
    std::unique_ptr<VXM_JOB_COMMAND> m_pCurrentJob;
    BOOL m_bTrackPosition = TRUE;
    std::atomic<int> m_bReportFinish{1}; // 0: the monitor posts no end message
    std::wstring m_strPartialOutput;      // the output's temporary name while the job runs
    int m_nJobType = 0;
    std::atomic<int> m_nKillFlag{0};     // 1 asks a WMV or APE step to stop
    CThreadShare m_threadShare;          // a conversion's encoder share, held until the runner goes

    // Time a child step gets to end after SIGINT before its group is killed.
    static constexpr DWORD kChildStopTimeoutMs = 1000;

private:
    void RunThread();
    void WatchThread();
    void WorkerThread(int jobType);
    // Job types run on a worker thread rather than as a child process.
    static bool InProcess(int jobType)
    {
        return jobType == JOB_TYPE_FFMPEG || jobType == JOB_TYPE_WMV || jobType == JOB_TYPE_APE;
    }
    // The worker's last act: its end is set and, in mode 2, posted.
    void WorkerDone();
    // What the monitor hears of the ended step: -1 when it was stopped.
    int StepResult() const;
    // What escaped the watcher or the worker: logged, and the step fails.
    void WatchFailed(const std::string& what);
    void WorkerFailed(const std::string& what);
    // Tells the monitor thread that the step ended with `result`.
    void PostStepEnd(int result);
    // The run's worker as the watcher and Close see it.
    bool WaitWorkerEnd(DWORD ms);

    // Held by Open until it returns: the watcher reports no end before, so
    // the end's handler never deletes a runner that Open still uses.
    std::mutex m_openLock;
    mutable std::mutex m_workerLock;     // guards the worker pointers and the stop request
    std::unique_ptr<CMessageThread> m_pWorkerThread;
    std::unique_ptr<CEvent> m_pWorkerDone;
    std::atomic<bool> m_bStopRequested{false};
    std::atomic<bool> m_bPlayerStarted{false};
    std::atomic<bool> m_bPlayerEnded{false};
    std::atomic<INT64> m_nStopTick{0};
};

// Arguments of a child-process step. Interpreter lines start the tool they
// name; the interpreter's file commands (del, ren, copy, move) become the
// system's own tools. Empty for a line without a program.
std::vector<std::wstring> JobProcessArguments(const std::wstring& commandLine);
