// The output of a conversion carries its final name only once the job has
// succeeded: a failure, a stop or a killed program leave nothing under it,
// and a failure is told with the output's name, not the temporary one.
#include "CmdFFplay.h"
#include "PartialOutput.h"
#include "RunnerHooks.h"
#include "SplitCommandLine.h"
#include "VXMMediaExports.h"
#include "VXMMediaImpl.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "platform/text.h"
#include "runner_support.h"
#include "support/private_home.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace runnertest;

namespace {

[[maybe_unused]] const bool g_home = vxmtest::RegisterPrivateHome();

namespace fs = std::filesystem;

// The job the stand-in builder makes: one step that runs the script on the output.
struct Job {
    std::string script;
    std::string output;
};
Job g_job;

int BuildScriptJob(IVXMMedia* media, IProfile*, VXM_JOB_QUEUE& queue)
{
    const std::wstring output = Utf8ToWide(g_job.output);
    dynamic_cast<CVXMMediaBase*>(media)->m_strOutputFile = output;
    queue.push_back(Step(QuoteArgument(Utf8ToWide(g_job.script)) + L" " + QuoteArgument(output), PASS_PLAIN, L"",
                         output));
    return 0;
}

// Names in the folder besides the script and its marker.
std::vector<std::string> Leftovers(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename() != "step.sh" && entry.path().filename() != "ready")
            names.push_back(entry.path().filename().string());
    return names;
}

std::vector<std::string> JournalEntries()
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(WideToUtf8(GetUserDataFolder()) + "/PartialOutputs", ec))
        names.push_back(entry.path().filename().string());
    return names;
}

class PartialOutput : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_hooks = g_RunnerHooks;
        g_RunnerHooks.pfnBuildMediaCommands = BuildScriptJob;
        g_job.output = m_dir.File("clip (1).mp4");
    }
    void TearDown() override
    {
        if (m_media)
            m_media->Release();
        g_RunnerHooks = m_hooks;
    }
    // Starts the job with a script whose body sees the output as "$1".
    void Start(const std::string& body)
    {
        g_job.script = WriteScript(m_dir.File("step.sh"), body);
        m_media = new CVXMMediaImpl();
        m_media->m_strSourcePath = Utf8ToWide(m_dir.File("source.mp4"));
        m_media->StartConvert(reinterpret_cast<IProfile*>(&m_dir), m_window.Get(), 0);
    }
    long long FinishCode()
    {
        for (const CPosted& m : m_window.MessagesFor(reinterpret_cast<LPARAM>(m_media)))
            if (m.message == WM_VXM_JOB_FINISHED)
                return m.wParam;
        return 999999;
    }

    vxmtest::CTempDir m_dir;
    CRecordingWindow m_window;
    CVXMMediaImpl* m_media = nullptr;
    VXM_RUNNER_HOOKS m_hooks{};
};

}  // namespace

TEST_F(PartialOutput, TheOutputGetsItsNameOnlyWhenTheJobSucceeds)
{
    // The step fails when the final name is there while it writes.
    Start("test -e '" + g_job.output + "' && exit 3\ncase \"$1\" in */.vxmpart-*) ;; *) exit 4;; esac\n"
          "echo data > \"$1\"");
    ASSERT_TRUE(m_window.WaitFinished());
    EXPECT_EQ(FinishCode(), 0);
    EXPECT_EQ(Leftovers(m_dir.Path()), std::vector<std::string>{"clip (1).mp4"});
    EXPECT_TRUE(JournalEntries().empty());
}

TEST_F(PartialOutput, AFailedStepLeavesNothingUnderEitherName)
{
    Start("echo data > \"$1\"\nexit 1");
    ASSERT_TRUE(m_window.WaitFinished());
    EXPECT_EQ(FinishCode(), 1);
    EXPECT_TRUE(Leftovers(m_dir.Path()).empty());
    EXPECT_TRUE(JournalEntries().empty());
}

TEST_F(PartialOutput, AFailureIsExplainedWithTheOutputsOwnName)
{
    // A full disk, as the tool reports it about the file it writes.
    Start("echo data > \"$1\"\necho \"Error closing file $1: No space left on device\" >&2\nexit 1");
    ASSERT_TRUE(m_window.WaitFinished());
    EXPECT_EQ(FinishCode(), 1);
    EXPECT_EQ(m_media->m_strLastError, L"Error closing file " + Utf8ToWide(g_job.output) + L": No space left on device");
    EXPECT_TRUE(Leftovers(m_dir.Path()).empty());
}

TEST_F(PartialOutput, AStopLeavesNothingUnderEitherName)
{
    const std::string ready = m_dir.File("ready");
    Start("echo data > \"$1\"\ntouch '" + ready + "'\nexec sleep 30");
    while (!fs::exists(ready))
        m_window.Pump();
    ASSERT_TRUE(fs::exists(ready));
    ASSERT_EQ(JournalEntries().size(), 1u);
    m_media->StopConvert();
    m_window.Pump();
    EXPECT_EQ(FinishCode(), -1);
    EXPECT_TRUE(Leftovers(m_dir.Path()).empty());
    EXPECT_TRUE(JournalEntries().empty());
}

TEST_F(PartialOutput, TheNextStartRemovesWhatAKilledRunLeft)
{
    // A run that has ended (a reaped child's id) and one that still runs (ours).
    CChildProcess gone;
    ASSERT_TRUE(gone.Start({L"true"}));
    ASSERT_TRUE(gone.Wait(INFINITE));
    const std::string journal = WideToUtf8(GetUserDataFolder()) + "/PartialOutputs";
    fs::create_directories(journal);
    auto leave = [&](int pid, const std::string& name) {
        const std::string partial = m_dir.File(".vxmpart-" + std::to_string(pid) + "-7-" + name);
        std::ofstream(partial) << "partial";
        std::ofstream(journal + "/" + std::to_string(pid) + "-7") << partial;
        return partial;
    };
    const std::string killed = leave(gone.GetPid(), "movie.mp4");
    const std::string running = leave(GetCurrentProcessNumber(), "other.mp4");
    const std::string bystander = m_dir.File("movie.mp4");
    std::ofstream(bystander) << "the user's file";

    RegisterMediaLibrary();
    EXPECT_FALSE(fs::exists(killed));
    EXPECT_TRUE(fs::exists(running));
    EXPECT_TRUE(fs::exists(bystander));
    EXPECT_EQ(JournalEntries(), std::vector<std::string>{std::to_string(GetCurrentProcessNumber()) + "-7"});
    DropPartialOutput(Utf8ToWide(running));
    EXPECT_TRUE(JournalEntries().empty());
}
