// The child-process runner with redirected input and output.
#include "Redirector.h"
#include "runner_support.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

using namespace runnertest;

namespace {

std::wstring W(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

class CRecorder : public CRedirector {
public:
    ~CRecorder() override { Close(); }
    void WriteStdOut(const char* text) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_chunks.emplace_back(text);
    }
    void WriteStdError(const char* text) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_errors.emplace_back(text);
    }
    std::string Output()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        std::string all;
        for (const auto& c : m_chunks)
            all += c;
        return all;
    }
    // Waits until the output thread has ended.
    bool WaitEnded()
    {
        while (m_bRunning.load() || !m_sawRun())
            Sleep(10);
        return true;
    }
    std::mutex m_lock;
    std::vector<std::string> m_chunks;
    std::vector<std::string> m_errors;

private:
    bool m_sawRun() { return m_hThread && !m_hThread->IsRunning(); }
};

class Redirector : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_children = CountChildProcesses();
        m_threads = CountThreads();
    }
    void TearDown() override { EXPECT_TRUE(SettlesTo(m_children, m_threads)); }
    vxmtest::CTempDir m_dir;
    int m_children = 0;
    int m_threads = 0;
};

TEST_F(Redirector, ASilentChildEndsTheOutputThreadAndKeepsItsExitCode)
{
    const std::string script = WriteScript(m_dir.File("three.sh"), "exit 3");
    CRecorder runner;
    ASSERT_TRUE(runner.Open(L"\"" + W(script) + L"\""));
    ASSERT_TRUE(runner.WaitEnded());
    EXPECT_EQ(runner.m_dwExitCode.load(), 3u);
    EXPECT_TRUE(runner.m_chunks.empty());
}

TEST_F(Redirector, OutputLargerThanAChunkArrivesInChunksOfAtMost255Bytes)
{
    const std::string script = WriteScript(m_dir.File("burst.sh"), "head -c 1000 /dev/zero | tr '\\000' a");
    CRecorder runner;
    ASSERT_TRUE(runner.Open(L"\"" + W(script) + L"\""));
    ASSERT_TRUE(runner.WaitEnded());
    EXPECT_EQ(runner.Output(), std::string(1000, 'a'));
    EXPECT_GE(runner.m_chunks.size(), 4u);
    for (const auto& chunk : runner.m_chunks)
        EXPECT_LE(chunk.size(), 255u);
}

TEST_F(Redirector, StandardErrorComesWithTheOutput)
{
    const std::string script = WriteScript(m_dir.File("err.sh"), "echo oops >&2");
    CRecorder runner;
    ASSERT_TRUE(runner.Open(L"\"" + W(script) + L"\""));
    ASSERT_TRUE(runner.WaitEnded());
    EXPECT_EQ(runner.Output(), "oops\n");
}

TEST_F(Redirector, AMissingProgramFailsOpenWithTheErrorCode)
{
    CRecorder runner;
    EXPECT_FALSE(runner.Open(L"cmd.exe /c \"\"/nonexistent/mplayer\" -slave \"x.avi\"\""));
    ASSERT_EQ(runner.m_errors.size(), 1u);
    EXPECT_EQ(runner.m_errors[0], "Redirect console error: 2\r\n");
    EXPECT_EQ(runner.m_hThread, nullptr);
}

TEST_F(Redirector, PrintfReachesTheChildsInput)
{
    CRecorder runner;
    ASSERT_TRUE(runner.Open(L"cat"));
    EXPECT_TRUE(runner.Printf(L"seek %d %ls\n", 5, L"\u00e9t\u00e9"));
    while (runner.Output().size() < 11)
        Sleep(10);
    EXPECT_EQ(runner.Output(), "seek 5 \xc3\xa9t\xc3\xa9\n");
    runner.Close();
    EXPECT_FALSE(runner.Printf(L"quit\n"));
}

TEST_F(Redirector, PrintfWithoutAChildWritesNothing)
{
    CRecorder runner;
    EXPECT_FALSE(runner.Printf(L"pause\n"));
}

TEST_F(Redirector, StopChildProcessesInterruptsARunningChildOnly)
{
    CRecorder runner;
    ASSERT_TRUE(runner.Open(L"sleep 30"));
    runner.StopChildProcesses();
    ASSERT_TRUE(runner.WaitEnded());
    EXPECT_EQ(runner.m_dwExitCode.load(), 130u);  // ended by SIGINT
    runner.StopChildProcesses();                  // ended: nothing happens
    EXPECT_FALSE(runner.IsChildRunning());
}

TEST_F(Redirector, CloseEndsARunningChildAndItCanBeOpenedAgain)
{
    CRecorder runner;
    // The child never ends by itself: a close that did not end it would never return.
    ASSERT_TRUE(runner.Open(L"sleep infinity"));
    runner.Close();
    EXPECT_EQ(runner.m_hChildProcess, nullptr);
    ASSERT_TRUE(runner.Open(L"echo again"));
    ASSERT_TRUE(runner.WaitEnded());
    EXPECT_EQ(runner.Output(), "again\n");
}

TEST_F(Redirector, CloseFromTheOutputThreadDoesNotWaitForItself)
{
    class CSelfClosing : public CRecorder {
    public:
        void WriteStdOut(const char* text) override
        {
            CRecorder::WriteStdOut(text);
            Close();
        }
    };
    CSelfClosing runner;
    ASSERT_TRUE(runner.Open(L"echo hello"));
    ASSERT_TRUE(runner.WaitEnded());
    EXPECT_EQ(runner.Output(), "hello\n");
}

}  // namespace
