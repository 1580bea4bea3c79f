// Child processes: argument passing, pipes, exit codes, stopping, ownership.
#include "platform/events.h"
#include "platform/process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

// Reads standard output until `marker` shows up; false when the output ends first.
bool WaitForOutput(CChildProcess& child, const std::string& marker)
{
    std::string seen;
    char buffer[256];
    for (;;) {
        long n = child.ReadStdout(buffer, sizeof(buffer));
        if (n <= 0) return false;
        seen.append(buffer, n);
        if (seen.find(marker) != std::string::npos) return true;
    }
}

}  // namespace

TEST(ChildOutput, StandardOutputIsReadThroughThePipe)
{
    CChildProcess child;
    ASSERT_TRUE(child.Start({L"echo", L"hello", L"world"})) << child.LastError();
    EXPECT_EQ(child.ReadAllStdout(), "hello world\n");
    int code = -1;
    ASSERT_TRUE(child.Wait(INFINITE, &code));
    EXPECT_EQ(code, 0);
}

TEST(ChildOutput, StandardErrorHasItsOwnPipeOrFollowsOutput)
{
    {
        CChildProcess child;
        ASSERT_TRUE(child.Start({L"/bin/sh", L"-c", L"echo out; echo err >&2"}));
        EXPECT_EQ(child.ReadAllStdout(), "out\n");
        EXPECT_EQ(child.ReadAllStderr(), "err\n");
    }
    CChildOptions merged;
    merged.stderrMode = EChildStream::ToStdout;
    CChildProcess child;
    ASSERT_TRUE(child.Start({L"/bin/sh", L"-c", L"echo out; echo err >&2"}, merged));
    EXPECT_EQ(child.ReadAllStdout(), "out\nerr\n");
    EXPECT_EQ(child.StderrFd(), -1);
}

TEST(ChildOutput, InputReachesTheChildAndEndsWithClose)
{
    CChildOptions options;
    options.stdinMode = EChildStream::Pipe;
    CChildProcess child;
    ASSERT_TRUE(child.Start({L"cat"}, options));
    EXPECT_TRUE(child.WriteStdin(std::string("line one\nline two\n")));
    child.CloseStdin();
    EXPECT_EQ(child.ReadAllStdout(), "line one\nline two\n");
    EXPECT_TRUE(child.Wait(INFINITE));
}

TEST(ChildOutput, ReadTimesOutWhenTheChildIsSilent)
{
    // The child never ends by itself: a read that waited for the end would never return.
    CChildProcess child;
    ASSERT_TRUE(child.Start({L"sleep", L"infinity"}));
    char buffer[16];
    EXPECT_EQ(child.ReadStdout(buffer, sizeof(buffer), 200), CHILD_READ_TIMEOUT);
    EXPECT_TRUE(child.IsRunning());
}

TEST(ChildArguments, AwkwardArgumentsArriveUnchanged)
{
    const std::wstring awkward = L"/tmp/My Videos/it's \"quoted\" $(touch /tmp/pwned) `id` ; | & *\nsecond line \u00e9\u6f22";
    CChildProcess child;
    ASSERT_TRUE(child.Start({L"printf", L"%s", awkward}));
    std::string out = child.ReadAllStdout();
    EXPECT_EQ(out, "/tmp/My Videos/it's \"quoted\" $(touch /tmp/pwned) `id` ; | & *\nsecond line \xc3\xa9\xe6\xbc\xa2");
    int code = -1;
    ASSERT_TRUE(child.Wait(INFINITE, &code));
    EXPECT_EQ(code, 0);
}

TEST(ChildArguments, EmptyArgumentsAreKept)
{
    CChildProcess child;
    ASSERT_TRUE(child.Start({L"/bin/sh", L"-c", L"echo $#", L"sh", L"", L"x", L""}));
    EXPECT_EQ(child.ReadAllStdout(), "3\n");
}

TEST(ChildArguments, WorkingFolderAndEnvironmentAreApplied)
{
    CChildOptions options;
    options.workingFolder = L"/usr";
    options.extraEnvironment = {L"VXM_TEST_VALUE=a b=c"};
    CChildProcess child;
    ASSERT_TRUE(child.Start({L"/bin/sh", L"-c", L"pwd; printf '%s\\n' \"$VXM_TEST_VALUE\""}, options));
    EXPECT_EQ(child.ReadAllStdout(), "/usr\na b=c\n");
}

TEST(ChildStart, MissingProgramFailsWithAReason)
{
    CChildProcess child;
    EXPECT_FALSE(child.Start({L"/nonexistent/vxm-no-such-tool"}));
    EXPECT_FALSE(child.LastError().empty());
    EXPECT_FALSE(child.IsStarted());
    EXPECT_FALSE(child.Wait(0));
    EXPECT_FALSE(child.Interrupt());
    EXPECT_TRUE(FindProgramInPath(L"vxm-no-such-tool-either").empty());
    EXPECT_FALSE(FindProgramInPath(L"sh").empty());
}

TEST(ChildStart, OurOtherDescriptorsDoNotReachTheChild)
{
    int leaked = ::open("/dev/null", O_RDONLY);  // deliberately without close-on-exec
    ASSERT_GE(leaked, 0);
    int high = ::dup2(leaked, 57);
    ASSERT_EQ(high, 57);
    CChildProcess child;
    ASSERT_TRUE(child.Start({L"/bin/sh", L"-c", L"[ -e /proc/self/fd/57 ] && echo open || echo closed"}));
    EXPECT_EQ(child.ReadAllStdout(), "closed\n");
    ::close(high);
    ::close(leaked);
}

TEST(ChildExit, ExitCodeIsReported)
{
    CChildProcess child;
    ASSERT_TRUE(child.Start({L"/bin/sh", L"-c", L"exit 7"}));
    int code = -1;
    ASSERT_TRUE(child.Wait(INFINITE, &code));
    EXPECT_EQ(code, 7);
    EXPECT_EQ(child.GetExitCode(), 7);
    EXPECT_EQ(child.GetTermSignal(), 0);
    EXPECT_FALSE(child.IsRunning());
}

TEST(ChildExit, WaitTimesOutOnARunningChild)
{
    CChildProcess child;
    ASSERT_TRUE(child.Start({L"sleep", L"infinity"}));
    EXPECT_FALSE(child.Wait(100));
    EXPECT_TRUE(child.IsRunning());
    EXPECT_EQ(child.GetExitCode(), -1);
}

TEST(ChildStop, InterruptStopsTheChild)
{
    // The child never ends by itself: only the interrupt can end the wait.
    CChildProcess child;
    ASSERT_TRUE(child.Start({L"sleep", L"infinity"}));
    EXPECT_EQ(::getpgid(child.GetPid()), child.GetPid()) << "the child leads its own group";
    ASSERT_TRUE(child.Interrupt());
    int code = -1;
    ASSERT_TRUE(child.Wait(INFINITE, &code));
    EXPECT_EQ(child.GetTermSignal(), SIGINT);
    EXPECT_EQ(code, 128 + SIGINT);
}

TEST(ChildStop, InterruptReachesTheWholeGroup)
{
    CChildProcess child;
    // The shell waits for its own child, which says it is there and never ends
    // by itself; both must get the interrupt. The output ends only when the
    // grandchild has gone too, and a shell left alive would say it survived.
    ASSERT_TRUE(child.Start({L"/bin/sh", L"-c", L"/bin/sh -c 'echo ready; exec sleep infinity'; echo survived"}));
    ASSERT_TRUE(WaitForOutput(child, "ready"));
    ASSERT_TRUE(child.Interrupt());
    EXPECT_TRUE(child.Wait(INFINITE));
    EXPECT_EQ(child.ReadAllStdout(), "");
}

TEST(ChildStop, KillEndsAChildThatIgnoresInterrupt)
{
    CChildProcess child;
    ASSERT_TRUE(child.Start({L"/bin/sh", L"-c", L"trap '' INT; echo ready; while :; do sleep 0.05; done"}));
    ASSERT_TRUE(WaitForOutput(child, "ready"));
    ASSERT_TRUE(child.Interrupt());
    EXPECT_FALSE(child.Wait(500)) << "the child ignores SIGINT";
    ASSERT_TRUE(child.Kill());
    int code = -1;
    ASSERT_TRUE(child.Wait(INFINITE, &code));
    EXPECT_EQ(child.GetTermSignal(), SIGKILL);
    EXPECT_FALSE(child.Kill()) << "nothing is signalled after the reap";
}

TEST(ChildStop, TerminateSendsSigterm)
{
    CChildProcess child;
    ASSERT_TRUE(child.Start({L"sleep", L"30"}));
    ASSERT_TRUE(child.Terminate());
    ASSERT_TRUE(child.Wait(INFINITE));
    EXPECT_EQ(child.GetTermSignal(), SIGTERM);
}

TEST(ChildPipes, WritingToAChildThatHasGoneIsAnErrorNotASignal)
{
    CChildOptions options;
    options.stdinMode = EChildStream::Pipe;
    CChildProcess child;
    ASSERT_TRUE(child.Start({L"true"}, options));
    ASSERT_TRUE(child.Wait(INFINITE));
    std::string block(1 << 16, 'x');
    EXPECT_EQ(child.WriteStdin(block.data(), block.size()), -1);
    EXPECT_FALSE(child.WriteStdin(std::string("more")));
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    EXPECT_EQ(sigismember(&pending, SIGPIPE), 0) << "no SIGPIPE is left pending";
}

TEST(ChildOwnership, DestructorStopsAndReapsARunningChild)
{
    // The child never ends by itself: a destructor that did not stop it would never return.
    pid_t pid = 0;
    {
        CChildProcess child;
        ASSERT_TRUE(child.Start({L"sleep", L"infinity"}));
        pid = child.GetPid();
    }
    EXPECT_EQ(::kill(pid, 0), -1) << "no process (and no zombie) is left";
    EXPECT_EQ(errno, ESRCH);
}

TEST(ChildOwnership, ManyChildrenAtOnceEachGetTheirOwnCode)
{
    std::vector<std::unique_ptr<CChildProcess>> children;
    for (int i = 0; i < 16; ++i) {
        children.push_back(std::make_unique<CChildProcess>());
        ASSERT_TRUE(children.back()->Start({L"/bin/sh", L"-c", L"exit " + std::to_wstring(i)}));
    }
    for (int i = 0; i < 16; ++i) {
        int code = -1;
        ASSERT_TRUE(children[i]->Wait(INFINITE, &code));
        EXPECT_EQ(code, i);
    }
}

TEST(DetachedProcess, StartsAndLeavesNoChildBehind)
{
    char folder[] = "/tmp/vxm-detached-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    std::string marker = std::string(folder) + "/done";
    std::wstring wmarker(marker.begin(), marker.end());
    ASSERT_TRUE(StartDetachedProcess({L"touch", wmarker}));
    while (::access(marker.c_str(), F_OK) != 0) ::usleep(20 * 1000);
    EXPECT_EQ(::access(marker.c_str(), F_OK), 0);
    EXPECT_FALSE(StartDetachedProcess({L"vxm-no-such-tool"}));
    ::unlink(marker.c_str());
    ::rmdir(folder);
}
