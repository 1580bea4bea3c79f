// The subtitle step cuts the chosen text subtitle out of the source into an
// ASS file that the burn-in then reads.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "../profiles_jobs/job_fixture.h"
#include "support/test_media.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

using namespace jobtest;

TEST(SubtitleStep, ChosenTextSubtitleIsWrittenAsAss)
{
    const vxmtest::TestMedia& clip = vxmtest::GetTestMedia();
    ASSERT_FALSE(clip.subtitled.empty());
    vxmtest::CTempDir dir;
    CManagerScope scope(dir.Path());
    ASSERT_TRUE(scope.Loaded());
    auto media = MakeMedia(clip.subtitled, dir.File("out"));
    media->AddSubtitle(nullptr, "eng", nullptr, 2, AV_CODEC_ID_SUBRIP);  // the third stream
    media->AddSubtitle(nullptr, "eng", nullptr, 9, AV_CODEC_ID_DVD_SUBTITLE);  // a bitmap one that is not chosen
    media->SetStreamSelection(0, -1, 0);
    media->m_nStartTime = 0;

    VXM_JOB_QUEUE queue;
    ASSERT_EQ(BuildMediaCommands(media.get(), scope.ById(0), queue), 0);
    ASSERT_EQ(queue.size(), 2u);
    ASSERT_EQ(queue[0]->nPassKind, PASS_SUBTITLE);
    std::vector<std::string> argv;
    for (const std::wstring& a : SplitJobCommandLine(queue[0]->strCmdLine).args)
        argv.push_back(N(a));
    argv.insert(argv.begin() + 1, {"-nostdin", "-loglevel", "error"});
    std::string log;
    ASSERT_EQ(vxmtest::RunProgram(argv, &log), 0) << log;

    std::ifstream in(N(media->m_strTempFile));
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str().rfind("[Script Info]", 0), 0u) << text.str().substr(0, 200);
    EXPECT_NE(text.str().find("Dialogue:"), std::string::npos);
    // The burn-in of the encode reads that file.
    EXPECT_NE(N(queue[1]->strCmdLine).find(N(media->m_strTempFile)), std::string::npos);
}
