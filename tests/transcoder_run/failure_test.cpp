// Runs that cannot do their work end with a failure code, never with success.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cmdutils.h"
#include "ffmpeg_transcode.h"
#include "platform/text.h"
#include "run_support.h"
#include "support/test_media.h"

using namespace runtest;

TEST(RunFailures, OptionsWithoutFilesPrintUsageAndEndWithOne)
{
    EXPECT_EQ(RunTranscode("-y"), 1);
}

TEST(RunFailures, NoOutputFileEndsWithOne)
{
    EXPECT_EQ(RunTranscode("-i " + Q(vxmtest::GetTestMedia().mp4)), 1);
}

TEST(RunFailures, AnUnreadableInputEndsWithOne)
{
    vxmtest::CTempDir dir;
    EXPECT_EQ(RunTranscode("-y -i " + Q(vxmtest::GetTestMedia().corrupt) + " " + Q(dir.File("o.mp4"))), 1);
}

TEST(RunFailures, AnEncoderThatCannotOpenEndsWithOne)
{
    vxmtest::CTempDir dir;
    // Odd sizes are refused by the H.264 encoder in 4:2:0.
    EXPECT_EQ(RunTranscode("-y -i " + Q(vxmtest::GetTestMedia().mp4) + " -vf scale=161:121 -vcodec libx264 " +
                           Q(dir.File("o.mp4"))),
              1);
}

TEST(RunFailures, AFileCutShortWhileReadingIsNotASuccess)
{
    vxmtest::CTempDir dir;
    // A transport stream cut in the middle of a packet run, then garbage.
    const std::string ts = dir.File("full.ts");
    ASSERT_TRUE(vxmtest::MakeVideoClip(ts, 2.0, 160, 120, {"-f", "mpegts"}));
    const std::string cut = dir.File("cut.mkv");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", ts, "-c", "copy", dir.File("full.mkv")}));
    {
        std::ifstream in(dir.File("full.mkv"), std::ios::binary);
        std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        data.resize(data.size() / 2);
        std::ofstream(cut, std::ios::binary) << data;
    }
    int code = RunTranscode("-y -i " + Q(cut) + " -vcodec mpeg4 -an " + Q(dir.File("o.mp4")));
    // Debian's ffmpeg reports this cut as a success; a cut file is either
    // read to its end or reported as a failure, but never both.
    if (code == 0) {
        auto s = Probe(dir.File("o.mp4"));
        ASSERT_FALSE(s.empty());
        EXPECT_GT(s[0].frames, 0);
    } else {
        EXPECT_NE(code, 1);
    }
}

TEST(RunFailures, ASilentRunDropsItsFlagBeforeParsing)
{
    vxmtest::CTempDir dir;
    CCmdFFplay runner;
    std::wstring line = Utf8ToWide("ffmpeg -d -nostdin -y -i " + Q(vxmtest::GetTestMedia().mp4) +
                                   " -vcodec mpeg4 -an " + Q(dir.File("d.mp4")));
    int result = run_tool_guarded(&runner, [&line](CToolContext* c) {
        return ffmpeg_transcode(const_cast<wchar_t*>(line.c_str()), static_cast<CCmdFFplay*>(c));
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(runner.exit_code, 0);
    EXPECT_EQ(runner.run_as_daemon, 1);
    auto s = Probe(dir.File("d.mp4"));
    ASSERT_EQ(s.size(), 1u);
    EXPECT_NEAR(s[0].frames, 50, 1);
    av_log_set_callback(av_log_default_callback);
}
