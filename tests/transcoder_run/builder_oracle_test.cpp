// The command lines the job builders write, run in process and by Debian's
// ffmpeg: both outputs hold the same streams, codecs, sizes, frame counts and
// durations (within one frame).
#include <gtest/gtest.h>

#include "run_support.h"
#include "support/test_media.h"

using namespace runtest;

namespace {

const std::string kX264 = "cabac=no:8x8dct=no:ref=2:me=umh:bframes=0:subq=6:trellis=0:weightp=0";

// Runs `line` with <out> replaced by an output of ours, then of ffmpeg's.
void RunBoth(const vxmtest::CTempDir& dir, const std::string& name, const std::string& line,
             const std::string& ext)
{
    SCOPED_TRACE(name);
    auto with = [&](const std::string& out) {
        std::string l = line;
        for (size_t p; (p = l.find("<out>")) != std::string::npos;) l.replace(p, 5, out);
        return l;
    };
    const std::string ours = dir.File(name + "_ours." + ext), theirs = dir.File(name + "_theirs." + ext);
    ASSERT_EQ(RunTranscode(with(Q(ours))), 0);
    std::string log;
    ASSERT_EQ(vxmtest::RunProgram({"sh", "-c", "ffmpeg -nostdin -loglevel error " + with(Q(theirs))}, &log), 0)
        << log;
    ExpectSameOutput(ours, theirs);
}

}  // namespace

TEST(BuilderOracle, SinglePassAudioOnlyAndSecondInputLines)
{
    const auto& m = vxmtest::GetTestMedia();
    vxmtest::CTempDir dir;
    const std::string src = Q(m.mp4);
    RunBoth(dir, "x264",
            "-i " + src + " -pix_fmt yuv420p -y  -vf \"scale=160:120,pad=160:120:0:0\" -ar 44100 -ac 2 -acodec aac "
            "-b:a 128k -profile:a 1 -vcodec libx264 -b:v 2000k -x264opts " + kX264 + " -threads 0 <out> ",
            "mp4");
    RunBoth(dir, "mp3", "-i " + src + " -y  -vn  -acodec libmp3lame -ab 192k -ar 44100 -ac 2  -f mp3 <out> ", "mp3");
    RunBoth(dir, "second_input",
            "-i " + src + " -i " + Q(m.mp3) + " -map 0:0 -map 1:0 -pix_fmt yuv420p -y  "
            "-vf \"scale=160:120,pad=160:120:0:0\" -ar 44100 -ac 2 -acodec aac -b:a 128k -profile:a 1 -vcodec libx264 "
            "-b:v 2000k -x264opts " + kX264 + " -threads 0 <out> ",
            "mp4");
}

// The thread counts the program writes with the core count on "Auto".
TEST(BuilderOracle, DecoderAndEncoderThreadCaps)
{
    const auto& m = vxmtest::GetTestMedia();
    vxmtest::CTempDir dir;
    RunBoth(dir, "capped",
            "-threads:v 2 -i " + Q(m.mp4) + " -threads 2 -pix_fmt yuv420p -y  -vf \"scale=160:120,pad=160:120:0:0\" "
            "-acodec aac -b:a 128k -profile:a 1 -ar 44100 -ac 2 -vcodec libx264 -b:v 2000k -x264opts " + kX264 +
            ":threads=8 -threads 2 <out> ",
            "mp4");
}

TEST(BuilderOracle, TrimCropRotateAndFilterChains)
{
    const auto& m = vxmtest::GetTestMedia();
    vxmtest::CTempDir dir;
    RunBoth(dir, "avi",
            "-i " + Q(m.mp4) + " -ss 0.500 -t 1.000 -y  -vf \"crop=150:100:8:0,transpose=1,scale=136:204,"
            "pad=480:272:172:34\" -vcodec libxvid -b:v 1500k -bf 0 -aspect 480:272 -acodec libmp3lame -b:a 128k  "
            "-ar 44100 -ac 2 <out> ",
            "avi");
    RunBoth(dir, "mkv",
            "-i " + Q(m.mp4) + " -af \"volume=1.50\" -vf \"kerndeint,pullup,scale=640:360,pad=640:480:0:60\" "
            "-pix_fmt yuv420p -y  -vcodec libx264 -b:v 2000k -aspect 16:9 -x264opts " + kX264 +
            " -acodec aac -b:a 128k -profile:a 1 -ar 48000 -ac 2 -f matroska  <out> ",
            "mkv");
}

TEST(BuilderOracle, SubtitleExtractionAndCopy)
{
    const auto& m = vxmtest::GetTestMedia();
    vxmtest::CTempDir dir;
    RunBoth(dir, "copy",
            "-i " + Q(m.subtitled) + " -scodec copy -vcodec libx264 -b:v 300k -acodec aac -b:a 96k -y <out>", "mkv");
    const std::string ours = dir.File("sub_ours.ass"), theirs = dir.File("sub_theirs.ass");
    ASSERT_EQ(RunTranscode("-i " + Q(m.subtitled) + " -map 0:2 -scodec ass -y  " + Q(ours)), 0);
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", m.subtitled, "-map", "0:2", "-scodec", "ass", theirs}));
    auto a = Probe(ours), b = Probe(theirs);
    ASSERT_EQ(a.size(), 1u);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(a[0].codec, b[0].codec);
    EXPECT_EQ(a[0].frames, b[0].frames);
}

TEST(BuilderOracle, TwoPassesShareTheirLog)
{
    const auto& m = vxmtest::GetTestMedia();
    vxmtest::CTempDir dir;
    const std::string common = "-i " + Q(m.mp4) + " -pix_fmt yuv420p -y  -vf \"scale=160:120,pad=160:120:0:0\" "
                               "-ar 44100 -ac 2 -acodec aac -b:a 128k -profile:a 1 -vcodec libx264 -b:v 2000k "
                               "-x264opts " + kX264 + " -threads 0";
    const std::string ours = dir.File("ours.mp4"), theirs = dir.File("theirs.mp4");
    ASSERT_EQ(RunTranscode(common + " -an  -passlogfile " + Q(dir.File("ourlog")) + " -pass 1 " + Q(ours)), 0);
    ASSERT_EQ(RunTranscode(common + " -passlogfile " + Q(dir.File("ourlog")) + " -pass 2 " + Q(ours)), 0);
    ASSERT_EQ(vxmtest::RunProgram({"sh", "-c", "ffmpeg -nostdin -loglevel error " + common + " -an -passlogfile " +
                                                   Q(dir.File("theirlog")) + " -pass 1 " + Q(theirs) +
                                                   " && ffmpeg -nostdin -loglevel error " + common +
                                                   " -passlogfile " + Q(dir.File("theirlog")) + " -pass 2 " +
                                                   Q(theirs)}),
              0);
    ExpectSameOutput(ours, theirs);
    // A second pass of a codec that keeps its statistics in the tool's log.
    const std::string mp = "-i " + Q(m.mp4) + " -y -an -vcodec mpeg4 -b:v 200k -passlogfile " + Q(dir.File("m4"));
    ASSERT_EQ(RunTranscode(mp + " -pass 1 " + Q(dir.File("m1.mp4"))), 0);
    ASSERT_EQ(RunTranscode(mp + " -pass 2 " + Q(dir.File("m2.mp4"))), 0);
    auto s = Probe(dir.File("m2.mp4"));
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].frames, 50);
}
