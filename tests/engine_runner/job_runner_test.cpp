// The job runner on its own: launching steps, their arguments, closing.
#include "CmdFFplay.h"
#include "RunnerHooks.h"
#include "VXMMediaImpl.h"
#include "cmdutils.h"
#include "runner_support.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace runnertest;

namespace {

std::wstring W(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

class JobRunner : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_hooks = g_RunnerHooks;
        m_children = CountChildProcesses();
        m_threads = CountThreads();
    }
    void TearDown() override
    {
        g_RunnerHooks = m_hooks;
        EXPECT_TRUE(SettlesTo(m_children, m_threads));
    }
    vxmtest::CTempDir m_dir;
    VXM_RUNNER_HOOKS m_hooks{};
    int m_children = 0;
    int m_threads = 0;
};

// ---- launching ----

TEST_F(JobRunner, AProgramThatDoesNotExistFailsOpenWithoutAWatcher)
{
    auto runner = std::make_unique<CCmdFFplay>();
    runner->m_nMode = 2;
    EXPECT_EQ(runner->Open(L"/nonexistent/tool -i a b", JOB_TYPE_PROCESS), 0);
    EXPECT_EQ(runner->m_hWatchThread, nullptr);
    EXPECT_FALSE(runner->IsWorkerRunning());
}

TEST_F(JobRunner, AChildStepKeepsItsExitCode)
{
    const std::string script = WriteScript(m_dir.File("seven.sh"), "exit 7");
    auto runner = std::make_unique<CCmdFFplay>();
    ASSERT_EQ(runner->Open(L"\"" + W(script) + L"\"", JOB_TYPE_PROCESS), 1);
    EXPECT_TRUE(runner->WaitWorker(INFINITE));
    runner->Close();
    EXPECT_EQ(runner->GetExitCode(), 7);
}

TEST_F(JobRunner, ALaunchAfterAStopIsRefused)
{
    auto runner = std::make_unique<CCmdFFplay>();
    runner->RequestStop();
    EXPECT_EQ(runner->Open(L"true", JOB_TYPE_PROCESS), 0);
}

TEST_F(JobRunner, CloseKillsAChildStepThatIsStillRunning)
{
    auto runner = std::make_unique<CCmdFFplay>();
    // The step never ends by itself: a close that did not kill it would never return.
    ASSERT_EQ(runner->Open(L"sleep infinity", JOB_TYPE_PROCESS), 1);
    EXPECT_TRUE(runner->IsWorkerRunning());
    runner->Close();
    EXPECT_FALSE(runner->IsWorkerRunning());
}

int StubbornTranscode(void*, CCmdFFplay* runner)
{
    while (runner->received_sigterm.load() != -1)
        Sleep(5);
    return 0;
}

TEST_F(JobRunner, CloseStopsAnInProcessRunThatOutlivesTheWaitAndJoinsIt)
{
    g_RunnerHooks.pfnTranscode = &StubbornTranscode;
    auto runner = std::make_unique<CCmdFFplay>();
    runner->m_nMode = 2;
    ASSERT_EQ(runner->Open(L"ffmpeg x", JOB_TYPE_FFMPEG), 1);
    runner->Close();
    EXPECT_FALSE(runner->IsWorkerRunning());
}

int ExitingTranscode(void*, CCmdFFplay* runner)
{
    exit_program(runner, 4);  // unwinds to the worker entry
    return 0;
}

TEST_F(JobRunner, ATranscodeThatExitsWithACodeLeavesItInTheRunner)
{
    g_RunnerHooks.pfnTranscode = &ExitingTranscode;
    auto runner = std::make_unique<CCmdFFplay>();
    runner->m_nMode = 2;
    ASSERT_EQ(runner->Open(L"ffmpeg x", JOB_TYPE_FFMPEG), 1);
    EXPECT_TRUE(runner->WaitWorker(INFINITE));
    EXPECT_EQ(runner->GetExitCode(), 4);
}

TEST_F(JobRunner, TheProbeResultIsTheExitCode)
{
    g_RunnerHooks.pfnProbe = [](void*, CVXMMediaBase*) { return 5; };
    auto runner = std::make_unique<CCmdFFplay>();
    ASSERT_EQ(runner->Open(L"probe x", JOB_TYPE_FFMPEG), 1);
    EXPECT_TRUE(runner->WaitWorker(INFINITE));
    EXPECT_EQ(runner->GetExitCode(), 5);
}

// ---- position ----

TEST_F(JobRunner, JoinAndMuxStepsHaveNoPosition)
{
    CCmdFFplay runner;
    runner.m_nMode = 2;
    runner.m_dCurrentTime = 12.5;
    runner.m_pCurrentJob = Step(L"x", PASS_JOIN);
    EXPECT_EQ(runner.GetPosition(), 0.0);
    runner.m_pCurrentJob = Step(L"x", PASS_MUX);
    EXPECT_EQ(runner.GetPosition(), 0.0);
    runner.m_pCurrentJob = Step(L"x", PASS_ENCODE_1);
    EXPECT_EQ(runner.GetPosition(), 12.5);
    runner.m_dCurrentTime = -3.0;
    EXPECT_EQ(runner.GetPosition(), 0.0);
}

// ---- arguments of child steps ----

TEST(JobProcessArguments, ToolLinesReachTheToolUnchanged)
{
    auto args = JobProcessArguments(L"cmd.exe /c \"\"/opt/tools/mp4box\" -add \"a b.h264\" \"it's.mp4\"\"");
    std::vector<std::wstring> expected = {L"/opt/tools/mp4box", L"-add", L"a b.h264", L"it's.mp4"};
    EXPECT_EQ(args, expected);
}

TEST(JobProcessArguments, InterpreterFileCommandsBecomeSystemTools)
{
    EXPECT_EQ(JobProcessArguments(L"cmd.exe /c del \"/tmp/a b.avi\"\""),
              (std::vector<std::wstring>{L"rm", L"-f", L"--", L"/tmp/a b.avi"}));
    EXPECT_EQ(JobProcessArguments(L"cmd.exe /c ren \"/tmp/x/j_temp.mp4\" \"j.mp4\"\""),
              (std::vector<std::wstring>{L"mv", L"-n", L"--", L"/tmp/x/j_temp.mp4", L"/tmp/x/j.mp4"}));
    EXPECT_TRUE(JobProcessArguments(L"").empty());
}

TEST_F(JobRunner, DelAndRenStepsWorkOnRealFiles)
{
    const std::string victim = m_dir.File("old file.avi"), temp = m_dir.File("j_temp.mp4");
    const std::string kept = m_dir.File("kept.mp4");
    std::ofstream(victim) << "x";
    std::ofstream(temp) << "joined";
    std::ofstream(kept) << "kept";
    for (const std::wstring& line : {L"cmd.exe /c del \"" + W(victim) + L"\"\"",
                                     L"cmd.exe /c ren \"" + W(temp) + L"\" \"j.mp4\"\"",
                                     L"cmd.exe /c ren \"" + W(m_dir.File("j.mp4")) + L"\" \"kept.mp4\"\""}) {
        CCmdFFplay runner;
        ASSERT_EQ(runner.Open(line, JOB_TYPE_PROCESS), 1);
        EXPECT_TRUE(runner.WaitWorker(INFINITE));
    }
    EXPECT_FALSE(std::filesystem::exists(victim));
    EXPECT_FALSE(std::filesystem::exists(temp));
    std::string content;
    std::ifstream(m_dir.File("j.mp4")) >> content;
    EXPECT_EQ(content, "joined");
    std::ifstream(kept) >> content;
    EXPECT_EQ(content, "kept") << "a rename never replaces an existing file";
}

}  // namespace

namespace {

int TranscodeOpeningItsOutput(void*, CCmdFFplay* runner)
{
    runner->OnOutputOpened(0);
    return 0;
}

TEST_F(JobRunner, AnOpenedOutputIsToldOnlyByTheMediasCurrentRunner)
{
    g_RunnerHooks.pfnTranscode = &TranscodeOpeningItsOutput;
    CRecordingWindow window;
    auto* media = new CVXMMediaImpl();
    auto* runner = new CCmdFFplay();
    runner->m_vecJobQueue.push_back(Step(L"ffmpeg x", PASS_ENCODE_1, L"", L"", JOB_TYPE_FFMPEG));
    media->m_pConvertRunner = runner;
    media->StartConvert(nullptr, window.Get(), 0);
    ASSERT_TRUE(window.WaitFinished());
    EXPECT_EQ(window.CountOf(WM_VXM_OUTPUT_OPENED, reinterpret_cast<LPARAM>(static_cast<IVXMMedia*>(media))), 1);

    CCmdFFplay stranger;  // not the media's runner
    stranger.m_pMedia = media;
    stranger.m_hNotifyWnd = window.Get();
    stranger.OnOutputOpened(0);
    window.Pump();
    EXPECT_EQ(window.CountOf(WM_VXM_OUTPUT_OPENED), 1);
    media->Release();
}

TEST_F(JobRunner, TheRunKnowsItsMediaKind)
{
    CVXMMediaImpl media;
    CCmdFFplay runner;
    runner.m_pMedia = &media;
    EXPECT_FALSE(runner.IsDvdTitleMedia());
    media.m_nMediaKind = 1;
    EXPECT_TRUE(runner.IsDvdTitleMedia());
    media.m_nMediaKind = 2;
    media.m_strCDDrive = L"/dev/sr0";
    EXPECT_EQ(runner.CdDrivePath(), "/dev/sr0");
}

}  // namespace
