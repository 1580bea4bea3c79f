// The APE route: the WAV intermediate is written by the decode step, read by
// the APE step and deleted right after it.
#include <gtest/gtest.h>

#include <filesystem>

#include "../profiles_jobs/job_fixture.h"
#include "CmdFFplay.h"
#include "support/test_media.h"

using namespace jobtest;

namespace {

TEST(WavIntermediate, IsDecodedThenCompressedThenDeleted)
{
    vxmtest::CTempDir dir;
    CManagerScope scope(dir.Path());
    ASSERT_TRUE(scope.Loaded());
    COutputProfile* ape = scope.ById(31);
    ASSERT_NE(ape, nullptr);
    auto media = MakeMedia(vxmtest::GetTestMedia().mp4, dir.Path());
    VXM_JOB_QUEUE queue;
    ASSERT_EQ(BuildMediaCommands(media.get(), ape, queue), 0);
    ASSERT_EQ(queue.size(), 3u);
    const std::wstring wav = queue[0]->strOutput;
    ASSERT_EQ(std::filesystem::path(N(wav)).extension(), ".wav");
    EXPECT_EQ(queue[1]->nType, JOB_TYPE_APE);
    EXPECT_EQ(queue[1]->strInput, wav);
    EXPECT_NE(queue[1]->strOutput, wav);

    // The decode step runs as written and makes the intermediate.
    std::vector<std::string> argv;
    for (const std::wstring& a : JobProcessArguments(queue[0]->strCmdLine))
        argv.push_back(N(a));
    argv[0] = "ffmpeg";
    argv.insert(argv.begin() + 1, {"-nostdin", "-loglevel", "error"});
    ASSERT_EQ(vxmtest::RunProgram(argv), 0);
    ASSERT_TRUE(std::filesystem::exists(N(wav)));

    // The last step removes it.
    const auto del = JobProcessArguments(queue[2]->strCmdLine);
    ASSERT_FALSE(del.empty());
    EXPECT_EQ(del[0], L"rm");
    EXPECT_EQ(del.back(), wav);
    argv.clear();
    for (const std::wstring& a : del)
        argv.push_back(N(a));
    ASSERT_EQ(vxmtest::RunProgram(argv), 0);
    EXPECT_FALSE(std::filesystem::exists(N(wav)));
}

}  // namespace
