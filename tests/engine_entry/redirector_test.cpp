// The child-process base class as the engine's runner uses it.
#include "Redirector.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

class CSink : public CRedirector {
public:
    void WriteStdOut(const char*) override {}
    void WriteStdError(const char*) override {}
};

bool DescriptorOpen(int fd)
{
    return std::filesystem::exists("/proc/self/fd/" + std::to_string(fd));
}

TEST(Redirector, StartsEmptyWithAHundredMillisecondSlice)
{
    CSink sink;
    EXPECT_EQ(sink.m_hThread, nullptr);
    EXPECT_EQ(sink.m_hStopEvent, nullptr);
    EXPECT_EQ(sink.m_dwThreadId, 0u);
    EXPECT_EQ(sink.m_dwWaitTime, 100u);
    EXPECT_EQ(sink.m_dwProcessId, 0u);
    EXPECT_EQ(sink.m_bRunning, FALSE);
    EXPECT_EQ(sink.m_hStdinWrite, nullptr);
    EXPECT_EQ(sink.m_hStdoutRead, nullptr);
    EXPECT_EQ(sink.m_hChildProcess, nullptr);
    EXPECT_EQ(sink.m_dwExitCode, 0u);
}

TEST(Redirector, DestructionClosesBothPipeEnds)
{
    vxmtest::CTempDir dir;
    int inFd = -1, outFd = -1;
    {
        CSink sink;
        sink.m_hStdinWrite = std::fopen(dir.File("in").c_str(), "w");
        sink.m_hStdoutRead = std::fopen(dir.File("in").c_str(), "r");
        ASSERT_NE(sink.m_hStdinWrite, nullptr);
        ASSERT_NE(sink.m_hStdoutRead, nullptr);
        inFd = fileno(sink.m_hStdinWrite);
        outFd = fileno(sink.m_hStdoutRead);
        EXPECT_TRUE(DescriptorOpen(inFd));
        EXPECT_TRUE(DescriptorOpen(outFd));
    }
    EXPECT_FALSE(DescriptorOpen(inFd));
    EXPECT_FALSE(DescriptorOpen(outFd));
}

TEST(Redirector, CloseClearsThePipeEnds)
{
    vxmtest::CTempDir dir;
    CSink sink;
    sink.m_hStdinWrite = std::fopen(dir.File("in").c_str(), "w");
    sink.Close();
    EXPECT_EQ(sink.m_hStdinWrite, nullptr);
    sink.Close();  // a second close finds nothing to close
    EXPECT_EQ(sink.m_hStdoutRead, nullptr);
}

}  // namespace
