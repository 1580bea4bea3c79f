// The tsMuxeR meta file names the real audio codec and holds no track
// without one.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "../profiles_jobs/job_fixture.h"
#include "CmdFFplay.h"
#include "support/test_media.h"

using namespace jobtest;

namespace {

TEST(TsMuxerMeta, NamesTheVideoAndTheAudioTrackWithTheirCodecs)
{
    vxmtest::CTempDir dir;
    CManagerScope scope(dir.Path());
    ASSERT_TRUE(scope.Loaded());
    int checked = 0;
    for (int i = 0; i < scope.Manager().GetProfileCount(); ++i) {
        COutputProfile* profile = scope.Profile(i);
        bool ts = false;
        for (const auto& command : profile->m_lstCommands)
            ts = ts || command->m_nEngine == PROFILE_ENGINE_TSMUXER;
        if (!ts)
            continue;
        auto media = MakeMedia(vxmtest::GetTestMedia().mp4, dir.Path());
        VXM_JOB_QUEUE queue;
        ASSERT_EQ(BuildMediaCommands(media.get(), profile, queue), 0);
        std::string metaPath;
        for (const auto& step : queue)
            if (step->nPassKind == PASS_TSMUX) {
                const auto args = JobProcessArguments(step->strCmdLine);
                ASSERT_EQ(args.size(), 3u) << N(step->strCmdLine);
                metaPath = N(args[1]);
            }
        ASSERT_FALSE(metaPath.empty());
        std::ifstream in(metaPath);
        std::stringstream text;
        text << in.rdbuf();
        const std::string meta = text.str();
        EXPECT_EQ(meta.rfind("MUXOPT --no-pcr-on-video-pid --new-audio-pes --vbr  --vbv-len=500\nV_MPEG4/ISO/AVC, \"", 0),
                  0u)
            << meta;
        const std::string codec = N(profile->GetAudioCodec());
        if (codec == "aac") {
            EXPECT_NE(meta.find("\nA_AAC, \""), std::string::npos) << meta;
        } else if (codec == "ac3") {
            EXPECT_NE(meta.find("\nA_AC3, \""), std::string::npos) << meta;
        }
        EXPECT_EQ(meta.find("\n, "), std::string::npos) << "an audio track without a codec: " << meta;
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

}  // namespace
