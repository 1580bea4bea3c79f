// The APE route of a real profile: the decode step writes the WAV, the APE
// step of the same queue compresses it into a file FFmpeg decodes back.
#include "../profiles_jobs/job_fixture.h"
#include "ape_test_util.h"

#include "ApeJob.h"
#include "CmdFFplay.h"

namespace {

TEST(ApeRoute, TheQueuedApeStepCompressesTheDecodedWav)
{
    vxmtest::CTempDir dir;
    jobtest::CManagerScope scope(dir.Path());
    ASSERT_TRUE(scope.Loaded());
    COutputProfile* profile = scope.ById(31);
    ASSERT_NE(profile, nullptr);
    auto media = jobtest::MakeMedia(vxmtest::GetTestMedia().mp4, dir.Path());
    VXM_JOB_QUEUE queue;
    ASSERT_EQ(BuildMediaCommands(media.get(), profile, queue), 0);
    ASSERT_GE(queue.size(), 2u);
    ASSERT_EQ(queue[1]->nType, JOB_TYPE_APE);

    std::vector<std::string> argv;
    for (const std::wstring& a : JobProcessArguments(queue[0]->strCmdLine))
        argv.push_back(jobtest::N(a));
    argv[0] = "ffmpeg";
    argv.insert(argv.begin() + 1, {"-nostdin", "-loglevel", "error"});
    ASSERT_EQ(vxmtest::RunProgram(argv), 0);

    SetApeCompressor(&GetNativeApeCompressor());
    CCmdFFplay runner;
    runner.m_pCurrentJob = std::make_unique<VXM_JOB_COMMAND>(*queue[1]);
    testing::internal::CaptureStderr();
    const int result = ApeEncodeThread(&runner);
    testing::internal::GetCapturedStderr();
    SetApeCompressor(nullptr);
    ASSERT_EQ(result, 0);
    const std::string ape = jobtest::N(queue[1]->strOutput);
    EXPECT_EQ(std::filesystem::path(ape).extension(), ".ape");
    apetest::ExpectDecodesTo(ape, jobtest::N(queue[1]->strInput), 16);
}

}  // namespace
