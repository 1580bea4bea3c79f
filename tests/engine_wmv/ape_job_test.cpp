// The APE step: missing input, stop, the missing-encoder failure and the
// progress text.
#include "ApeJob.h"
#include "CmdFFplay.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

using vxmtest::CTempDir;

namespace {

std::wstring W(const std::string& s) { return std::wstring(s.begin(), s.end()); }

void SetJob(CCmdFFplay& runner, const std::string& input, const std::string& output)
{
    runner.m_pCurrentJob = std::make_unique<VXM_JOB_COMMAND>();
    runner.m_pCurrentJob->strInput = W(input);
    runner.m_pCurrentJob->strOutput = W(output);
}

// Works until the kill flag is set, reporting progress as it goes.
class CSlowCompressor : public IApeCompressor {
public:
    std::atomic<int> calls{0};
    int CompressFile(const std::wstring&, const std::wstring&, int level, int* percent, VXM_APE_PROGRESS_FUNC progress,
                     const std::atomic<int>* killFlag) override
    {
        ++calls;
        EXPECT_EQ(level, 2000);
        for (int i = 0; i < 1000; ++i) {
            if (killFlag && killFlag->load())
                return VXM_APE_ERROR_USER_STOPPED;
            *percent = i / 10;
            progress(i * 100);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return 0;
    }
};

struct CRestoreCompressor {
    ~CRestoreCompressor() { SetApeCompressor(nullptr); }
};

TEST(ApeJob, AMissingInputEndsTheStepWithMinusOne)
{
    CTempDir dir;
    CSlowCompressor slow;
    CRestoreCompressor restore;
    SetApeCompressor(&slow);
    CCmdFFplay runner;
    SetJob(runner, dir.File("absent.wav"), dir.File("out.ape"));
    EXPECT_EQ(ApeEncodeThread(&runner), -1);
    EXPECT_EQ(slow.calls.load(), 0);
}

TEST(ApeJob, WithoutAnEncoderTheStepFailsAndWritesNothing)
{
    CTempDir dir;
    const std::string wav = vxmtest::GetTestMedia().wav;
    ASSERT_FALSE(wav.empty());
    CCmdFFplay runner;
    SetJob(runner, wav, dir.File("out.ape"));
    EXPECT_EQ(ApeEncodeThread(&runner), VXM_APE_ERROR_NO_ENCODER);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.ape")));
}

TEST(ApeJob, AStopEndsARunningCompression)
{
    CTempDir dir;
    const std::string wav = vxmtest::GetTestMedia().wav;
    ASSERT_FALSE(wav.empty());
    CSlowCompressor slow;
    CRestoreCompressor restore;
    SetApeCompressor(&slow);
    CCmdFFplay runner;
    SetJob(runner, wav, dir.File("out.ape"));
    auto result = std::async(std::launch::async, [&] { return ApeEncodeThread(&runner); });
    while (slow.calls.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    runner.m_nKillFlag = 1;
    EXPECT_EQ(result.get(), VXM_APE_ERROR_USER_STOPPED);
}

TEST(ApeJob, ASuccessfulCompressionEndsWithZero)
{
    const std::string wav = vxmtest::GetTestMedia().wav;
    ASSERT_FALSE(wav.empty());
    struct CQuick : IApeCompressor {
        int CompressFile(const std::wstring&, const std::wstring&, int, int* percent, VXM_APE_PROGRESS_FUNC progress,
                         const std::atomic<int>*) override
        {
            progress(100000);
            *percent = 100;
            return 0;
        }
    } quick;
    CRestoreCompressor restore;
    SetApeCompressor(&quick);
    CCmdFFplay runner;
    CTempDir dir;
    SetJob(runner, wav, dir.File("out.ape"));
    EXPECT_EQ(ApeEncodeThread(&runner), 0);
}

TEST(ApeProgress, NoProgressYetPrintsNoInfiniteTime)
{
    const std::string line = FormatApeProgress(0, 2.0);
    EXPECT_EQ(line.find("inf"), std::string::npos);
    EXPECT_EQ(line.find("nan"), std::string::npos);
    EXPECT_NE(line.find("0.0%"), std::string::npos);
}

TEST(ApeProgress, HalfDoneTellsTheRemainingTime)
{
    const std::string line = FormatApeProgress(50000, 3.0);
    EXPECT_NE(line.find("Progress: 50.0% (3.0 seconds remaining, 3.0 seconds total)"), std::string::npos);
}

}  // namespace
