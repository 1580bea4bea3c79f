// The subtitle cut starts at the millisecond the picture starts at.
#include <gtest/gtest.h>

#include "../profiles_jobs/job_fixture.h"
#include "CmdFFplay.h"
#include "support/test_media.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

using namespace jobtest;

TEST(SubtitleSeek, TrimStartIsKeptToTheMillisecond)
{
    const vxmtest::TestMedia& clip = vxmtest::GetTestMedia();
    ASSERT_FALSE(clip.subtitled.empty());
    vxmtest::CTempDir dir;
    CManagerScope scope(dir.Path());
    ASSERT_TRUE(scope.Loaded());
    auto media = MakeMedia(clip.subtitled, dir.Path());
    media->AddSubtitle(nullptr, "eng", nullptr, 2, AV_CODEC_ID_SUBRIP);
    media->SetStreamSelection(0, -1, 0);
    media->m_nStartTime = 12700;

    VXM_JOB_QUEUE queue;
    ASSERT_EQ(BuildMediaCommands(media.get(), scope.ById(0), queue), 0);
    ASSERT_FALSE(queue.empty());
    ASSERT_EQ(queue[0]->nPassKind, PASS_SUBTITLE);
    const auto args = JobProcessArguments(queue[0]->strCmdLine);
    bool found = false;
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == L"-ss") {
            EXPECT_EQ(args[i + 1], L"12.700");
            found = true;
        }
    EXPECT_TRUE(found) << N(queue[0]->strCmdLine);
}
