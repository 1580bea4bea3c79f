#include "ConvertDriver.h"

#include "CmdFFplay.h"
#include "EngineHooks.h"
#include "EngineLog.h"
#include "platform/thread.h"
#include "OutputProfile.h"
#include "PartialOutput.h"
#include "ProfileJobBuild.h"
#include "ProfileManager.h"
#include "RunnerHooks.h"
#include "VXMMessages.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "platform/paths.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

constexpr const char* kLogCategory = "ConvertDriver";

namespace fs = std::filesystem;

// A file exists for the driver when it can be opened for reading.
bool FileExists(const std::wstring& path)
{
    if (path.empty())
        return false;
    std::error_code ec;
    if (fs::is_directory(PathFromWide(path), ec))
        return false;
    std::ifstream file(PathFromWide(path), std::ios::binary);
    return file.is_open();
}

void DeleteFileIfPresent(const std::wstring& path)
{
    if (path.empty())
        return;
    std::error_code ec;
    if (fs::is_regular_file(PathFromWide(path), ec) && !fs::remove(PathFromWide(path), ec))
        LogMessageA(kLogCategory, "cannot delete \"%s\": %s", WideToUtf8(path).c_str(), ec.message().c_str());
}

std::string Utf8(const std::wstring& text)
{
    return WideToUtf8(text);
}

LPARAM MediaParam(const VXM_CONVERT_TARGET& target)
{
    return reinterpret_cast<LPARAM>(target.pMedia);
}

// Every message of a conversion names its media: none goes out once the media
// is being released, since a later media may take the same address.
void PostForMedia(const VXM_CONVERT_TARGET& target, HWND hNotify, UINT message, WPARAM wParam)
{
    std::lock_guard<std::mutex> lock(ConvertRunnerLock());
    if (!target.pData->m_bReleasing)
        PostMessage(hNotify, message, wParam, MediaParam(target));
}

bool AcceptsExitCodeOne(int passKind)
{
    return passKind == PASS_ENCODE_2 || passKind == PASS_MPEG_2 || passKind == PASS_DEMUX_VIDEO ||
           passKind == PASS_DEMUX_AUDIO;
}

// Inputs that are device addresses rather than files.
bool IsDeviceInput(const std::wstring& input)
{
    return input.find(L"dvdnav") != std::wstring::npos || input.find(L"track ") != std::wstring::npos ||
           input.find(L"bluray:") != std::wstring::npos;
}

bool OnMonitorThread(const CVXMMediaBase& data)
{
    return data.m_hMonitorThread && data.m_hMonitorThread->GetThreadId() == GetCurrentThreadId();
}

// Takes the conversion runner away from the media, then closes and deletes
// it. The temporary name of the output it was writing.
std::wstring DeleteConvertRunner(CVXMMediaBase& data)
{
    CCmdFFplay* runner = nullptr;
    {
        std::lock_guard<std::mutex> lock(ConvertRunnerLock());
        runner = data.m_pConvertRunner;
        data.m_pConvertRunner = nullptr;
    }
    std::wstring partial;
    if (runner) {
        runner->Close();
        partial = std::move(runner->m_strPartialOutput);
        delete runner;
    }
    return partial;
}

// The same for a conversion that did not succeed: its partial output goes.
void DiscardConvertRunner(CVXMMediaBase& data)
{
    const std::wstring partial = DeleteConvertRunner(data);
    if (!partial.empty())
        DropPartialOutput(partial);
}

// Joins an ended (or ending) monitor thread. Only the program's thread calls it.
void JoinMonitorThread(CVXMMediaBase& data)
{
    if (!data.m_hMonitorThread || OnMonitorThread(data))
        return;
    data.m_hMonitorThread->Join();
    data.m_hMonitorThread.reset();
    std::lock_guard<std::mutex> lock(ConvertRunnerLock());
    data.m_nMonitorThreadId = 0;
}

// The monitor has done its work: a new conversion may start from now on.
void MarkMonitorDone(CVXMMediaBase& data)
{
    std::lock_guard<std::mutex> lock(ConvertRunnerLock());
    data.m_nMonitorThreadId = 0;
}

std::vector<CVXMMediaBase*> JoinedMedia(const CVXMMediaBase& data)
{
    std::vector<CVXMMediaBase*> out;
    for (IVXMMedia* media : data.m_lstJoin) {
        if (auto* joined = dynamic_cast<CVXMMediaBase*>(media))
            out.push_back(joined);
    }
    return out;
}

// The names the job's build reserved (its steps' outputs and the media's).
std::vector<std::wstring> ReservedJobNames(const CVXMMediaBase& data, const CCmdFFplay& runner)
{
    std::vector<std::wstring> names{data.m_strOutputFile};
    for (const CVXMMediaBase* media : JoinedMedia(data))
        names.push_back(media->m_strOutputFile);
    for (const VXM_JOB_QUEUE* steps : {&runner.m_vecDoneJobs, &runner.m_vecJobQueue})
        for (const auto& step : *steps)
            if (step)
                names.push_back(step->strOutput);
    return names;
}

// They go back once the job has ended and its files are gone or finished:
// a failed try leaves no file, so the next try takes the same name.
void ReleaseJobNames(const std::vector<std::wstring>& names)
{
    for (const std::wstring& name : names)
        if (!name.empty())
            ReleaseOutputName(name);
}

void DeleteTempFile(CVXMMediaBase& data)
{
    data.DeleteJobTempFiles();
    if (data.m_strTempFile.empty())
        return;
    DeleteFileIfPresent(data.m_strTempFile);
    data.m_strTempFile.clear();
}

// Media read from a disc (DVD title, CD track) rather than from a file.
bool IsDiscMedia(const CVXMMediaBase& data)
{
    return data.m_nMediaKind != 0;
}

// Takes the next step off the queue and checks its input (unless told not
// to). 0, or the code the conversion ends with.
int TakeNextStep(CCmdFFplay& runner, VXM_JOB_COMMAND& job, bool testInput = true)
{
    if (!PopJob(runner.m_vecJobQueue, runner.m_pCurrentJob, runner.m_bTrackPosition, job)) {
        LogMessageA(kLogCategory, "the next step of the job has no command line");
        return -1;
    }
    if (testInput && !job.strInput.empty() && !IsDeviceInput(job.strInput) && !FileExists(job.strInput)) {
        LogMessageA(kLogCategory, "the input \"%s\" of a job step cannot be opened", Utf8(job.strInput).c_str());
        return -2;
    }
    return 0;
}

// Records the step as started, tells the window and launches it. False when
// the launch failed (the record is taken back).
bool LaunchStep(const VXM_CONVERT_TARGET& target, CCmdFFplay& runner, const VXM_JOB_COMMAND& job, HWND hNotify)
{
    runner.m_vecDoneJobs.push_back(std::make_unique<VXM_JOB_COMMAND>(job));
    PostForMedia(target, hNotify, WM_VXM_JOB_STEP_STARTED, static_cast<WPARAM>(job.nPassKind));
    if (runner.Open(job.strCmdLine, job.nType))
        return true;
    runner.m_vecDoneJobs.pop_back();
    LogMessageA(kLogCategory, "a job step of type %d could not be launched: %s", job.nType,
                Utf8(job.strCmdLine).c_str());
    return false;
}

void FinishFailed(const VXM_CONVERT_TARGET& target, CCmdFFplay* runner, int result, HWND hNotify)
{
    CVXMMediaBase& data = *target.pData;
    if (result != -1) {  // a stop is no failure to explain
        data.m_strLastError =
            NameOutputIn(Utf8ToWide(runner->LastErrorLine()), runner->m_strPartialOutput, data.m_strOutputFile);
        data.m_nLastErrorCodePage = runner->LastErrorCodePage();
    }
    const std::vector<std::wstring> names = ReservedJobNames(data, *runner);
    VXM_JOB_QUEUE started = std::move(runner->m_vecDoneJobs);
    const bool report = runner->m_bReportFinish.load() != 0;
    DiscardConvertRunner(data);

    // The outputs of the started steps are partial: remove them (never a source).
    std::vector<CVXMMediaBase*> joined = JoinedMedia(data);
    for (const auto& step : started) {
        if (!step || step->strOutput.empty())
            continue;
        bool isSource = step->strOutput == data.m_strSourcePath;
        for (CVXMMediaBase* media : joined)
            isSource = isSource || step->strOutput == media->m_strSourcePath;
        if (!isSource && FileExists(step->strOutput))
            DeleteFileIfPresent(step->strOutput);
    }
    if (!data.m_strOutputName.empty())
        data.m_strOutputName.clear();
    for (CVXMMediaBase* media : joined) {
        DeleteTempFile(*media);
        media->DeletePassLogFiles();
        media->DeleteOverlayFiles();
    }
    DeleteTempFile(data);
    data.DeletePassLogFiles();
    data.DeleteOverlayFiles();
    if (!data.m_strTempOutput.empty())
        DeleteFileIfPresent(data.m_strTempOutput);

    ReleaseJobNames(names);

    LogMessageA(kLogCategory, "conversion of \"%s\" ended with %d", Utf8(data.m_strSourcePath).c_str(), result);
    *target.pPositionOffset = 0;
    MarkMonitorDone(data);
    if (report)
        PostForMedia(target, hNotify, WM_VXM_JOB_FINISHED, static_cast<WPARAM>(result));
}

void FinishDone(const VXM_CONVERT_TARGET& target, CCmdFFplay* runner, HWND hNotify)
{
    CVXMMediaBase& data = *target.pData;
    if (!data.m_lstJoin.empty() && !data.m_strTempOutput.empty() && !FileExists(data.m_strTempOutput)) {
        // The join wrote nothing: the output stays as it is and the
        // conversion failed.
        LogMessageA(kLogCategory, "the joined file \"%s\" was not written", Utf8(data.m_strTempOutput).c_str());
        FinishFailed(target, runner, 1, hNotify);
        return;
    }

    const bool report = runner->m_bReportFinish.load() != 0;
    const std::vector<std::wstring> names = ReservedJobNames(data, *runner);
    const std::wstring partial = DeleteConvertRunner(data);
    if (!data.m_strOutputName.empty())
        data.m_strOutputName.clear();

    int result = 0;
    if (!partial.empty() && !FinishPartialOutput(partial, data.m_strOutputFile))
        result = 1;
    std::vector<CVXMMediaBase*> joined = JoinedMedia(data);
    if (!joined.empty()) {
        for (CVXMMediaBase* media : joined) {
            if (FileExists(media->m_strOutputFile))
                DeleteFileIfPresent(media->m_strOutputFile);
            media->DeletePassLogFiles();
            media->DeleteOverlayFiles();
            DeleteTempFile(*media);
        }
        if (!data.m_strTempOutput.empty()) {
            if (FileExists(data.m_strOutputFile))
                DeleteFileIfPresent(data.m_strOutputFile);
            std::error_code ec;
            fs::rename(PathFromWide(data.m_strTempOutput), PathFromWide(data.m_strOutputFile), ec);
            if (ec) {
                LogMessageA(kLogCategory, "cannot rename \"%s\" to \"%s\": %s", Utf8(data.m_strTempOutput).c_str(),
                            Utf8(data.m_strOutputFile).c_str(), ec.message().c_str());
                result = 1;
            }
        }
    }
    DeleteTempFile(data);
    data.DeletePassLogFiles();
    data.DeleteOverlayFiles();
    if (result == 0 && !IsDiscMedia(data))
        data.CopySourceFileTimes();
    ReleaseJobNames(names);
    *target.pPositionOffset = 0;
    MarkMonitorDone(data);
    if (!report)
        return;
    // Done is all of it, whatever length the percentages were taken of (a
    // probed length may be an estimate).
    if (result == 0)
        PostForMedia(target, hNotify, WM_VXM_CONVERT_PROGRESS, 1000);
    PostForMedia(target, hNotify, WM_VXM_JOB_FINISHED, static_cast<WPARAM>(result));
}

// Handles the end of a step on the monitor thread. True when the conversion
// has ended.
bool HandleStepEnd(const VXM_CONVERT_TARGET& target, CCmdFFplay* runner, int result, HWND hNotify, int value)
{
    const int kind = runner->m_pCurrentJob ? runner->m_pCurrentJob->nPassKind : PASS_PLAIN;
    // A disc step's every non-zero exit is a failure.
    if (result == 1 && AcceptsExitCodeOne(kind) && !IsDiscMedia(*target.pData))
        result = 0;
    if (runner->IsStopRequested())
        result = -1;  // a stop between two steps is a stop too

    if (result == 0 && !runner->m_vecJobQueue.empty()) {
        if (kind != PASS_SUBTITLE && kind != PASS_THUMBNAIL)
            *target.pPositionOffset = static_cast<int>(*target.pPositionOffset + runner->GetPosition());
        if (!IsDiscMedia(*target.pData))
            LogMessageA(kLogCategory, "current Transcode pos is %d", *target.pPositionOffset);
        runner->Close();
        PostForMedia(target, hNotify, WM_VXM_JOB_STARTED, 0);
        VXM_JOB_COMMAND job;
        result = TakeNextStep(*runner, job);
        if (result == 0 && LaunchStep(target, *runner, job, hNotify))
            return false;
        if (result == 0)
            result = -1;
        FinishFailed(target, runner, result, hNotify);
        return true;
    }
    if (result == 0)
        FinishDone(target, runner, hNotify);
    else
        FinishFailed(target, runner, result, hNotify);
    return true;
}

void MonitorThread(VXM_CONVERT_TARGET target, HWND hNotify, int value)
{
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0) > 0) {
        if (msg.message != WM_VXM_JOB_FINISHED)
            continue;
        CCmdFFplay* runner = nullptr;
        {
            std::lock_guard<std::mutex> lock(ConvertRunnerLock());
            runner = target.pData->m_pConvertRunner;
        }
        if (!runner)
            break;
        if (reinterpret_cast<CCmdFFplay*>(msg.lParam) != runner)
            continue;  // a message of a runner that is gone
        if (HandleStepEnd(target, runner, static_cast<int>(msg.wParam), hNotify, value))
            break;
    }
}

// What escaped the monitor's body: the conversion ends as failed, with its
// runner and partial files gone, and the window hears it.
void MonitorFailed(const VXM_CONVERT_TARGET& target, HWND hNotify, const std::string& what)
{
    CVXMMediaBase& data = *target.pData;
    LogMessageA(kLogCategory, "the conversion of \"%s\" failed: %s", Utf8(data.m_strSourcePath).c_str(), what.c_str());
    CCmdFFplay* runner = nullptr;
    {
        std::lock_guard<std::mutex> lock(ConvertRunnerLock());
        runner = data.m_pConvertRunner;
    }
    if (runner) {
        runner->RequestStop();
        FinishFailed(target, runner, 1, hNotify);
        return;
    }
    MarkMonitorDone(data);
    PostMessage(hNotify, WM_VXM_JOB_FINISHED, 1, MediaParam(target));
}

// Ends a conversion that never got a monitor: the runner goes, the window
// hears the code.
void FailBeforeMonitor(const VXM_CONVERT_TARGET& target, int result, HWND hNotify)
{
    std::vector<std::wstring> names;
    if (const CCmdFFplay* runner = target.pData->m_pConvertRunner)
        names = ReservedJobNames(*target.pData, *runner);
    DiscardConvertRunner(*target.pData);
    target.pData->DeleteJobTempFiles();
    for (CVXMMediaBase* media : JoinedMedia(*target.pData))
        media->DeleteJobTempFiles();
    ReleaseJobNames(names);
    PostForMedia(target, hNotify, WM_VXM_JOB_FINISHED, static_cast<WPARAM>(result));
}

}  // namespace

void ConvertStart(const VXM_CONVERT_TARGET& target, IProfile* profile, HWND hNotify, int value)
{
    CVXMMediaBase& data = *target.pData;
    if (OnMonitorThread(data)) {
        LogMessageA(kLogCategory, "a conversion cannot be started from its own monitor");
        return;
    }
    {
        std::lock_guard<std::mutex> lock(ConvertRunnerLock());
        if (data.m_pConvertRunner && data.m_nMonitorThreadId != 0) {
            LogMessageA(kLogCategory, "\"%s\" is already being converted", Utf8(data.m_strSourcePath).c_str());
            return;
        }
    }
    JoinMonitorThread(data);  // the monitor of an earlier conversion

    PostForMedia(target, hNotify, WM_VXM_JOB_STARTED, 0);
    if (profile) {
        data.m_strLastError.clear();
        data.m_nLastErrorCodePage = -1;
    }

    CCmdFFplay* runner = data.m_pConvertRunner;
    if (!runner) {
        runner = new (std::nothrow) CCmdFFplay();
        if (!runner) {
            PostForMedia(target, hNotify, WM_VXM_JOB_FINISHED, static_cast<WPARAM>(-1));
            return;
        }
        std::lock_guard<std::mutex> lock(ConvertRunnerLock());
        data.m_pConvertRunner = runner;
    }
    runner->m_nMode = 2;
    runner->m_pMedia = &data;
    runner->m_hNotifyWnd = hNotify;

    if (profile) {
        // Beyond the conversions that may hold the thread limit at once, one
        // gets a single encoder thread, for the parts it joins as well.
        const VXM_ENGINE_SETTINGS* settings = GetEngineSettings();
        std::vector<CVXMMediaBase*> built = JoinedMedia(data);
        built.push_back(&data);
        const int threads = settings && settings->CPUCores < 1
                                ? runner->m_threadShare.Take(settings->ThreadLimit, settings->ThreadLimitHolders)
                                : 0;
        for (CVXMMediaBase* media : built)
            media->m_nConvertThreads = threads;
        if (g_RunnerHooks.pfnBuildMediaCommands)
            g_RunnerHooks.pfnBuildMediaCommands(target.pMedia, profile, runner->m_vecJobQueue);
        else
            LogMessageA(kLogCategory, "no job can be built for \"%s\": the job builder is not built in",
                        Utf8(data.m_strSourcePath).c_str());
        for (CVXMMediaBase* media : built)
            media->m_nConvertThreads = 0;
        if (data.m_nMediaKind != 2)
            runner->m_fProgressCount = 0.0f;
    }
    if (runner->m_vecJobQueue.empty()) {
        LogMessageA(kLogCategory, "the job of \"%s\" has no step", Utf8(data.m_strSourcePath).c_str());
        FailBeforeMonitor(target, -1, hNotify);
        return;
    }
    // The output is written under a temporary name (a join has its own).
    if (profile && data.m_lstJoin.empty())
        runner->m_strPartialOutput = UsePartialOutput(runner->m_vecJobQueue, data.m_strOutputFile);

    VXM_JOB_COMMAND job;
    // A CD track's input is the drive: it is not opened to test it.
    if (int result = TakeNextStep(*runner, job, data.m_nMediaKind != 2)) {
        FailBeforeMonitor(target, result, hNotify);
        return;
    }

    auto monitor = std::make_unique<CMessageThread>();
    if (!monitor->Start([target, hNotify, value](CMessageThread&) { MonitorThread(target, hNotify, value); },
                        [target, hNotify](const std::string& what) { MonitorFailed(target, hNotify, what); })) {
        LogMessageA(kLogCategory, "the monitor thread cannot start");
        FailBeforeMonitor(target, -1, hNotify);
        return;
    }
    const DWORD monitorId = monitor->GetThreadId();
    {
        std::lock_guard<std::mutex> lock(ConvertRunnerLock());
        data.m_nMonitorThreadId = monitorId;
    }
    data.m_hMonitorThread = std::move(monitor);

    if (!LaunchStep(target, *runner, job, hNotify)) {
        // The monitor ends the conversion: it cleans up and reports -1.
        PostThreadMessage(monitorId, WM_VXM_JOB_FINISHED, static_cast<WPARAM>(-1),
                          reinterpret_cast<LPARAM>(runner));
    }
}

void ConvertPause(CVXMMediaBase& data)
{
    std::lock_guard<std::mutex> lock(ConvertRunnerLock());
    if (data.m_pConvertRunner && data.m_pConvertRunner->IsWorkerRunning() && data.m_hPauseEvent)
        data.m_hPauseEvent->Reset();
}

void ConvertResume(CVXMMediaBase& data)
{
    std::lock_guard<std::mutex> lock(ConvertRunnerLock());
    if (data.m_pConvertRunner && data.m_pConvertRunner->IsWorkerRunning() && data.m_hPauseEvent)
        data.m_hPauseEvent->Set();
}

void ConvertStop(CVXMMediaBase& data)
{
    if (OnMonitorThread(data)) {
        LogMessageA(kLogCategory, "a conversion cannot be stopped from its own monitor");
        return;
    }
    {
        std::lock_guard<std::mutex> lock(ConvertRunnerLock());
        if (data.m_pConvertRunner) {
            if (data.m_hPauseEvent)
                data.m_hPauseEvent->Set();  // a paused run must see the stop
            data.m_pConvertRunner->RequestStop();
        }
    }
    JoinMonitorThread(data);
    // A runner left without a monitor (its start failed half-way) goes too.
    if (data.m_pConvertRunner)
        DiscardConvertRunner(data);
}

float ConvertPosition(CVXMMediaBase& data, int positionOffset)
{
    std::lock_guard<std::mutex> lock(ConvertRunnerLock());
    CCmdFFplay* runner = data.m_pConvertRunner;
    if (!runner || !runner->IsWorkerRunning())
        return 0.0f;
    return static_cast<float>(static_cast<int>(runner->GetPosition()) + positionOffset);
}

int ConvertState(CVXMMediaBase& data)
{
    std::lock_guard<std::mutex> lock(ConvertRunnerLock());
    CCmdFFplay* runner = data.m_pConvertRunner;
    if (!runner || !runner->IsWorkerRunning())
        return 0;
    return runner->m_dCurrentTime.load() == -1.0 ? -1 : 1;
}

void ConvertReportProgress(const VXM_CONVERT_TARGET& target, int who)
{
    const bool player = who == 1;
    IVXMMedia& media = *target.pMedia;
    const int length = player ? media.GetDuration() : media.GetClipLength();
    float percent = 0.0f;
    if (length != 0) {
        const float position = player ? media.GetPreviewPosition() : media.GetConvertPosition();
        const float played = position * 1000.0f - static_cast<float>(media.GetStartTime());
        percent = std::min(static_cast<float>(length), played) * 100.0f / static_cast<float>(length);
        percent = std::clamp(percent, 0.0f, 100.0f);
    }
    PostRunnerProgress(*target.pData, target.pMedia, player, percent);
}

void PostRunnerProgress(CVXMMediaBase& data, IVXMMedia* media, bool player, float percent)
{
    std::lock_guard<std::mutex> lock(ConvertRunnerLock());
    CCmdFFplay* runner = player ? data.m_pPreviewRunner : data.m_pConvertRunner;
    if (!runner || data.m_bReleasing)
        return;
    const float before = runner->m_fProgressCount;
    runner->m_fProgressCount = before + 1.0f;
    if (before < 2.0f)
        return;
    runner->m_fProgressCount = 0.0f;
    PostMessage(runner->m_hNotifyWnd, player ? WM_VXM_PREVIEW_PROGRESS : WM_VXM_CONVERT_PROGRESS,
                static_cast<WPARAM>(10 * static_cast<int>(percent)), reinterpret_cast<LPARAM>(media));
}

std::uint64_t ConvertEstimateOutputSize(const VXM_CONVERT_TARGET& target, IProfile* profile)
{
    IVXMMedia& media = *target.pMedia;
    const int start = media.GetStartTime();
    int length = media.GetClipLength();
    if (const int end = media.GetEndTime(); end != 0) {
        const int cut = media.GetClipLength() + start < end ? 0 : end;
        if (cut != 0)
            length = cut - start;
    }
    auto* output = dynamic_cast<COutputProfile*>(profile);
    if (length == 0 || !output)
        return 0;
    std::uint64_t bitrate = 0;
    // Audio counts unless the disable-stream value is exactly "Yes".
    if (target.pData->m_bHasAudio && output->GetItem(ITEM_DISABLE_AUDIO)->m_strValue != L"Yes")
        bitrate = static_cast<std::uint64_t>(std::max(0, std::atoi(Utf8(profile->GetAudioBitrate()).c_str())));
    if (target.pData->m_bHasVideo)
        bitrate += static_cast<std::uint64_t>(std::max(0, std::atoi(Utf8(profile->GetVideoBitrate()).c_str())));
    return static_cast<std::uint64_t>(length / 1000) * bitrate / 8;
}

void StopMediaRunners(CVXMMediaBase& data)
{
    {
        std::lock_guard<std::mutex> lock(ConvertRunnerLock());
        data.m_bReleasing = true;  // the media is going: nobody may hear of it
        if (CCmdFFplay* runner = data.m_pConvertRunner) {
            runner->m_bReportFinish = 0;  // the media is going: nobody may hear of it
            if (data.m_hPauseEvent)
                data.m_hPauseEvent->Set();
            runner->RequestStop();
        }
    }
    JoinMonitorThread(data);
    if (data.m_pConvertRunner)
        DiscardConvertRunner(data);
    for (CCmdFFplay** slot : {&data.m_pProbeRunner, &data.m_pPreviewRunner, &data.m_pThumbnailRunner}) {
        CCmdFFplay* runner = nullptr;
        {
            std::lock_guard<std::mutex> lock(ConvertRunnerLock());
            runner = *slot;
            *slot = nullptr;
        }
        if (runner) {
            runner->RequestStop();
            runner->Close();
            delete runner;
        }
    }
}
