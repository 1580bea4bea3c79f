// A conversion as the program sees it: the messages of its steps and its end,
// with real child processes and stand-in in-process steps.
#include "CmdFFplay.h"
#include "EngineHooks.h"
#include "IProfile.h"
#include "RunnerHooks.h"
#include "VXMMediaExports.h"
#include "VXMMediaImpl.h"
#include "platform/thread.h"
#include "runner_support.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <filesystem>
#include <fstream>

using namespace runnertest;

namespace {

std::wstring W(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

std::wstring Quoted(const std::string& path)
{
    return L"\"" + W(path) + L"\"";
}

bool Exists(const std::string& path)
{
    return std::filesystem::exists(path);
}

class ConvertDriver : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_hooks = g_RunnerHooks;
        m_children = CountChildProcesses();
        m_threads = CountThreads();
    }
    void TearDown() override
    {
        for (IVXMMedia* media : m_media)
            media->Release();
        g_RunnerHooks = m_hooks;
        EXPECT_TRUE(SettlesTo(m_children, m_threads)) << "children " << CountChildProcesses() << " threads "
                                                      << CountThreads() << " (were " << m_children << ", "
                                                      << m_threads << ")";
    }

    // A media object whose conversion runs exactly these steps.
    IVXMMedia* NewMedia(std::vector<std::unique_ptr<VXM_JOB_COMMAND>> steps)
    {
        auto* media = new CVXMMediaImpl();
        m_media.push_back(media);
        media->m_strSourcePath = W(m_dir.File("source.mp4"));
        if (!steps.empty()) {
            media->m_pConvertRunner = new CCmdFFplay();
            for (auto& step : steps)
                media->m_pConvertRunner->m_vecJobQueue.push_back(std::move(step));
        }
        return media;
    }

    static std::vector<std::unique_ptr<VXM_JOB_COMMAND>> Steps(std::unique_ptr<VXM_JOB_COMMAND> a,
                                                               std::unique_ptr<VXM_JOB_COMMAND> b = nullptr,
                                                               std::unique_ptr<VXM_JOB_COMMAND> c = nullptr)
    {
        std::vector<std::unique_ptr<VXM_JOB_COMMAND>> out;
        for (auto* s : {&a, &b, &c})
            if (*s)
                out.push_back(std::move(*s));
        return out;
    }

    static LPARAM Param(IVXMMedia* media) { return reinterpret_cast<LPARAM>(media); }

    // The messages of the media without the progress reports.
    std::vector<std::pair<UINT, long long>> Sequence(IVXMMedia* media) const
    {
        std::vector<std::pair<UINT, long long>> out;
        for (const CPosted& m : m_window.MessagesFor(Param(media)))
            if (m.message != WM_VXM_CONVERT_PROGRESS)
                out.push_back({m.message, m.wParam});
        return out;
    }

    long long FinishCode(IVXMMedia* media) const
    {
        for (const CPosted& m : m_window.MessagesFor(Param(media)))
            if (m.message == WM_VXM_JOB_FINISHED)
                return m.wParam;
        return 999999;
    }

    static CVXMMediaBase* Data(IVXMMedia* media) { return dynamic_cast<CVXMMediaBase*>(media); }

    vxmtest::CTempDir m_dir;
    CRecordingWindow m_window;
    std::vector<IVXMMedia*> m_media;
    VXM_RUNNER_HOOKS m_hooks{};
    int m_children = 0;
    int m_threads = 0;
};

using Seq = std::vector<std::pair<UINT, long long>>;

// ---- the message sequence of a conversion ----

TEST_F(ConvertDriver, ThreeStepsPostStartedAndStepStartedThriceAndFinishedOnce)
{
    IVXMMedia* media = NewMedia(Steps(Step(L"true", PASS_ENCODE_1), Step(L"true", PASS_ENCODE_2),
                                      Step(L"true", PASS_PLAIN)));
    media->StartConvert(nullptr, m_window.Get(), 0);
    ASSERT_TRUE(m_window.WaitFinished());
    m_window.Pump();
    Seq expected = {{WM_VXM_JOB_STARTED, 0}, {WM_VXM_JOB_STEP_STARTED, PASS_ENCODE_1},
                    {WM_VXM_JOB_STARTED, 0}, {WM_VXM_JOB_STEP_STARTED, PASS_ENCODE_2},
                    {WM_VXM_JOB_STARTED, 0}, {WM_VXM_JOB_STEP_STARTED, PASS_PLAIN},
                    {WM_VXM_JOB_FINISHED, 0}};
    EXPECT_EQ(Sequence(media), expected);
    EXPECT_EQ(Data(media)->m_pConvertRunner, nullptr);
}

TEST_F(ConvertDriver, ExitCodeOneIsSuccessOnlyForTheSecondPassKinds)
{
    const std::wstring exitOne = Quoted(WriteScript(m_dir.File("one.sh"), "exit 1"));
    for (int kind : {PASS_ENCODE_2, PASS_MPEG_2, PASS_DEMUX_VIDEO, PASS_DEMUX_AUDIO}) {
        CRecordingWindow window;
        IVXMMedia* media = NewMedia(Steps(Step(exitOne, kind)));
        media->StartConvert(nullptr, window.Get(), 0);
        ASSERT_TRUE(window.WaitFinished());
        EXPECT_EQ(window.MessagesFor(Param(media)).back().wParam, 0) << "pass kind " << kind;
    }
    for (int kind : {PASS_PLAIN, PASS_ENCODE_1, PASS_MPEG_SINGLE, PASS_MPEG_1, PASS_JOIN}) {
        CRecordingWindow window;
        IVXMMedia* media = NewMedia(Steps(Step(exitOne, kind)));
        media->StartConvert(nullptr, window.Get(), 0);
        ASSERT_TRUE(window.WaitFinished());
        EXPECT_EQ(window.MessagesFor(Param(media)).back().wParam, 1) << "pass kind " << kind;
    }
}

TEST_F(ConvertDriver, AFailedStepEndsTheJobWithItsCodeAndRunsNothingAfter)
{
    const std::string marker = m_dir.File("marker");
    const std::string output = m_dir.File("partial.mp4");
    const std::wstring partial =
        Quoted(WriteScript(m_dir.File("partial.sh"), "echo data > '" + output + "'\nexit 3"));
    IVXMMedia* media = NewMedia(Steps(Step(L"true", PASS_ENCODE_1), Step(partial, PASS_MPEG_SINGLE, L"", W(output)),
                                      Step(L"touch " + Quoted(marker))));
    media->StartConvert(nullptr, m_window.Get(), 0);
    ASSERT_TRUE(m_window.WaitFinished());
    m_window.Pump();
    EXPECT_EQ(FinishCode(media), 3);
    EXPECT_EQ(m_window.CountOf(WM_VXM_JOB_STEP_STARTED), 2);
    EXPECT_FALSE(Exists(marker));
    EXPECT_FALSE(Exists(output)) << "a failed conversion leaves no partial output";
}

TEST_F(ConvertDriver, FalseAsTheOnlyStepFails)
{
    IVXMMedia* media = NewMedia(Steps(Step(L"false")));
    media->StartConvert(nullptr, m_window.Get(), 0);
    ASSERT_TRUE(m_window.WaitFinished());
    EXPECT_EQ(FinishCode(media), 1);
}

TEST_F(ConvertDriver, AFailedChildToolLeavesItsLastErrorLineWithTheMedia)
{
    const std::string script = WriteScript(m_dir.File("tool.sh"),
                                           "printf 'working 10%%\\rworking 90%%\\r' >&2\n"
                                           "echo 'tool: cannot write out.mp4' >&2\nexit 3");
    IVXMMedia* media = NewMedia(Steps(Step(L"\"" + W(script) + L"\"")));
    media->StartConvert(nullptr, m_window.Get(), 0);
    ASSERT_TRUE(m_window.WaitFinished());
    EXPECT_EQ(FinishCode(media), 3);
    EXPECT_EQ(Data(media)->m_strLastError, L"tool: cannot write out.mp4");
}

TEST_F(ConvertDriver, TemporaryAndPassLogFilesGoWhenTheConversionFails)
{
    IVXMMedia* media = NewMedia(Steps(Step(L"false")));
    CVXMMediaBase* data = Data(media);
    const std::string temp = m_dir.File("sub.ass"), log = m_dir.File("pass-0.log");
    std::ofstream(temp) << "x";
    std::ofstream(log) << "x";
    data->m_strTempFile = W(temp);
    data->m_strPassLogFile = W(log);
    media->StartConvert(nullptr, m_window.Get(), 0);
    ASSERT_TRUE(m_window.WaitFinished());
    EXPECT_FALSE(Exists(temp));
    EXPECT_FALSE(Exists(log));
    EXPECT_TRUE(data->m_strTempFile.empty());
}

// ---- conversions that cannot start ----

TEST_F(ConvertDriver, AnEmptyQueueStillPostsFinishedWithAFailure)
{
    IVXMMedia* media = NewMedia({});
    media->StartConvert(nullptr, m_window.Get(), 0);
    m_window.Pump();
    Seq expected = {{WM_VXM_JOB_STARTED, 0}, {WM_VXM_JOB_FINISHED, -1}};
    EXPECT_EQ(Sequence(media), expected);
    EXPECT_EQ(Data(media)->m_pConvertRunner, nullptr);
    EXPECT_EQ(Data(media)->m_hMonitorThread, nullptr);
}

TEST_F(ConvertDriver, AProfileWithoutAJobBuilderFailsCleanly)
{
    g_RunnerHooks.pfnBuildMediaCommands = nullptr;
    IVXMMedia* media = NewMedia({});
    media->StartConvert(reinterpret_cast<IProfile*>(&m_dir), m_window.Get(), 0);
    m_window.Pump();
    EXPECT_EQ(FinishCode(media), -1);
}

TEST_F(ConvertDriver, AnUnreadableFirstInputEndsWithMinusTwo)
{
    IVXMMedia* media = NewMedia(Steps(Step(L"true", PASS_ENCODE_1, W(m_dir.File("missing.mp4")))));
    media->StartConvert(nullptr, m_window.Get(), 0);
    m_window.Pump();
    Seq expected = {{WM_VXM_JOB_STARTED, 0}, {WM_VXM_JOB_FINISHED, -2}};
    EXPECT_EQ(Sequence(media), expected);
    EXPECT_EQ(Data(media)->m_hMonitorThread, nullptr);
}

TEST_F(ConvertDriver, DeviceInputsAreNotCheckedAsFiles)
{
    IVXMMedia* media = NewMedia(Steps(Step(L"true", PASS_ENCODE_1, L"dvdnav:/dev/sr0")));
    media->StartConvert(nullptr, m_window.Get(), 0);
    ASSERT_TRUE(m_window.WaitFinished());
    EXPECT_EQ(FinishCode(media), 0);
}

TEST_F(ConvertDriver, AFirstStepThatCannotStartFailsAndLeavesNoMonitorWaiting)
{
    IVXMMedia* media = NewMedia(Steps(Step(L"/nonexistent/tool -i x"), Step(L"true")));
    media->StartConvert(nullptr, m_window.Get(), 0);
    ASSERT_TRUE(m_window.WaitFinished());
    EXPECT_EQ(FinishCode(media), -1);
    EXPECT_EQ(Data(media)->m_pConvertRunner, nullptr);
}

TEST_F(ConvertDriver, AStartWhileConvertingIsRefused)
{
    IVXMMedia* media = NewMedia(Steps(Step(L"sleep 30")));
    media->StartConvert(nullptr, m_window.Get(), 0);
    media->StartConvert(nullptr, m_window.Get(), 0);
    m_window.Pump();
    EXPECT_EQ(m_window.CountOf(WM_VXM_JOB_STARTED), 1);
    media->StopConvert();
    m_window.Pump();
    EXPECT_EQ(FinishCode(media), -1);
}

TEST_F(ConvertDriver, AMediaCanBeConvertedAgainAfterItsEnd)
{
    IVXMMedia* media = NewMedia(Steps(Step(L"true")));
    media->StartConvert(nullptr, m_window.Get(), 0);
    ASSERT_TRUE(m_window.WaitFinished());
    Data(media)->m_pConvertRunner = new CCmdFFplay();
    Data(media)->m_pConvertRunner->m_vecJobQueue.push_back(Step(L"true"));
    media->StartConvert(nullptr, m_window.Get(), 0);
    ASSERT_TRUE(m_window.WaitFinished(2));
    EXPECT_EQ(m_window.CountOf(WM_VXM_JOB_STEP_STARTED), 2);
}

// ---- stopping ----

TEST_F(ConvertDriver, StopDuringAChildStepEndsItAndRemovesTheOutputs)
{
    const std::string first = m_dir.File("first.avi");
    const std::string output = m_dir.File("out.mp4");
    const std::wstring writer =
        Quoted(WriteScript(m_dir.File("writer.sh"), "echo data > '" + output + "'\nexec sleep infinity"));
    IVXMMedia* media = NewMedia(Steps(Step(L"touch " + Quoted(first), PASS_ENCODE_1, L"", W(first)),
                                      Step(writer, PASS_ENCODE_2, L"", W(output))));
    media->StartConvert(nullptr, m_window.Get(), 0);
    while (m_window.CountOf(WM_VXM_JOB_STEP_STARTED) < 2)
        m_window.Pump();
    while (!Exists(output))
        Sleep(20);
    ASSERT_TRUE(Exists(first));
    // The step never ends by itself: only the stop ends it.
    media->StopConvert();
    m_window.Pump();
    EXPECT_EQ(FinishCode(media), -1);
    EXPECT_FALSE(Exists(first));
    EXPECT_FALSE(Exists(output));
    EXPECT_EQ(Data(media)->m_pConvertRunner, nullptr);
}

TEST_F(ConvertDriver, AStepThatIgnoresInterruptIsKilledAfterTheTimeout)
{
    // The step says when it ignores the interrupt: a stop before that would end it at once.
    const std::string ready = m_dir.File("trapped");
    const std::wstring stubborn = Quoted(
        WriteScript(m_dir.File("stubborn.sh"), "trap '' INT\ntouch '" + ready + "'\nsleep infinity"));
    IVXMMedia* media = NewMedia(Steps(Step(stubborn)));
    media->StartConvert(nullptr, m_window.Get(), 0);
    while (!Exists(ready))
        m_window.Pump();
    ASSERT_TRUE(Exists(ready));
    // The step never ends by itself: only the kill after the timeout ends it.
    const INT64 start = GetTickCount64();
    media->StopConvert();
    EXPECT_GE(GetTickCount64() - start, 900);
    m_window.Pump();
    EXPECT_EQ(FinishCode(media), -1);
}

TEST_F(ConvertDriver, AStopBetweenTwoStepsIsAStop)
{
    const std::string marker = m_dir.File("marker");
    IVXMMedia* media = NewMedia(Steps(Step(L"sleep 0.3"), Step(L"touch " + Quoted(marker))));
    media->StartConvert(nullptr, m_window.Get(), 0);
    {
        // Hold the watcher back until the step has ended with 0, then stop.
        std::lock_guard<std::mutex> lock(ConvertRunnerLock());
        CCmdFFplay* runner = Data(media)->m_pConvertRunner;
        ASSERT_NE(runner, nullptr);
        EXPECT_TRUE(runner->WaitWorker(INFINITE));
        Sleep(200);
        runner->RequestStop();
    }
    ASSERT_TRUE(m_window.WaitFinished());
    EXPECT_EQ(FinishCode(media), -1);
    EXPECT_EQ(m_window.CountOf(WM_VXM_JOB_STEP_STARTED), 1);
    EXPECT_FALSE(Exists(marker));
}

TEST_F(ConvertDriver, StopWithNothingRunningDoesNothing)
{
    IVXMMedia* media = NewMedia({});
    media->StopConvert();
    m_window.Pump();
    EXPECT_TRUE(m_window.Messages().empty());
}

TEST_F(ConvertDriver, ReleasingAConvertingMediaStopsItWithoutAMessage)
{
    // The step never ends by itself: a release that did not stop it would never return.
    IVXMMedia* media = NewMedia(Steps(Step(L"sleep infinity")));
    media->StartConvert(nullptr, m_window.Get(), 0);
    m_window.Pump();
    m_media.clear();
    media->Release();
    m_window.Pump();
    EXPECT_EQ(m_window.CountOf(WM_VXM_JOB_FINISHED), 0);
}

// ---- many at once ----

TEST_F(ConvertDriver, EightConversionsAtOnceEachFinishWithTheirOwnMessages)
{
    const std::wstring exitOne = Quoted(WriteScript(m_dir.File("one.sh"), "sleep 0.2\nexit 1"));
    std::vector<IVXMMedia*> medias;
    for (int i = 0; i < 8; ++i) {
        const bool fail = i % 4 == 3;
        medias.push_back(NewMedia(Steps(Step(L"true", PASS_ENCODE_1), Step(exitOne, fail ? PASS_MPEG_1 : PASS_MPEG_2),
                                        Step(L"sleep 0.1"))));
    }
    for (IVXMMedia* media : medias)
        media->StartConvert(nullptr, m_window.Get(), 0);
    ASSERT_TRUE(m_window.WaitFinished(8));
    m_window.Pump();
    for (int i = 0; i < 8; ++i) {
        const bool fail = i % 4 == 3;
        EXPECT_EQ(m_window.CountOf(WM_VXM_JOB_FINISHED, Param(medias[i])), 1) << i;
        EXPECT_EQ(FinishCode(medias[i]), fail ? 1 : 0) << i;
        EXPECT_EQ(m_window.CountOf(WM_VXM_JOB_STEP_STARTED, Param(medias[i])), fail ? 2 : 3) << i;
        EXPECT_EQ(Sequence(medias[i]).back().first, WM_VXM_JOB_FINISHED) << i;
    }
}

// ---- joins ----

TEST_F(ConvertDriver, AJoinReplacesTheOutputWithTheTemporaryFile)
{
    IVXMMedia* other = NewMedia({});
    IVXMMedia* media = NewMedia(Steps(Step(L"true", PASS_JOIN)));
    CVXMMediaBase* data = Data(media);
    const std::string output = m_dir.File("joined.mp4"), temp = m_dir.File("joined_temp.mp4");
    const std::string part = m_dir.File("part2.mp4");
    std::ofstream(output) << "old";
    std::ofstream(temp) << "joined";
    std::ofstream(part) << "part";
    Data(other)->m_strOutputFile = W(part);
    data->m_strOutputFile = W(output);
    data->m_strTempOutput = W(temp);
    media->AddJoinMedia(other);
    media->StartConvert(nullptr, m_window.Get(), 0);
    ASSERT_TRUE(m_window.WaitFinished());
    EXPECT_EQ(FinishCode(media), 0);
    std::string content;
    std::ifstream(output) >> content;
    EXPECT_EQ(content, "joined");
    EXPECT_FALSE(Exists(temp));
    EXPECT_FALSE(Exists(part));
}

TEST_F(ConvertDriver, AJoinWithoutItsTemporaryFileKeepsTheOutputAndFails)
{
    IVXMMedia* other = NewMedia({});
    IVXMMedia* media = NewMedia(Steps(Step(L"true", PASS_JOIN)));
    CVXMMediaBase* data = Data(media);
    const std::string output = m_dir.File("joined.mp4");
    std::ofstream(output) << "old";
    data->m_strOutputFile = W(output);
    data->m_strTempOutput = W(m_dir.File("never_written.mp4"));
    media->AddJoinMedia(other);
    media->StartConvert(nullptr, m_window.Get(), 0);
    ASSERT_TRUE(m_window.WaitFinished());
    EXPECT_NE(FinishCode(media), 0);
    EXPECT_TRUE(Exists(output));
}

// ---- in-process steps ----

std::atomic<int> g_reports{0};

int TranscodeWithProgress(void*, CCmdFFplay* runner)
{
    IVXMMedia* media = dynamic_cast<IVXMMedia*>(runner->m_pMedia);
    runner->m_dCurrentTime = 379.5;  // of 1000 s: 37.9 %
    for (int i = 0; i < 6; ++i)
        media->ReportProgress(2);
    runner->exit_code = 0;
    return 0;
}

TEST_F(ConvertDriver, AnInProcessStepReportsProgressOnEveryThirdCallAndItsEndAsAHundredPercent)
{
    g_RunnerHooks.pfnTranscode = &TranscodeWithProgress;
    IVXMMedia* media = NewMedia(Steps(Step(L"ffmpeg -i x y", PASS_ENCODE_1, L"", L"", JOB_TYPE_FFMPEG)));
    media->SetDuration(1000000);
    media->StartConvert(nullptr, m_window.Get(), 0);
    ASSERT_TRUE(m_window.WaitFinished());
    auto messages = m_window.MessagesFor(Param(media));
    ASSERT_EQ(messages.size(), 6u);
    EXPECT_EQ(messages[0].message, WM_VXM_JOB_STARTED);
    EXPECT_EQ(messages[1].message, WM_VXM_JOB_STEP_STARTED);
    EXPECT_EQ(messages[2].message, WM_VXM_CONVERT_PROGRESS);
    EXPECT_EQ(messages[2].wParam, 370);
    EXPECT_EQ(messages[3].message, WM_VXM_CONVERT_PROGRESS);
    // Done is 100 %, whatever the length was taken to be (1000 s here).
    EXPECT_EQ(messages[4].message, WM_VXM_CONVERT_PROGRESS);
    EXPECT_EQ(messages[4].wParam, 1000);
    EXPECT_EQ(messages[5].message, WM_VXM_JOB_FINISHED);
    EXPECT_EQ(messages[5].wParam, 0);
}

std::atomic<int> g_threadsInStep{0};
CEvent g_stepsMayCount{true, false};

int CountingTranscode(void*, CCmdFFplay* runner)
{
    g_stepsMayCount.Wait(INFINITE);  // the launch has returned
    g_threadsInStep = std::max(g_threadsInStep.load(), CountThreads());
    runner->exit_code = 0;
    return 0;
}

// The worker of an in-process step tells the monitor of its end itself: each
// step holds its worker beside the monitor and no other thread.
TEST_F(ConvertDriver, AnInProcessStepHoldsOnlyItsWorkerBesideTheMonitor)
{
    g_RunnerHooks.pfnTranscode = &CountingTranscode;
    IVXMMedia* media = NewMedia(Steps(Step(L"ffmpeg -i x y", PASS_ENCODE_1, L"", L"", JOB_TYPE_FFMPEG),
                                      Step(L"ffmpeg -i y z", PASS_ENCODE_2, L"", L"", JOB_TYPE_FFMPEG)));
    media->StartConvert(nullptr, m_window.Get(), 0);
    g_stepsMayCount.Set();
    ASSERT_TRUE(m_window.WaitFinished());
    EXPECT_EQ(FinishCode(media), 0);
    EXPECT_EQ(g_threadsInStep.load(), m_threads + 2);
}

std::vector<int> g_buildThreads;
CEvent g_conversionsMayEnd{true, false};

int BuildOneStep(IVXMMedia* media, IProfile*, VXM_JOB_QUEUE& queue)
{
    CVXMMediaBase* data = dynamic_cast<CVXMMediaBase*>(media);
    g_buildThreads.push_back(data->m_nConvertThreads);
    for (IVXMMedia* part : data->m_lstJoin)
        g_buildThreads.push_back(dynamic_cast<CVXMMediaBase*>(part)->m_nConvertThreads);
    queue.push_back(Step(L"ffmpeg -i x y", PASS_ENCODE_1, L"", L"", JOB_TYPE_FFMPEG));
    return 0;
}

int HeldTranscode(void*, CCmdFFplay* runner)
{
    g_conversionsMayEnd.Wait(INFINITE);
    runner->exit_code = 0;
    return 0;
}

// With the thread limit for two conversions at once, a third that starts while
// both run is built with one encoder thread, the part it joins too; once they
// have ended, the next one has the limit again.
TEST_F(ConvertDriver, OnlyTheSetNumberOfConversionsAtOnceHaveTheThreadLimit)
{
    IProfileManager* manager = CreateProfileManger();
    ASSERT_TRUE(manager && manager->LoadProfiles(W(std::string(VXM_SOURCE_DIR) + "/data/profiles.xml")));
    IProfile* profile = manager->FindProfileById(0);
    manager->SetThreadLimit(4, 2);
    g_RunnerHooks.pfnBuildMediaCommands = &BuildOneStep;
    g_RunnerHooks.pfnTranscode = &HeldTranscode;
    NewMedia({})->StartConvert(profile, m_window.Get(), 0);
    NewMedia({})->StartConvert(profile, m_window.Get(), 0);
    IVXMMedia* joining = NewMedia({});
    Data(joining)->m_lstJoin.push_back(NewMedia({}));
    joining->StartConvert(profile, m_window.Get(), 0);
    g_conversionsMayEnd.Set();
    ASSERT_TRUE(m_window.WaitFinished(3));
    NewMedia({})->StartConvert(profile, m_window.Get(), 0);
    ASSERT_TRUE(m_window.WaitFinished(4));
    manager->SetThreadLimit(0, 0);
    EXPECT_EQ(g_buildThreads, (std::vector<int>{0, 0, 1, 1, 0}));
}

std::atomic<float> g_positionSeen{-1.0f};

int TranscodeTwoSteps(void*, CCmdFFplay* runner)
{
    IVXMMedia* media = dynamic_cast<IVXMMedia*>(runner->m_pMedia);
    if (runner->m_pCurrentJob->nPassKind == PASS_ENCODE_1) {
        runner->m_dCurrentTime = 120.7;
    } else {
        runner->m_dCurrentTime = 5.4;
        g_positionSeen = media->GetConvertPosition();
    }
    return 0;
}

TEST_F(ConvertDriver, ThePositionOfALaterStepCountsTheWholeSecondsOfTheEarlierOnes)
{
    g_RunnerHooks.pfnTranscode = &TranscodeTwoSteps;
    IVXMMedia* media = NewMedia(Steps(Step(L"ffmpeg a", PASS_ENCODE_1, L"", L"", JOB_TYPE_FFMPEG),
                                      Step(L"ffmpeg b", PASS_ENCODE_2, L"", L"", JOB_TYPE_FFMPEG)));
    media->StartConvert(nullptr, m_window.Get(), 0);
    ASSERT_TRUE(m_window.WaitFinished());
    EXPECT_EQ(FinishCode(media), 0);
    EXPECT_FLOAT_EQ(g_positionSeen.load(), 125.0f);
    EXPECT_EQ(media->GetConvertPosition(), 0.0f);
}

int TranscodeUntilStopped(void*, CCmdFFplay* runner)
{
    CVXMMediaBase* media = runner->m_pMedia;
    while (runner->received_sigterm.load() != -1) {
        media->m_hPauseEvent->Wait();  // a paused run waits here
        Sleep(5);
    }
    runner->exit_code = 0;  // the stop is reported whatever the code
    return 0;
}

TEST_F(ConvertDriver, StoppingAPausedInProcessStepEndsIt)
{
    g_RunnerHooks.pfnTranscode = &TranscodeUntilStopped;
    IVXMMedia* media = NewMedia(Steps(Step(L"ffmpeg a", PASS_ENCODE_1, L"", L"", JOB_TYPE_FFMPEG)));
    media->StartConvert(nullptr, m_window.Get(), 0);
    m_window.Pump();
    EXPECT_EQ(media->GetConvertState(), 1);
    media->PauseConvert();
    EXPECT_FALSE(Data(media)->m_hPauseEvent->IsSet());
    media->ResumeConvert();
    EXPECT_TRUE(Data(media)->m_hPauseEvent->IsSet());
    media->PauseConvert();
    media->StopConvert();
    m_window.Pump();
    EXPECT_EQ(FinishCode(media), -1);
}

TEST_F(ConvertDriver, WithoutTheTranscoderAnInProcessStepFails)
{
    g_RunnerHooks.pfnTranscode = nullptr;
    IVXMMedia* media = NewMedia(Steps(Step(L"ffmpeg a", PASS_ENCODE_1, L"", L"", JOB_TYPE_FFMPEG)));
    media->StartConvert(nullptr, m_window.Get(), 0);
    ASSERT_TRUE(m_window.WaitFinished());
    EXPECT_EQ(FinishCode(media), VXM_EXIT_TOOL_MISSING);
}

int TranscodeEndingWith259(void*, CCmdFFplay* runner)
{
    runner->exit_code = 259;
    return 0;
}

TEST_F(ConvertDriver, ExitCode259IsAFailureNotARunningStep)
{
    g_RunnerHooks.pfnTranscode = &TranscodeEndingWith259;
    IVXMMedia* media = NewMedia(Steps(Step(L"ffmpeg a", PASS_ENCODE_1, L"", L"", JOB_TYPE_FFMPEG)));
    media->StartConvert(nullptr, m_window.Get(), 0);
    ASSERT_TRUE(m_window.WaitFinished());
    EXPECT_EQ(FinishCode(media), 259);
    EXPECT_EQ(media->GetConvertState(), 0);
}

int JoinUntilKilled(CCmdFFplay* runner)
{
    while (runner->m_nKillFlag.load() == 0)
        Sleep(5);
    return 0;
}

TEST_F(ConvertDriver, StopReachesWmvAndApeStepsThroughTheirKillFlag)
{
    g_RunnerHooks.pfnWmvJoin = &JoinUntilKilled;
    g_RunnerHooks.pfnApeEncode = &JoinUntilKilled;
    for (int type : {JOB_TYPE_WMV, JOB_TYPE_APE}) {
        CRecordingWindow window;
        IVXMMedia* media = NewMedia(Steps(Step(L"join", PASS_JOIN, L"", L"", type)));
        media->StartConvert(nullptr, window.Get(), 0);
        window.Pump();
        media->StopConvert();
        window.Pump();
        ASSERT_EQ(window.CountOf(WM_VXM_JOB_FINISHED), 1) << type;
        EXPECT_EQ(window.Messages().back().wParam, -1) << type;
    }
}

TEST_F(ConvertDriver, WmvAndApeStepsFailWhenNotBuiltIn)
{
    g_RunnerHooks.pfnWmvJoin = nullptr;
    g_RunnerHooks.pfnApeEncode = nullptr;
    for (int type : {JOB_TYPE_WMV, JOB_TYPE_APE}) {
        CRecordingWindow window;
        IVXMMedia* media = NewMedia(Steps(Step(L"join", PASS_JOIN, L"", L"", type)));
        media->StartConvert(nullptr, window.Get(), 0);
        ASSERT_TRUE(window.WaitFinished());
        EXPECT_EQ(window.Messages().back().wParam, VXM_EXIT_TOOL_MISSING) << type;
    }
}

// ---- a media that goes while it converts ----

// The transcoder as the program meets it: it reports progress until it is
// stopped, and once more on its way out, as the real one's last report does.
// A release stops it only after it began, so the transcoder marks on the
// window's queue where the stop reached it: nothing for the media may follow.
constexpr UINT kStopReached = WM_USER + 77;
std::atomic<HWND> g_stopMarkWindow{nullptr};
std::atomic<int> g_stopMarkRun{0};

int TranscodeReportingUntilStopped(void*, CCmdFFplay* runner)
{
    IVXMMedia* media = dynamic_cast<IVXMMedia*>(runner->m_pMedia);
    for (int tick = 0; runner->received_sigterm.load() != -1; ++tick) {
        runner->m_dCurrentTime = tick * 0.01;
        media->ReportProgress(2);
        Sleep(1);
    }
    PostMessage(g_stopMarkWindow.load(), kStopReached, static_cast<WPARAM>(g_stopMarkRun.load()), 0);
    for (int i = 0; i < 3; ++i)
        media->ReportProgress(2);
    return 0;
}

TEST_F(ConvertDriver, NothingIsPostedForAMediaOnceItsReleaseBegan)
{
    g_RunnerHooks.pfnTranscode = &TranscodeReportingUntilStopped;
    g_stopMarkWindow = m_window.Get();
    constexpr UINT kReleaseEnded = kStopReached + 1;
    auto pumpUntil = [](const std::function<bool()>& done) {
        MSG msg;
        while (!done() && GetMessage(&msg, nullptr, 0, 0) > 0)
            DispatchMessage(&msg);
    };
    for (int run = 0; run < 20; ++run) {
        IVXMMedia* media = NewMedia(Steps(Step(L"ffmpeg a", PASS_ENCODE_1, L"", L"", JOB_TYPE_FFMPEG)));
        m_media.pop_back();
        media->SetDuration(1000000);
        g_stopMarkRun = run;
        media->StartConvert(nullptr, m_window.Get(), 0);
        // Mid-run: the progress reports come.
        pumpUntil([&] { return m_window.CountOf(WM_VXM_CONVERT_PROGRESS, Param(media)) > 0; });
        media->Release();
        PostMessage(m_window.Get(), kReleaseEnded, static_cast<WPARAM>(run), 0);
        pumpUntil([&] { return m_window.CountOf(kReleaseEnded) > run; });
        bool stopped = false;
        for (const CPosted& m : m_window.Messages()) {
            if (m.message == kStopReached && m.wParam == run)
                stopped = true;
            EXPECT_FALSE(stopped && m.lParam == Param(media))
                << "run " << run << ": message " << m.message << " after the release began";
        }
        EXPECT_TRUE(stopped) << "run " << run << ": the release did not stop the transcoder";
    }
}

}  // namespace
